// SPDX-License-Identifier: GPL-3.0-or-later
// The language table: keys, defaults, groups, and reading "Korvex.lng" into the texts.
#include "base/GameTexts.h"
#include "base/LanguageTable.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"
#include "support/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtTest>

class TestLanguage : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    TRegAuto m_lng;

    void put(const QByteArray &bytes)
    {
        QFile f(m_lng.iniFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QString def(int i) { return QString::fromUtf8(kLanguageTable[i].englishDefault); }
    static int at(const char *key)
    {
        const int i = languageIndex(QLatin1String(key));
        Q_ASSERT(i >= 0);
        return i;
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.make());
        m_lng.setIniFile(m_folder.filePath(QStringLiteral("Korvex.lng")));
    }
    void cleanup() { m_folder.remove(); }

    // --- the table ---

    void tableOrderAndSections()
    {
        // 41 distinct keys: 11 Button, 13 Label, 10 Menu, 7 Message, in that order.
        QSet<QString> keys;
        for (int i = 0; i < kLanguageCount; ++i) {
            const QString section = QLatin1String(kLanguageTable[i].section);
            const char *expected = i < 11 ? "Button" : i < 24 ? "Label" : i < 34 ? "Menu" : "Message";
            QCOMPARE(section, QLatin1String(expected));
            keys.insert(QString::fromLatin1(kLanguageTable[i].key).toLower());
        }
        QCOMPARE(keys.size(), 41);
        QCOMPARE(QLatin1String(kLanguageTable[0].key), QLatin1String("btRoll"));
        QCOMPARE(QLatin1String(kLanguageTable[9].key), QLatin1String("tsGen"));
        QCOMPARE(QLatin1String(kLanguageTable[22].key), QLatin1String("lType"));
        QCOMPARE(QLatin1String(kLanguageTable[29].key), QLatin1String("aExit"));
        QCOMPARE(QLatin1String(kLanguageTable[40].key), QLatin1String("msgNoSel"));
    }

    void groups()
    {
        // Keys 5-7 belong to the top-ten dialog (A), keys 8-13 to the settings dialog (B), the rest to none.
        for (int i = 0; i < kLanguageCount; ++i) {
            const char expected = (i >= 4 && i <= 6) ? 'A' : (i >= 7 && i <= 12) ? 'B' : 0;
            QCOMPARE(kLanguageTable[i].group, expected);
        }
    }

    void defaultsExactly()
    {
        // The English defaults are the designed wording, blanks and typos included.
        QCOMPARE(def(at("lType")), QStringLiteral("Game type: "));
        QCOMPARE(def(at("btCont")), QStringLiteral("Continue"));
        QCOMPARE(def(at("aSettings")), QStringLiteral("Game settings..."));
        QCOMPARE(def(at("msgNoSel")), QStringLiteral("You did'n selected any dice !"));
        QCOMPARE(def(at("msgExact")), QStringLiteral("Sorry ! You have to reach exactly the final %1 point score !"));
        QCOMPARE(def(at("msgBadIn")), QStringLiteral("Sorry ! Your total score can't be in the 400-500 point-intervallum !"));
        QCOMPARE(def(at("lWinnerTotal")), QStringLiteral("Winner Total:"));
    }

    void defaultsMatchEngineTexts()
    {
        // Without a language file the engine's texts stay exactly its built-in defaults.
        const GameTexts builtIn;
        GameTexts t;
        t.s10 = t.s5 = t.lType1 = t.lType2 = t.sLGT1 = t.sLGT2 = t.lType = t.lTime = QStringLiteral("x");
        t.msgCrash = t.msgFail = t.msgBadIn = t.msgExact = t.msgWin = t.msgNewHi = t.msgNoSel = QStringLiteral("x");
        applyToTexts(readLanguage(m_lng, false, false), t);
        QCOMPARE(t.s10, builtIn.s10);
        QCOMPARE(t.s5, builtIn.s5);
        QCOMPARE(t.lType1, builtIn.lType1);
        QCOMPARE(t.lType2, builtIn.lType2);
        QCOMPARE(t.sLGT1, builtIn.sLGT1);
        QCOMPARE(t.sLGT2, builtIn.sLGT2);
        QCOMPARE(t.lType, builtIn.lType);
        QCOMPARE(t.lTime, builtIn.lTime);
        QCOMPARE(t.msgCrash, builtIn.msgCrash);
        QCOMPARE(t.msgFail, builtIn.msgFail);
        QCOMPARE(t.msgBadIn, builtIn.msgBadIn);
        QCOMPARE(t.msgExact, builtIn.msgExact);
        QCOMPARE(t.msgWin, builtIn.msgWin);
        QCOMPARE(t.msgNewHi, builtIn.msgNewHi);
        QCOMPARE(t.msgNoSel, builtIn.msgNoSel);
    }

    void eachKeyFeedsTheTextOfItsName()
    {
        // A key that sets an engine text sets the one of its name and no other.
        for (const LangEntry &e : kLanguageTable) {
            if (e.variable)
                m_lng.WriteString(QLatin1String(e.section), QLatin1String(e.key), QLatin1String(e.key));
        }
        GameTexts t;
        applyToTexts(readLanguage(m_lng, false, false), t);
        const QStringList got{t.s10,     t.s5,      t.lType1,   t.lType2,   t.sLGT1,
                              t.sLGT2,   t.lType,   t.lTime,    t.msgCrash, t.msgFail,
                              t.msgBadIn, t.msgExact, t.msgWin, t.msgNewHi, t.msgNoSel};
        QCOMPARE(got, QStringList({"s10", "s5", "lType1", "lType2", "sLGT1", "sLGT2", "lType", "lTime",
                                   "msgCrash", "msgFail", "msgBadIn", "msgExact", "msgWin", "msgNewHi", "msgNoSel"}));
    }

    void indexLookup()
    {
        // Keys are found in any case; names outside the table are not.
        QCOMPARE(languageIndex(QStringLiteral("btRoll")), 0);
        QCOMPARE(languageIndex(QStringLiteral("AEXIT")), 29);
        QCOMPARE(languageIndex(QStringLiteral("msgNoSel")), 40);
        QCOMPARE(languageIndex(QStringLiteral("btExit")), -1);
        QCOMPARE(languageIndex(QString()), -1);
    }

    // --- reading ---

    void missingFileGivesDefaultsAndSkipsGroups()
    {
        // No language file: every read key is its default, skipped groups stay empty, and no file appears.
        const LanguageTexts t = readLanguage(m_lng, false, false);
        for (int i = 0; i < kLanguageCount; ++i) {
            if (kLanguageTable[i].group)
                QVERIFY2(!t[i].has_value(), kLanguageTable[i].key);
            else
                QCOMPARE(*t[i], def(i));
        }
        QVERIFY(!QFile::exists(m_lng.iniFile()));
    }

    void groupsReadOnlyWhenAsked()
    {
        // A group is read only while its dialog exists, each independently.
        put("[Button]\nbtClose=Bezárás\nbtSave=Mentés\n");
        const LanguageTexts onlyA = readLanguage(m_lng, true, false);
        QCOMPARE(*onlyA[at("btClose")], QString::fromUtf8("Bezárás"));
        QCOMPARE(*onlyA[at("btChange")], QStringLiteral("Change"));
        QVERIFY(!onlyA[at("btSave")].has_value());
        const LanguageTexts onlyB = readLanguage(m_lng, false, true);
        QVERIFY(!onlyB[at("btClose")].has_value());
        QCOMPARE(*onlyB[at("btSave")], QString::fromUtf8("Mentés"));
        QCOMPARE(*onlyB[at("lRules")], QStringLiteral("Rules:"));
    }

    void onlyAExitSet()
    {
        // A file that sets only "aExit" changes that entry (which btExit follows) and nothing else.
        put("[Menu]\naExit=Kilépés\n");
        const LanguageTexts t = readLanguage(m_lng, true, true);
        for (int i = 0; i < kLanguageCount; ++i)
            QCOMPARE(*t[i], i == at("aExit") ? QString::fromUtf8("Kilépés") : def(i));
    }

    void keysOnlyInTheirSection()
    {
        // A key is read only from its own section; names the table does not list are never read.
        put("[Label]\naExit=wrong section\n[Button]\nbtExit=not in table\n[Menu]\nAEXIT=right\n");
        const LanguageTexts t = readLanguage(m_lng, true, true);
        QCOMPARE(*t[at("aExit")], QStringLiteral("right"));
        for (int i = 0; i < kLanguageCount; ++i) {
            if (i != at("aExit"))
                QCOMPARE(*t[i], def(i));
        }
    }

    void emptyValueIsAValue()
    {
        // An empty value in the file makes the text empty instead of falling back to English.
        put("[Message]\nmsgWin=\n[Label]\nlType=\n");
        GameTexts texts;
        applyToTexts(readLanguage(m_lng, false, false), texts);
        QVERIFY(texts.msgWin.isEmpty());
        QVERIFY(texts.lType.isEmpty());
        QCOMPARE(texts.gameTypeLabel(1, 1000), QStringLiteral(" Normal / 1000"));
    }

    void windows1252FileApplies()
    {
        // A German file saved as Windows-1252 gives its accented texts to the engine.
        put("[Label]\r\nlType=Spieltyp: \r\nlType2=Zeit\r\n[Message]\r\nmsgWin=Gl\xFC" "ckwunsch !\r\nmsgFail=Runde verloren \x96 schade\r\n");
        GameTexts texts;
        applyToTexts(readLanguage(m_lng, false, false), texts);
        QCOMPARE(texts.msgWin, QString::fromUtf8("Glückwunsch !"));
        QCOMPARE(texts.msgFail, QString::fromUtf8("Runde verloren – schade"));
        QCOMPARE(texts.lType, QStringLiteral("Spieltyp:"));
        QCOMPARE(texts.gameTypeLabel(2, 1000), QStringLiteral("Spieltyp: Zeit / 1000"));
    }

    void eightBitFileReadInItsLanguagesCodePage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("win");
        const QByteArray text = "[Message]\r\nmsgWin=Brawo \xB3\xB9\xF5 !\r\n";
        QTest::newRow("Polish") << "[Language]\r\nCode=pl\r\n" + text << QString::fromUtf8("Brawo łąő !");
        QTest::newRow("Hungarian, code quoted, after the texts") << text + "[ language ]\r\ncode = \"hu\"\r\n" << QString::fromUtf8("Brawo łąő !");
        QTest::newRow("Czech of Czechia") << "[Language]\r\nCode=cs_CZ\r\n" + text << QString::fromUtf8("Brawo łąő !");
        QTest::newRow("German") << "[Language]\r\nCode=de\r\n" + text << QString::fromUtf8("Brawo ³¹õ !");
        QTest::newRow("no code") << text << QString::fromUtf8("Brawo ³¹õ !");
        QTest::newRow("a code elsewhere") << "[Other]\r\nCode=pl\r\n" + text << QString::fromUtf8("Brawo ³¹õ !");
    }
    void eightBitFileReadInItsLanguagesCodePage()
    {
        // A file that is not UTF-8 is in the Windows code page of the language it names.
        QFETCH(QByteArray, file);
        QFETCH(QString, win);
        put(file);
        GameTexts texts;
        applyToTexts(readLanguage(m_lng, false, false), texts);
        QCOMPARE(texts.msgWin, win);
    }

    void countedTextsTakeTheirForm()
    {
        // English without a file; then a Polish file that lacks a form: the
        // file's own plural stands in for it, never the English one.
        resetUiTexts();
        QCOMPARE(uiPlural("revCountBlunders", 1).arg(1), QStringLiteral("1 blunder"));
        QCOMPARE(uiPlural("revCountBlunders", 1.0, 2).arg(QStringLiteral("1.00")), QStringLiteral("1.00 blunders"));
        QCOMPARE(uiPlural("advThenRoll", 1).arg(1), QStringLiteral("then roll 1 die"));
        QCOMPARE(uiPlural("advThenRoll", 0).arg(0), QStringLiteral("then roll 0 dice"));
        QCOMPARE(uiPlural("sayHours", 2).arg(2), QStringLiteral("2 hours"));
        put("[Language]\nCode=pl\n[Speech]\nsayMinute=%1 minuta\nsayMinutes=%1 minut\nsayMinutesFew=%1 minuty\n");
        loadUiTexts(m_lng);
        QCOMPARE(uiLanguage(), QStringLiteral("pl"));
        QStringList said;
        for (const int n : {1, 2, 5, 12, 22, 101})
            said << uiPlural("sayMinutes", n).arg(n);
        said << uiPlural("sayMinutes", 0.25, 2).arg(QStringLiteral("0,25"));
        QCOMPARE(said.join(QLatin1Char('|')),
                 QString::fromUtf8("1 minuta|2 minuty|5 minut|12 minut|22 minuty|101 minut|0,25 minut"));
        QCOMPARE(uiPlural("saySeconds", 3).arg(3), QStringLiteral("3 seconds")); // not in the file at all
        resetUiTexts();
    }

    void readingWritesNothing()
    {
        // The loader leaves the file byte for byte as it was, even a Windows-1252 one.
        const QByteArray before = "[Menu]\naExit=Schlie\xDF" "en\n";
        put(before);
        const QDateTime stamp = QFileInfo(m_lng.iniFile()).lastModified();
        readLanguage(m_lng, true, true);
        QFile f(m_lng.iniFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QCOMPARE(QFileInfo(m_lng.iniFile()).lastModified(), stamp);
    }

    void writtenTextsReadBack()
    {
        // What the language editor writes, trailing blank of "lType" included, the loader reads back.
        m_lng.WriteString(QStringLiteral("Label"), QStringLiteral("lType"), QStringLiteral("Játék típusa: "));
        m_lng.WriteString(QStringLiteral("Label"), QStringLiteral("lType1"), QStringLiteral("Normál"));
        GameTexts texts;
        applyToTexts(readLanguage(m_lng, false, false), texts);
        QCOMPARE(texts.gameTypeLabel(1, 1000), QString::fromUtf8("Játék típusa:  Normál / 1000"));
    }

    // --- labels built from the texts ---

    // --- the added texts ---

    void addedTextsHaveSectionsOfTheirOwn()
    {
        // Every added key is unique over both tables and stays out of the
        // original four sections, so an older file reads as it did.
        QSet<QString> keys;
        for (int i = 0; i < kLanguageCount; ++i)
            keys.insert(QString::fromLatin1(kLanguageTable[i].key).toLower());
        const QSet<QString> original{"Button", "Label", "Menu", "Message"};
        for (int i = 0; i < kUiTextCount; ++i) {
            const UiTextEntry &e = kUiTexts[i];
            QVERIFY2(!original.contains(QLatin1String(e.section)), e.key);
            QVERIFY2(!keys.contains(QString::fromLatin1(e.key).toLower()), e.key);
            keys.insert(QString::fromLatin1(e.key).toLower());
            QVERIFY2(*e.englishDefault, e.key);
            QCOMPARE(uiTextIndex(QString::fromLatin1(e.key).toUpper()), i);
        }
        QCOMPARE(uiTextIndex(QStringLiteral("btRoll")), -1);
    }

    void addedTextsReadFromTheFile()
    {
        // A file sets what it names; the rest keep their English defaults; an
        // older file without the new sections gives the defaults throughout.
        resetUiTexts();
        QCOMPARE(uiText("mHelp"), QStringLiteral("Help"));
        put("[Menu]\nmFile=Datei\n[Help]\nmHelp=Hilfe\naKeys=\n");
        loadUiTexts(m_lng);
        QCOMPARE(uiText("mHelp"), QStringLiteral("Hilfe"));
        QCOMPARE(uiText("aKeys"), QString()); // an empty value is a value
        QCOMPARE(uiText("aAbout"), QStringLiteral("About Korvex"));
        put("[Menu]\nmFile=Datei\n");
        loadUiTexts(m_lng);
        for (int i = 0; i < kUiTextCount; ++i)
            QCOMPARE(uiText(kUiTexts[i].key), QString::fromUtf8(kUiTexts[i].englishDefault));
        QCOMPARE(uiText("noSuchKey"), QStringLiteral("noSuchKey"));
        resetUiTexts();
    }

    void gameTypeLabel()
    {
        // With the defaults there are two blanks after the colon; Type picks the name and the result label.
        GameTexts texts;
        applyToTexts(readLanguage(m_lng, false, false), texts);
        QCOMPARE(texts.gameTypeLabel(1, 1000), QStringLiteral("Game type:  Normal / 1000"));
        QCOMPARE(texts.gameTypeLabel(2, 3000), QStringLiteral("Game type:  Time / 3000"));
        QCOMPARE(texts.resultLabel(2), QStringLiteral("Your time:"));
        QCOMPARE(texts.resultLabel(1), QStringLiteral("Your score:"));
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
