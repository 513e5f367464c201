// The program folder: computed once at start-up, read everywhere.
#include "app/ProgramDir.h"

namespace ProgramDir {

namespace {
QString &current()
{
    static QString dir;
    return dir;
}
} // namespace

QString fromExecutable(const QString &exePath)
{
    int cut = -1;
    for (int i = exePath.size() - 1; i >= 0; --i) {
        const QChar c = exePath.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            cut = i;
            break;
        }
    }
    QString dir = exePath.left(cut + 1);
    // Everything before the last separator; the separator itself is kept once.
    while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))
           && (dir.at(dir.size() - 2) == QLatin1Char('/') || dir.at(dir.size() - 2) == QLatin1Char('\\')))
        dir.chop(1);
    if (dir.isEmpty())
        return QStringLiteral("./");
    if (!dir.endsWith(QLatin1Char('/')) && !dir.endsWith(QLatin1Char('\\')))
        dir += dir.endsWith(QLatin1Char(':')) ? QLatin1Char('\\') : QLatin1Char('/');
    return dir;
}

const QString &get() { return current(); }

void set(const QString &dir) { current() = dir; }

QString file(const QString &name) { return current() + name; }

} // namespace ProgramDir
