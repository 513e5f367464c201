// SPDX-License-Identifier: GPL-3.0-or-later
// Shipped translations and the rules document of a language.
#include "base/Translations.h"

#include "base/LanguageTable.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

const char *const kLanguageSection = "Language";
const char *const kLanguageCodeKey = "Code";
const char *const kEnglishCode = "en";

#ifdef KORVEX_HAS_TRANSLATIONS
// A static library's resources are linked in only when referenced (and the
// reference must be made outside any namespace).
static void initLanguageResource()
{
    Q_INIT_RESOURCE(korvex_lang);
}
#endif

namespace {

void initResources()
{
    static const bool done = [] {
#ifdef KORVEX_HAS_TRANSLATIONS
        initLanguageResource();
#endif
        return true;
    }();
    Q_UNUSED(done);
}

const QString kFolder = QStringLiteral(":/korvex/lang/");

bool plainCode(const QString &code)
{
    static const QRegularExpression rx(QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z]{2})?$"));
    return rx.match(code).hasMatch();
}

QString fileOf(const QString &code)
{
    return kFolder + code + QStringLiteral(".lng");
}

} // namespace

QList<Translation> shippedTranslations()
{
    initResources();
    QList<Translation> out;
    const QStringList files = QDir(kFolder).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        TRegAuto lng;
        lng.setIniFile(kFolder + file);
        const QString code = file.chopped(4);
        const QString name = lng.ReadString(QLatin1String(kLanguageSection), QStringLiteral("Name"), code);
        out << Translation{code, name};
    }
    return out;
}

QHash<QString, QString> translationTexts(const QString &code)
{
    initResources();
    QHash<QString, QString> out;
    if (!plainCode(code) || !QFileInfo(fileOf(code)).isFile())
        return out;
    TRegAuto lng;
    lng.setIniFile(fileOf(code));
    const TRegAuto::Pass pass(lng);
    // A text the file lacks is read as a null string and left out.
    const auto take = [&](const char *section, const char *key) {
        const QString value = lng.ReadString(QLatin1String(section), QLatin1String(key), QString());
        if (!value.isNull())
            out.insert(QString::fromLatin1(key).toLower(), value);
    };
    for (int i = 0; i < kLanguageCount; ++i)
        take(kLanguageTable[i].section, kLanguageTable[i].key);
    for (int i = 0; i < kUiTextCount; ++i)
        take(kUiTexts[i].section, kUiTexts[i].key);
    return out;
}

QString languageCode(const TRegAuto &lng)
{
    return lng.ReadString(QLatin1String(kLanguageSection), QLatin1String(kLanguageCodeKey), QString()).trimmed();
}

QLocale localeFor(const QString &code)
{
    QLocale wanted(QLocale::English);
    if (plainCode(code) && code != QLatin1String(kEnglishCode)) {
        const QLocale named(code);
        if (named.language() != QLocale::C)
            wanted = named;
    }
    const QLocale desktop = QLocale::system();
    return desktop.language() == wanted.language() ? desktop : wanted;
}

QString rulesFileFor(const QString &dir, const QString &code)
{
    const QString base = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    if (plainCode(code) && code != QLatin1String(kEnglishCode)) {
        const QString translated = base + QStringLiteral("KVXRules.") + code + QStringLiteral(".rtf");
        if (QFileInfo(translated).isFile())
            return translated;
    }
    return base + QStringLiteral("KVXRules.rtf");
}
