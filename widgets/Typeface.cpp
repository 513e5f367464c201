// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/Typeface.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#ifdef KORVEX_HAS_STANDIN_FONT
// Resources of a static library are only linked in when referenced.
static void initStandInResource()
{
    Q_INIT_RESOURCE(korvex_typeface);
#ifdef KORVEX_HAS_ACCENT_FONT
    Q_INIT_RESOURCE(korvex_accents);
#endif
}
#endif

namespace {

const QString kDecorative = QStringLiteral("Ravie");
// A brush script with the letters of every shipped language (ł, č, ő...),
// drawn in the spirit of the stand-in, for the letters that face lacks.
const QString kAccents = QStringLiteral("Kaushan Script");

struct Resolved {
    QString family;
    int fontId = -1;
    QString accents;
};

QString installed(const QString &family)
{
    const QStringList families = QFontDatabase::families();
    for (const QString &f : families)
        if (f.compare(family, Qt::CaseInsensitive) == 0)
            return f;
    return QString();
}

QString accentFace()
{
    const QString system = installed(kAccents);
    if (!system.isEmpty())
        return system;
#ifdef KORVEX_HAS_ACCENT_FONT
    QFile file(QStringLiteral(":/korvex/fonts/accents.otf"));
    if (file.open(QIODevice::ReadOnly)) {
        const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
        const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            return families.first();
    }
#endif
    return QString();
}

Resolved resolve()
{
    Resolved r;
    r.family = kDecorative;
#ifdef KORVEX_HAS_STANDIN_FONT
    initStandInResource();
#endif
    r.accents = accentFace();
    const QStringList installed = QFontDatabase::families();
    for (const QString &f : installed) {
        if (f.compare(kDecorative, Qt::CaseInsensitive) == 0) {
            r.family = f;
            return r;
        }
    }
#ifdef KORVEX_HAS_STANDIN_FONT
    QFile file(QStringLiteral(":/korvex/fonts/standin.ttf"));
    if (!file.open(QIODevice::ReadOnly))
        return r;
    // Registered from memory: nothing is written to disk, nothing to remove.
    const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
    if (id < 0)
        return r;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        QFontDatabase::removeApplicationFont(id);
        return r;
    }
    r.family = families.first();
    r.fontId = id;
#endif
    return r;
}

const Resolved &resolved()
{
    // The font database needs a GUI application; resolve once one exists.
    static const Resolved r = resolve();
    return r;
}

} // namespace

QString Typeface::family()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return kDecorative;
    return resolved().family;
}

int Typeface::registeredFontId()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return -1;
    return resolved().fontId;
}

QString Typeface::accentFamily()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QString();
    return resolved().accents;
}

QFont Typeface::font(int pixelSize, bool bold)
{
    QFont f(family());
    // Letters the decorative face lacks come from a face that matches it,
    // not from whatever the system would pick.
    const QString accents = accentFamily();
    if (!accents.isEmpty())
        f.setFamilies({family(), accents});
    f.setPixelSize(pixelSize > 0 ? pixelSize : 1);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}
