// SPDX-License-Identifier: GPL-3.0-or-later
#include "Typeface.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#ifdef KORVEX_HAS_STANDIN_FONT
// Resources of a static library are only linked in when referenced.
static void initStandInResource()
{
    Q_INIT_RESOURCE(korvex_typeface);
}
#endif

namespace {

const QString kDecorative = QStringLiteral("Ravie");

struct Resolved {
    QString family;
    int fontId = -1;
};

Resolved resolve()
{
    Resolved r;
    r.family = kDecorative;
    const QStringList installed = QFontDatabase::families();
    for (const QString &f : installed) {
        if (f.compare(kDecorative, Qt::CaseInsensitive) == 0) {
            r.family = f;
            return r;
        }
    }
#ifdef KORVEX_HAS_STANDIN_FONT
    initStandInResource();
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

QFont Typeface::font(int pixelSize, bool bold)
{
    QFont f(family());
    f.setPixelSize(pixelSize > 0 ? pixelSize : 1);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}
