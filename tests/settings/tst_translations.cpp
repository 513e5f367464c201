// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped translations: every text there, its placeholders and counted
// forms kept, nothing left in English by mistake, one word for each thing in
// the game, the rules and the desktop entry; and which rules document a
// language file picks.
#include "base/LanguageTable.h"
#include "base/Plural.h"
#include "dialogs/RtfReader.h"
#include "base/TRegAuto.h"
#include "base/Translations.h"
#include "base/UiTexts.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>

namespace {

QString sourceFile(const QString &path)
{
    return qEnvironmentVariable("KORVEX_SOURCE_DIR") + QLatin1Char('/') + path;
}

// A language's glossary, beside its language file: the word for each thing
// (a pattern), the words it never uses, and the texts that read as in
// English on purpose.
struct Glossary
{
    QHash<QString, QRegularExpression> terms;
    QRegularExpression avoid;
    QSet<QString> keepEnglish;
};

Glossary glossary(const QString &code)
{
    TRegAuto file;
    file.setIniFile(sourceFile(QStringLiteral("resources/lang/") + code + QStringLiteral(".glossary")));
    Glossary out;
    for (const char *term : {"dice", "roll", "bank", "bust", "round", "hotDice", "topTen", "bestMove", "optimalPlay"})
        out.terms.insert(QLatin1String(term), QRegularExpression(file.ReadString(QStringLiteral("Terms"), QLatin1String(term), QString()),
                                                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption));
    const QString avoid = file.ReadString(QStringLiteral("Avoid"), QStringLiteral("words"), QString());
    out.avoid = QRegularExpression(avoid.isEmpty() ? QStringLiteral("(?!)") : avoid,
                                   QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QStringList keep = file.ReadString(QStringLiteral("KeepEnglish"), QStringLiteral("keys"), QString())
                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    out.keepEnglish = QSet<QString>(keep.begin(), keep.end());
    return out;
}

// The thing an English text names, by the words it uses. "Best play" is a
// move where the advisor or a review line names one, else the best strategy.
QStringList termsNamed(const QString &key, const QString &english)
{
    static const QList<QPair<const char *, QRegularExpression>> words{
        {"hotDice", QRegularExpression(QStringLiteral("\\bhot dice\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"bust", QRegularExpression(QStringLiteral("\\bbust\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"topTen", QRegularExpression(QStringLiteral("\\btop[- ]ten\\b|\\bhall of fame\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"bank", QRegularExpression(QStringLiteral("\\bbank(ed|s)?\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"round", QRegularExpression(QStringLiteral("\\brounds?\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"dice", QRegularExpression(QStringLiteral("\\bdic?e\\b"), QRegularExpression::CaseInsensitiveOption)},
        {"roll", QRegularExpression(QStringLiteral("\\broll(ed|s|ing)?\\b"), QRegularExpression::CaseInsensitiveOption)},
    };
    QStringList out;
    for (const auto &w : words)
        if (w.second.match(english).hasMatch())
            out << QLatin1String(w.first);
    if (english.contains(QLatin1String("best play"), Qt::CaseInsensitive))
        out << (key.startsWith(QLatin1String("advBest")) || key.startsWith(QLatin1String("pracVerdict"))
                        || key == QLatin1String("revItemBest")
                    ? QStringLiteral("bestMove")
                    : QStringLiteral("optimalPlay"));
    return out;
}

QString rulesText(const QString &code)
{
    QFile f(sourceFile(code.isEmpty() ? QStringLiteral("resources/KVXRules.rtf")
                                      : QStringLiteral("resources/rules/KVXRules.") + code + QStringLiteral(".rtf")));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QTextDocument doc;
    RtfReader::read(f.readAll(), &doc);
    return doc.toRawText(); // no-break spaces kept
}

// Every line of the desktop entry and metainfo written for a language.
QString desktopTexts(const QString &code)
{
    QString out;
    for (const char *name : {"resources/korvex.desktop.in", "resources/org.korvex.Korvex.metainfo.xml"}) {
        QFile f(sourceFile(QLatin1String(name)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
            if (line.contains(QLatin1Char('[') + code + QLatin1Char(']')) || line.contains(QStringLiteral("\"") + code + QLatin1Char('"')))
                out += line + QLatin1Char('\n');
    }
    return out;
}

// Placeholders and punctuation only ("%1: %2"): nothing to translate.
bool nothingToTranslate(const QString &english)
{
    QString rest = english;
    rest.remove(QRegularExpression(QStringLiteral("%\\d")));
    for (const QChar c : rest)
        if (c.isLetter())
            return false;
    return true;
}

QStringList placeholders(const QString &text)
{
    QStringList out;
    static const QRegularExpression rx(QStringLiteral("%\\d"));
    for (auto it = rx.globalMatch(text); it.hasNext();)
        out << it.next().captured();
    out.sort();
    return out;
}

struct Entry
{
    const char *section, *key, *english;
};

// Whether a language needs this entry: every text but the forms of a counted
// text that its counting never takes.
bool formNeeded(const QString &code, const char *key)
{
    const int i = uiTextIndex(QLatin1String(key));
    if (i < 0 || !kUiTexts[i].formOf)
        return true;
    const QList<PluralForm> forms = pluralForms(code);
    switch (kUiTexts[i].form) {
    case '1': return forms.contains(PluralForm::One);
    case 'f': return forms.contains(PluralForm::Few);
    case 'm': return forms.contains(PluralForm::Many);
    }
    return true;
}

QList<Entry> everyText()
{
    QList<Entry> out;
    for (int i = 0; i < kLanguageCount; ++i)
        out << Entry{kLanguageTable[i].section, kLanguageTable[i].key, kLanguageTable[i].englishDefault};
    for (int i = 0; i < kUiTextCount; ++i)
        out << Entry{kUiTexts[i].section, kUiTexts[i].key, kUiTexts[i].englishDefault};
    return out;
}

// Whether an English text counts something in a placeholder ("%1 dice",
// "dice %1" for a list of them): such a text takes its forms by the count.
// Points are left out: they come in fives and thousands, which every shipped
// language writes with its plural. "Dice %1" beside "Die %1" is a pair of
// its own.
bool namesACount(const char *key, const QString &english)
{
    static const QRegularExpression count(
            QStringLiteral("%\\d (dic?e|rounds?|positions?|lines?|games?|mistakes?|blunders?|inaccurac(y|ies)|hours?|minutes?|seconds?)\\b"
                           "|\\bdice %\\d"),
            QRegularExpression::CaseInsensitiveOption);
    return qstrcmp(key, "sayDice") != 0 && count.match(english).hasMatch();
}

// The texts that carry an Alt letter, window by window. A text marked by the
// window itself takes its first letter.
struct Window
{
    const char *name;
    QList<const char *> keys;
    QList<const char *> firstLetter;
};

const QList<Window> &windows()
{
    static const QList<Window> all{
        {"practice", {"pracSource", "pracOnesAs", "pracFivesAs", "pracRoll", "pracDone", "pracAgain", "pracNext", "statClose"}, {}},
        {"statistics", {"statRules", "statReset", "statClose"}, {}},
        {"review", {"revWhichGame"}, {}},
        {"settings", {"btSave", "btCancel", "tsGen", "tsLang", "lWinnerTotal", "lLanguagePick"}, {"lRules"}},
        {"challenge", {"chalCodeLabel"}, {}},
    };
    return all;
}

// The letter Alt takes a control with: the one after a single ampersand.
QChar altLetter(const QString &text, bool firstLetter)
{
    for (int i = 0; i < text.size(); ++i) {
        if (firstLetter && text.at(i).isLetterOrNumber())
            return text.at(i).toLower();
        if (!firstLetter && text.at(i) == QLatin1Char('&') && i + 1 < text.size()) {
            if (text.at(i + 1) != QLatin1Char('&'))
                return text.at(i + 1).toLower();
            ++i;
        }
    }
    return QChar();
}

// The texts of a language by key (lower case); English for no code.
QHash<QString, QString> textsOf(const QString &code)
{
    if (!code.isEmpty())
        return translationTexts(code);
    QHash<QString, QString> out;
    for (const Entry &e : everyText())
        out.insert(QString::fromLatin1(e.key).toLower(), QString::fromUtf8(e.english));
    return out;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void everyTranslationIsWhole_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        const QList<Translation> shipped = shippedTranslations();
        if (shipped.isEmpty())
            QSKIP("no translation is shipped");
        for (const Translation &t : shipped)
            QTest::newRow(t.code.toUtf8().constData()) << t.code << t.name;
    }
    void everyTranslationIsWhole()
    {
        QFETCH(QString, code);
        QFETCH(QString, name);
        QVERIFY(!name.isEmpty() && name != code);
        const QHash<QString, QString> texts = translationTexts(code);
        const QSet<QString> keep = glossary(code).keepEnglish;
        QStringList same;
        for (const Entry &e : everyText()) {
            const QString key = QString::fromLatin1(e.key);
            const QString english = QString::fromUtf8(e.english);
            if (!texts.contains(key.toLower()) && !formNeeded(code, e.key))
                continue; // a form the language's counting never takes
            QVERIFY2(texts.contains(key.toLower()), qPrintable(code + QLatin1Char(':') + key + " is missing"));
            const QString text = texts.value(key.toLower());
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(code + QLatin1Char(':') + key + " is empty"));
            QCOMPARE(placeholders(text), placeholders(english));
            // A caption the game writes on keeps its trailing blank; the
            // game-type line adds a blank of its own, so lType may end
            // without one.
            if (key != QLatin1String("lType"))
                QCOMPARE(text.endsWith(QLatin1Char(' ')), english.endsWith(QLatin1Char(' ')));
            else
                QVERIFY2(!text.endsWith(QStringLiteral("  ")), qPrintable(code + QStringLiteral(":lType")));
            // A command that opens a dialog says so, in any language.
            if (english.endsWith(QLatin1String("...")))
                QVERIFY2(text.endsWith(QLatin1String("...")) || text.endsWith(QChar(0x2026)), qPrintable(key));
            if (text == english && !nothingToTranslate(english) && !keep.contains(key))
                same << key;
        }
        QVERIFY2(same.isEmpty(), qPrintable(code + QStringLiteral(" left in English: ") + same.join(QLatin1Char(' '))));
    }

    void nothingStraysIntoAnotherSection_data()
    {
        everyTranslationIsWhole_data();
    }
    void nothingStraysIntoAnotherSection()
    {
        // A key under a section that is not its own is never read, nor is
        // one of two copies of a key: a leftover copy only misleads whoever
        // edits the file.
        QFETCH(QString, code);
        QSet<QString> known{QStringLiteral("language/code"), QStringLiteral("language/name")};
        for (const Entry &e : everyText())
            known << (QLatin1String(e.section) + QLatin1Char('/') + QLatin1String(e.key)).toLower();
        QFile f(QStringLiteral(":/korvex/lang/") + code + QStringLiteral(".lng"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QString section;
        QStringList stray;
        QSet<QString> seen;
        const auto again = [&seen](const QString &key) {
            const bool was = seen.contains(key);
            seen.insert(key);
            return was;
        };
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            const QString l = line.trimmed();
            const QString key = (section + QLatin1Char('/') + l.section(QLatin1Char('='), 0, 0)).toLower();
            if (l.startsWith(QLatin1Char('[')) && l.endsWith(QLatin1Char(']')))
                section = l.mid(1, l.size() - 2);
            else if (l.contains(QLatin1Char('=')) && !l.startsWith(QLatin1Char(';'))
                     && (!known.contains(key) || again(key)))
                stray << key;
        }
        QVERIFY2(stray.isEmpty(), qPrintable(code + QStringLiteral(": ") + stray.join(QLatin1Char(' '))));
    }

    void countsReadAsANativeSpeakerSaysThem_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // for 1, 2, 5, 22 and 0.5 shown with two decimals
        const QList<QStringList> rows{
            // the spoken time, the review's counts and its rounds, the statistics' games
            {"de", "sayMinutes", "1 Minute|2 Minuten|5 Minuten|22 Minuten|0,50 Minuten"},
            {"de", "revCountBlunders", "1 grober Fehler|2 grobe Fehler|5 grobe Fehler|22 grobe Fehler|0,50 grobe Fehler"},
            {"de", "revLostRounds", "Durch Entscheidungen verloren: 1 Runde.|Durch Entscheidungen verloren: 2 Runden.|Durch Entscheidungen verloren: 5 Runden.|Durch Entscheidungen verloren: 22 Runden.|Durch Entscheidungen verloren: 0,50 Runden."},
            {"fr", "sayMinutes", "1 minute|2 minutes|5 minutes|22 minutes|0,50 minute"},
            {"fr", "revCountBlunders", "1 gaffe|2 gaffes|5 gaffes|22 gaffes|0,50 gaffe"},
            {"fr", "statResetCounted", "1 partie comptée|2 parties comptées|5 parties comptées|22 parties comptées|0,50 partie comptée"},
            {"es", "sayMinutes", "1 minuto|2 minutos|5 minutos|22 minutos|0,50 minutos"},
            {"es", "revCountBlunders", "1 error grave|2 errores graves|5 errores graves|22 errores graves|0,50 errores graves"},
            {"it", "sayMinutes", "1 minuto|2 minuti|5 minuti|22 minuti|0,50 minuti"},
            {"it", "revCountBlunders", "1 errore grave|2 errori gravi|5 errori gravi|22 errori gravi|0,50 errori gravi"},
            {"pt_BR", "sayMinutes", "1 minuto|2 minutos|5 minutos|22 minutos|0,50 minuto"},
            {"pt_BR", "revCountBlunders", "1 erro grave|2 erros graves|5 erros graves|22 erros graves|0,50 erro grave"},
            {"pl", "sayMinutes", "1 minuta|2 minuty|5 minut|22 minuty|0,50 minuty"},
            {"pl", "sayHours", "1 godzina|2 godziny|5 godzin|22 godziny|0,50 godziny"},
            {"pl", "revCountBlunders", "1 poważny błąd|2 poważne błędy|5 poważnych błędów|22 poważne błędy|0,50 poważnego błędu"},
            {"pl", "statResetCounted", "1 liczona gra|2 liczone gry|5 liczonych gier|22 liczone gry|0,50 liczonej gry"},
            {"cs", "sayMinutes", "1 minuta|2 minuty|5 minut|22 minut|0,50 minuty"},
            {"cs", "sayHours", "1 hodina|2 hodiny|5 hodin|22 hodin|0,50 hodiny"},
            {"cs", "revCountBlunders", "1 hrubá chyba|2 hrubé chyby|5 hrubých chyb|22 hrubých chyb|0,50 hrubé chyby"},
            {"hu", "sayMinutes", "1 perc|2 perc|5 perc|22 perc|0,50 perc"},
            {"hu", "revCountBlunders", "1 súlyos hiba|2 súlyos hiba|5 súlyos hiba|22 súlyos hiba|0,50 súlyos hiba"},
            {"nl", "sayMinutes", "1 minuut|2 minuten|5 minuten|22 minuten|0,50 minuten"},
            {"nl", "revCountBlunders", "1 blunder|2 blunders|5 blunders|22 blunders|0,50 blunders"},
            // a practice verdict's cost, in a language of each kind of counting
            {"de", "pracInGame", "In deinem Spiel hat er 1 Runde gekostet.|In deinem Spiel hat er 2 Runden gekostet.|In deinem Spiel hat er 5 Runden gekostet.|In deinem Spiel hat er 22 Runden gekostet.|In deinem Spiel hat er 0,50 Runden gekostet."},
            {"pl", "pracInGame", "W twojej grze kosztował 1 rundę.|W twojej grze kosztował 2 rundy.|W twojej grze kosztował 5 rund.|W twojej grze kosztował 22 rundy.|W twojej grze kosztował 0,50 rundy."},
            {"cs", "pracInGame", "Ve tvé hře stál 1 kolo.|Ve tvé hře stál 2 kola.|Ve tvé hře stál 5 kol.|Ve tvé hře stál 22 kol.|Ve tvé hře stál 0,50 kola."},
        };
        for (const QStringList &r : rows)
            QTest::newRow(qPrintable(r[0] + QLatin1Char(' ') + r[1])) << r[0] << r[1] << r[2];
    }
    void countsReadAsANativeSpeakerSaysThem()
    {
        QFETCH(QString, code);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TRegAuto lng;
        lng.setIniFile(QStringLiteral(":/korvex/lang/") + code + QStringLiteral(".lng"));
        loadUiTexts(lng);
        QLocale locale(code);
        QStringList said;
        for (const int n : {1, 2, 5, 22})
            said << uiPlural(key.toLatin1().constData(), n).arg(n);
        said << uiPlural(key.toLatin1().constData(), 0.5, 2).arg(locale.toString(0.5, 'f', 2));
        resetUiTexts();
        QCOMPARE(said.join(QLatin1Char('|')), expected);
    }

    void everyLanguageSaysEachThingOneWay_data()
    {
        everyTranslationIsWhole_data();
    }
    void everyLanguageSaysEachThingOneWay()
    {
        // Where the English names a thing of the game, the translation uses
        // the glossary's word for it; the words it avoids appear nowhere, not
        // in the rules document or the desktop entry either, and both use the
        // glossary's words too.
        QFETCH(QString, code);
        const Glossary g = glossary(code);
        for (auto it = g.terms.cbegin(); it != g.terms.cend(); ++it)
            QVERIFY2(it.value().isValid() && !it.value().pattern().isEmpty(), qPrintable(code + QLatin1Char(':') + it.key()));
        const QHash<QString, QString> texts = translationTexts(code);
        QStringList off;
        for (const Entry &e : everyText()) {
            const QString key = QString::fromLatin1(e.key);
            const QString text = texts.value(key.toLower());
            if (text.isEmpty())
                continue;
            for (const QString &term : termsNamed(key, QString::fromUtf8(e.english)))
                if (!g.terms.value(term).match(text).hasMatch())
                    off << key + QLatin1Char('/') + term;
            if (g.avoid.match(text).hasMatch())
                off << key + QStringLiteral("/avoided");
        }
        const QString rules = rulesText(code);
        QVERIFY(!rules.isEmpty());
        for (const QString &term : termsNamed(QString(), rulesText(QString())))
            if (!g.terms.value(term).match(rules).hasMatch())
                off << QStringLiteral("rules/") + term;
        const QRegularExpressionMatch avoidedInRules = g.avoid.match(rules);
        if (avoidedInRules.hasMatch())
            off << QStringLiteral("rules/avoided:") + avoidedInRules.captured();
        const QString desktop = desktopTexts(code);
        for (const char *term : {"dice", "bank"})
            if (!g.terms.value(QLatin1String(term)).match(desktop).hasMatch())
                off << QStringLiteral("desktop/") + QLatin1String(term);
        if (g.avoid.match(desktop).hasMatch())
            off << QStringLiteral("desktop/avoided");
        QVERIFY2(off.isEmpty(), qPrintable(code + QStringLiteral(": ") + off.join(QLatin1Char(' '))));
    }

    void everyCountHasItsForms_data()
    {
        QTest::addColumn<QString>("key");
        for (int i = 0; i < kUiTextCount; ++i)
            if (!kUiTexts[i].formOf && namesACount(kUiTexts[i].key, QString::fromUtf8(kUiTexts[i].englishDefault)))
                QTest::newRow(kUiTexts[i].key) << QString::fromLatin1(kUiTexts[i].key);
    }
    void everyCountHasItsForms()
    {
        // "1 dice" or "5 kostki" is what a counted text without its forms says.
        QFETCH(QString, key);
        QString forms;
        for (int i = 0; i < kUiTextCount; ++i)
            if (kUiTexts[i].formOf && key == QLatin1String(kUiTexts[i].formOf))
                forms += QLatin1Char(kUiTexts[i].form);
        std::sort(forms.begin(), forms.end());
        QCOMPARE(forms, QStringLiteral("1fm"));
    }

    void noTwoControlsShareAnAltLetter_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("en") << QString();
        for (const Translation &t : shippedTranslations())
            QTest::newRow(t.code.toUtf8().constData()) << t.code;
    }
    void noTwoControlsShareAnAltLetter()
    {
        // Two controls on one letter: Alt and the letter presses neither.
        QFETCH(QString, code);
        const QHash<QString, QString> texts = textsOf(code);
        QSet<QString> listed;
        QStringList clashes;
        for (const Window &w : windows()) {
            QHash<QChar, QString> taken;
            for (const bool first : {false, true}) {
                for (const char *key : first ? w.firstLetter : w.keys) {
                    listed << QString::fromLatin1(key).toLower();
                    const QChar letter = altLetter(texts.value(QString::fromLatin1(key).toLower()), first);
                    if (letter.isNull())
                        continue;
                    if (taken.contains(letter))
                        clashes << QStringLiteral("%1: %2/%3 on %4").arg(QLatin1String(w.name), taken.value(letter), QLatin1String(key), letter);
                    taken.insert(letter, QLatin1String(key));
                }
            }
        }
        QVERIFY2(clashes.isEmpty(), qPrintable(code + QStringLiteral(" ") + clashes.join(QStringLiteral("; "))));
        // A text with a letter belongs to a window above, so it is checked.
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            if (!altLetter(it.value(), false).isNull())
                QVERIFY2(listed.contains(it.key()), qPrintable(code + QLatin1Char(':') + it.key()));
    }

    void typographyFollowsTheLanguage_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("beforePercent"); // between a number and "%"
        QTest::addColumn<QString>("beforeColon");
        const QString none, noBreak(QChar(0x00A0));
        QTest::newRow("en") << QString() << none << none;
        for (const char *code : {"de", "es", "cs"})
            QTest::newRow(code) << QString::fromLatin1(code) << noBreak << none;
        QTest::newRow("fr") << QStringLiteral("fr") << noBreak << noBreak;
        for (const char *code : {"pl", "hu", "it", "pt_BR", "nl"})
            QTest::newRow(code) << QString::fromLatin1(code) << none << none;
    }
    void typographyFollowsTheLanguage()
    {
        // "27,8 %" with a space that never breaks in German, "27,8%" in
        // Polish; a colon straight after its word except in French.
        QFETCH(QString, code);
        QFETCH(QString, beforePercent);
        QFETCH(QString, beforeColon);
        const QHash<QString, QString> texts = textsOf(code);
        static const QRegularExpression percent(QStringLiteral("%\\d(\\s*)%(?!\\d)"), QRegularExpression::UseUnicodePropertiesOption);
        static const QRegularExpression colon(QStringLiteral("\\w(\\s*):"), QRegularExpression::UseUnicodePropertiesOption);
        QStringList off;
        for (const Entry &e : everyText()) {
            const QString key = QString::fromLatin1(e.key);
            // The fixed English captions keep their own spacing.
            if (code.isEmpty() && qstrcmp(e.section, "Caption") == 0)
                continue;
            const QString text = texts.value(key.toLower());
            for (auto it = percent.globalMatch(text); it.hasNext();)
                if (it.next().captured(1) != beforePercent)
                    off << key + QStringLiteral("/%");
            for (auto it = colon.globalMatch(text); it.hasNext();)
                if (it.next().captured(1) != beforeColon)
                    off << key + QStringLiteral("/:");
        }
        QVERIFY2(off.isEmpty(), qPrintable(code + QStringLiteral(": ") + off.join(QLatin1Char(' '))));
    }

    void unknownCodesGiveNothing_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("none") << QString();
        QTest::newRow("not shipped") << QStringLiteral("xx");
        QTest::newRow("a path") << QStringLiteral("../de");
        QTest::newRow("English") << QStringLiteral("en");
    }
    void unknownCodesGiveNothing()
    {
        QFETCH(QString, code);
        QVERIFY(translationTexts(code).isEmpty());
    }

    // Numbers as the language writes them; no code or an odd one is English.
    void numbersFollowTheLanguage()
    {
        for (const char *code : {"", "en", "../de"})
            QCOMPARE(localeFor(QLatin1String(code)).toString(27.777, 'f', 2), QStringLiteral("27.78"));
        for (const char *code : {"de", "hu"})
            QCOMPARE(localeFor(QLatin1String(code)).toString(27.777, 'f', 2), QStringLiteral("27,78"));
    }

    void theRulesFollowTheLanguageFile_data()
    {
        QTest::addColumn<QByteArray>("lng");
        QTest::addColumn<QString>("rules");
        QTest::newRow("no file") << QByteArray() << QStringLiteral("KVXRules.rtf");
        QTest::newRow("no code") << QByteArray("[Button]\nbtRoll=Werfen\n") << QStringLiteral("KVXRules.rtf");
        QTest::newRow("German") << QByteArray("[Language]\nCode=de\n") << QStringLiteral("KVXRules.de.rtf");
        QTest::newRow("no such rules") << QByteArray("[Language]\nCode=fr\n") << QStringLiteral("KVXRules.rtf");
        QTest::newRow("English") << QByteArray("[Language]\nCode=en\n") << QStringLiteral("KVXRules.rtf");
        QTest::newRow("a path") << QByteArray("[Language]\nCode=../de\n") << QStringLiteral("KVXRules.rtf");
        QTest::newRow("a folder") << QByteArray("[Language]\nCode=hu\n") << QStringLiteral("KVXRules.rtf");
    }
    void theRulesFollowTheLanguageFile()
    {
        // KVXRules.<code>.rtf where the language file names a code and that
        // file exists; else KVXRules.rtf, without a word.
        QFETCH(QByteArray, lng);
        QFETCH(QString, rules);
        QTemporaryDir dir;
        for (const char *name : {"KVXRules.rtf", "KVXRules.de.rtf"}) {
            QFile f(dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("KVXRules.hu.rtf")));
        TRegAuto store;
        store.setIniFile(dir.filePath(QStringLiteral("Korvex.lng")));
        if (!lng.isNull()) {
            QFile f(store.iniFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(lng);
        }
        QCOMPARE(rulesFileFor(dir.path(), languageCode(store)), dir.filePath(rules));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
