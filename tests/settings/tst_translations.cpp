// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped translations: every text there, its placeholders kept, nothing
// left in English by mistake; and which rules document a language file picks.
#include "settings/LanguageTable.h"
#include "settings/TRegAuto.h"
#include "settings/Translations.h"
#include "settings/UiTexts.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Texts that read the same in a language as in English, on purpose: the
// same word there, or the name printed on the key.
const QSet<QString> kSameOnPurpose{
    QStringLiteral("de:btStart"),     QStringLiteral("de:lType1"),      QStringLiteral("fr:lType1"),
    QStringLiteral("es:lType1"),      QStringLiteral("pt_BR:lType1"),   QStringLiteral("fr:sayMinute"),
    QStringLiteral("fr:sayMinutes"),  QStringLiteral("es:tsGen"),       QStringLiteral("es:lSubTotal"),
    QStringLiteral("es:lTotal"),      QStringLiteral("es:sayChoice"),   QStringLiteral("pt_BR:lSubTotal"),
    QStringLiteral("pt_BR:lTotal"),   QStringLiteral("pt_BR:sayChoice"), QStringLiteral("it:mFile"),
    QStringLiteral("nl:mHelp"),       QStringLiteral("pt_BR:keyEnter"), QStringLiteral("pl:keyEnter"),
    QStringLiteral("cs:keyEnter"),    QStringLiteral("hu:keyEnter"),    QStringLiteral("nl:keyEnter"),
    QStringLiteral("fr:statRulesPlain"),
};

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
    static const QRegularExpression rx(QStringLiteral("%\\\\d"));
    for (auto it = rx.globalMatch(text); it.hasNext();)
        out << it.next().captured();
    out.sort();
    return out;
}

struct Entry
{
    const char *section, *key, *english;
};

QList<Entry> everyText()
{
    QList<Entry> out;
    for (int i = 0; i < kLanguageCount; ++i)
        out << Entry{kLanguageTable[i].section, kLanguageTable[i].key, kLanguageTable[i].englishDefault};
    for (int i = 0; i < kUiTextCount; ++i)
        out << Entry{kUiTexts[i].section, kUiTexts[i].key, kUiTexts[i].englishDefault};
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
        QStringList same;
        for (const Entry &e : everyText()) {
            const QString key = QString::fromLatin1(e.key);
            const QString english = QString::fromUtf8(e.english);
            QVERIFY2(texts.contains(key.toLower()), qPrintable(code + QLatin1Char(':') + key + " is missing"));
            const QString text = texts.value(key.toLower());
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(code + QLatin1Char(':') + key + " is empty"));
            QCOMPARE(placeholders(text), placeholders(english));
            // The game-type line is built on the caption's own trailing blank.
            QCOMPARE(text.endsWith(QLatin1Char(' ')), english.endsWith(QLatin1Char(' ')));
            // A command that opens a dialog says so, in any language.
            if (english.endsWith(QLatin1String("...")))
                QVERIFY2(text.endsWith(QLatin1String("...")) || text.endsWith(QChar(0x2026)), qPrintable(key));
            if (text == english && !nothingToTranslate(english)
                && !kSameOnPurpose.contains(code + QLatin1Char(':') + key))
                same << key;
        }
        QVERIFY2(same.isEmpty(), qPrintable(code + QStringLiteral(" left in English: ") + same.join(QLatin1Char(' '))));
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

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
