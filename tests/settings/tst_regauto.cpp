// SPDX-License-Identifier: GPL-3.0-or-later
// The INI store: layout rules, number forms, writes that keep the rest, encodings, failures.
#include "base/KvxError.h"
#include "base/FileLock.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"
#include "support/HostileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class TestRegAuto : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name = QStringLiteral("t.ini")) const { return m_dir->filePath(name); }
    void put(const QByteArray &bytes, const QString &name = QStringLiteral("t.ini")) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray get(const QString &name = QStringLiteral("t.ini")) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    TRegAuto ini(const QString &name = QStringLiteral("t.ini")) const { return TRegAuto(path(name)); }
    // One value stored under [S] K, read back through ReadString.
    QString readStored(const QByteArray &valuePart)
    {
        put("[S]\r\nK=" + valuePart + "\r\n");
        return ini().ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("<def>"));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        // a read-only test file must not stop the folder from going away
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        m_dir.reset();
    }

    // --- several keys at once ---

    void severalKeysAtOnceAsOneByOne()
    {
        // One writing of several keys leaves the bytes that one write per key leaves,
        // and a refused writing changes nothing.
        const QByteArray start("; kept\r\n[Help]\r\nmHelp=Hilfe\r\n\r\n[Button]\r\nbtRoll=Roll\r\n");
        const QList<TRegAuto::Entry> entries{{"Help", "mHelp", "Aide"},
                                             {"Help", "aKeys", ""},
                                             {"Speech", "sayRolled", " Rolled %1. "},
                                             {"Language", "Code", "fr"}};
        put(start, QStringLiteral("one.ini"));
        put(start, QStringLiteral("all.ini"));
        TRegAuto one = ini(QStringLiteral("one.ini"));
        for (const TRegAuto::Entry &e : entries)
            one.WriteString(e.section, e.key, e.value);
        ini(QStringLiteral("all.ini")).WriteStrings(entries);
        QCOMPARE(get(QStringLiteral("all.ini")), get(QStringLiteral("one.ini")));
        QCOMPARE(ini(QStringLiteral("all.ini")).ReadString(QStringLiteral("Speech"), QStringLiteral("sayRolled"), {}),
                 QStringLiteral(" Rolled %1. "));

        QVERIFY(QFile::setPermissions(path(QStringLiteral("all.ini")), QFile::ReadOwner));
        const QByteArray before = get(QStringLiteral("all.ini"));
        QVERIFY_THROWS_EXCEPTION(KvxError, ini(QStringLiteral("all.ini")).WriteStrings({{"Help", "mHelp", "x"}}));
        QCOMPARE(get(QStringLiteral("all.ini")), before);
        QFile::setPermissions(path(QStringLiteral("all.ini")), QFile::ReadOwner | QFile::WriteOwner);
    }

    // --- numbers and switches ---

    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "123" << true << 123;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("minus") << "-45" << true << -45;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("leading blanks") << "   12" << true << 12;
        QTest::newRow("leading tab") << "\t12" << true << 12;
        QTest::newRow("0x prefix") << "0x7D0" << true << 2000;
        QTest::newRow("0X prefix, lower digits") << "0X7d0" << true << 2000;
        QTest::newRow("0x zero") << "0x0" << true << 0;
        QTest::newRow("0x all ones is -1") << "0xFFFFFFFF" << true << -1;
        QTest::newRow("0x past 32 bits") << "0x100000000" << false << 0;
        QTest::newRow("bare 0x") << "0x" << false << 0;
        QTest::newRow("0x bad digit") << "0x7G" << false << 0;
        QTest::newRow("0x with sign after") << "0x-5" << false << 0;
        QTest::newRow("dollar") << "$7D0" << true << 2000;
        QTest::newRow("x") << "x10" << true << 16;
        QTest::newRow("X") << "X1f" << true << 31;
        QTest::newRow("minus dollar") << "-$10" << true << -16;
        QTest::newRow("blanks sign dollar") << "  +$A" << true << 10;
        QTest::newRow("bare dollar") << "$" << false << 0;
        QTest::newRow("int max") << "2147483647" << true << 2147483647;
        QTest::newRow("int min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("past int max") << "2147483648" << false << 0;
        QTest::newRow("past int min") << "-2147483649" << false << 0;
        QTest::newRow("huge") << "99999999999999999999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("word") << "abc" << false << 0;
        QTest::newRow("trailing text") << "12abc" << false << 0;
        QTest::newRow("trailing blank") << "12 " << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("two signs") << "+-1" << false << 0;
        QTest::newRow("sign alone") << "-" << false << 0;
        QTest::newRow("blank after sign") << "- 5" << false << 0;
        QTest::newRow("sign before 0x") << "-0x10" << false << 0;
        QTest::newRow("grouped") << "1,000" << false << 0;
    }
    void parseInteger()
    {
        // Integer text forms: decimal, 0x only with digits after it, $ and x hexadecimal, one sign, nothing after.
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int got = 4242;
        QCOMPARE(TRegAuto::parseInteger(text, &got), ok);
        QCOMPARE(got, ok ? value : 4242);
    }

    void readIntegerFromFile_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("hex 2000") << QByteArray("0x7D0") << 2000;
        QTest::newRow("blanks around") << QByteArray("   -3   ") << -3;
        QTest::newRow("quoted leading blanks") << QByteArray("\"  12\"") << 12;
        QTest::newRow("empty") << QByteArray("") << 1000;
        QTest::newRow("text") << QByteArray("lots") << 1000;
        QTest::newRow("too big") << QByteArray("4294967296") << 1000;
    }
    void readIntegerFromFile()
    {
        // ReadInteger reads the stored text with the integer rules; anything else gives the default.
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        put("[S]\nK=" + stored + "\n");
        QCOMPARE(ini().ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 1000), expected);
    }

    void readBool_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("def");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1") << QByteArray("1") << false << true;
        QTest::newRow("0") << QByteArray("0") << true << false;
        QTest::newRow("2 is on") << QByteArray("2") << false << true;
        QTest::newRow("-1 is on") << QByteArray("-1") << false << true;
        QTest::newRow("hex zero off") << QByteArray("0x0") << true << false;
        QTest::newRow("hex on") << QByteArray("$A") << false << true;
        QTest::newRow("yes, default off") << QByteArray("yes") << false << false;
        QTest::newRow("yes, default on") << QByteArray("yes") << true << true;
        QTest::newRow("true is a word") << QByteArray("true") << false << false;
        QTest::newRow("empty, default on") << QByteArray("") << true << true;
        QTest::newRow("empty, default off") << QByteArray("") << false << false;
    }
    void readBool()
    {
        // A switch is any non-zero number; a word reads as the default.
        QFETCH(QByteArray, stored);
        QFETCH(bool, def);
        QFETCH(bool, expected);
        put("[S]\nK=" + stored + "\n");
        QCOMPARE(ini().ReadBool(QStringLiteral("S"), QStringLiteral("K"), def), expected);
    }

    void writeNumbersAndSwitches()
    {
        // Integers are written in plain decimal, switches as 1 and 0.
        TRegAuto s = ini();
        s.WriteInteger(QStringLiteral("S"), QStringLiteral("Min"), -2147483647 - 1);
        s.WriteInteger(QStringLiteral("S"), QStringLiteral("Zero"), 0);
        s.WriteBool(QStringLiteral("S"), QStringLiteral("On"), true);
        s.WriteBool(QStringLiteral("S"), QStringLiteral("Off"), false);
        QCOMPARE(get(), QByteArray("[S]\r\nMin=-2147483648\r\nZero=0\r\nOn=1\r\nOff=0\r\n"));
        QCOMPARE(s.ReadInteger(QStringLiteral("S"), QStringLiteral("Min"), 5), -2147483647 - 1);
        QCOMPARE(s.ReadBool(QStringLiteral("S"), QStringLiteral("On"), false), true);
        QCOMPARE(s.ReadBool(QStringLiteral("S"), QStringLiteral("Off"), true), false);
    }

    // --- reading the layout ---

    void readMissingFileCreatesNothing()
    {
        // A read of a missing file gives the default and leaves no file behind.
        const TRegAuto s = ini();
        QCOMPARE(s.ReadString(QStringLiteral("Game"), QStringLiteral("Winner"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(s.ReadInteger(QStringLiteral("Game"), QStringLiteral("Winner"), 1000), 1000);
        QCOMPARE(s.ReadBool(QStringLiteral("Game"), QStringLiteral("Valid"), false), false);
        QVERIFY(!QFile::exists(path()));
        QVERIFY(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void namesIgnoreCaseAndBlanks()
    {
        // Section and key names match in any case, with blanks around names and "=" ignored.
        put("  [ game ]  \r\n   wInNeR   =   2500   \r\n");
        QCOMPARE(ini().ReadString(QStringLiteral("GAME"), QStringLiteral("Winner"), QString()), QStringLiteral("2500"));
    }

    void quotesAndBlanks_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double quotes keep inner blanks") << QByteArray("  \"  a b  \"  ") << QStringLiteral("  a b  ");
        QTest::newRow("single quotes") << QByteArray("'x'") << QStringLiteral("x");
        QTest::newRow("only one pair") << QByteArray("\"\"x\"\"") << QStringLiteral("\"x\"");
        QTest::newRow("mismatched quotes stay") << QByteArray("\"x'") << QStringLiteral("\"x'");
        QTest::newRow("lone quote stays") << QByteArray("\"") << QStringLiteral("\"");
        QTest::newRow("empty quotes") << QByteArray("\"\"") << QString();
        QTest::newRow("inner quote stays") << QByteArray("did'n") << QStringLiteral("did'n");
        QTest::newRow("no inline comment") << QByteArray("1 ; note") << QStringLiteral("1 ; note");
        QTest::newRow("second equals is text") << QByteArray("a=b") << QStringLiteral("a=b");
        QTest::newRow("empty value is a value") << QByteArray("") << QString();
    }
    void quotesAndBlanks()
    {
        // Blanks around a value go, one pair of matching outer quotes goes, everything else stays.
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        const QString got = readStored(stored);
        QCOMPARE(got, expected);
        QVERIFY(!got.isNull() || expected.isEmpty());
    }

    void commentLines()
    {
        // Lines starting with ";" (after blanks) are comments, also when they look like keys or sections.
        put(";[S]\r\n[S]\r\n;K=1\r\n   ; K=2\r\nK=3\r\n;[T]\r\nL=4\r\n");
        const TRegAuto s = ini();
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("3"));
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("L"), QString()), QStringLiteral("4"));
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral(";K"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(s.ReadString(QStringLiteral("T"), QStringLiteral("L"), QStringLiteral("d")), QStringLiteral("d"));
    }

    void duplicateKeysAndSections()
    {
        // The first of two equal keys wins; only the first of two equal sections is searched.
        put("[S]\nK=first\nk=second\n[T]\nX=1\n[s]\nK=third\nOnlyLater=5\n");
        const TRegAuto s = ini();
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), QStringLiteral("first"));
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("OnlyLater"), QStringLiteral("d")), QStringLiteral("d"));
    }

    void sectionLineTailAndKeylessLines()
    {
        // Text after "]" is ignored; a line without "=" has no value; keys before any section cannot be read.
        put("K=0\n[S] trailing words\nK\nK=later\nM=1\n");
        const TRegAuto s = ini();
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("M"), QString()), QStringLiteral("1"));
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
        QCOMPARE(s.ReadString(QString(), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::addColumn<QByteArray>("bom");
        const QByteArray bom("\xEF\xBB\xBF");
        QTest::newRow("CR only") << QByteArray("\r") << QByteArray();
        QTest::newRow("LF") << QByteArray("\n") << QByteArray();
        QTest::newRow("CRLF") << QByteArray("\r\n") << QByteArray();
        QTest::newRow("byte-order mark, CR only") << QByteArray("\r") << bom;
        QTest::newRow("byte-order mark, CRLF") << QByteArray("\r\n") << bom;
        // A mark before bytes that are no UTF-8: not part of the first line either.
        QTest::newRow("byte-order mark, Windows-1252") << QByteArray("\n") << bom;
    }
    void lineEnds()
    {
        // CR, LF and CRLF files all read, with a byte-order mark too, and a
        // write keeps the file's own line end.
        QFETCH(QByteArray, eol);
        QFETCH(QByteArray, bom);
        const bool western = QByteArray(QTest::currentDataTag()).endsWith("1252");
        if (western) {
            put(bom + "[A]\nX=1\nW=caf\xE9\n");
            QCOMPARE(ini().ReadString(QStringLiteral("A"), QStringLiteral("X"), QString()), QStringLiteral("1"));
            QCOMPARE(ini().ReadString(QStringLiteral("A"), QStringLiteral("W"), QString()), QStringLiteral("caf\u00e9"));
            return;
        }
        put(bom + "[A]" + eol + "X=1" + eol + "[B]" + eol + "Y=2" + eol);
        TRegAuto s = ini();
        QCOMPARE(s.ReadString(QStringLiteral("A"), QStringLiteral("X"), QString()), QStringLiteral("1"));
        QCOMPARE(s.ReadString(QStringLiteral("B"), QStringLiteral("Y"), QString()), QStringLiteral("2"));
        QCOMPARE(s.ReadString(QStringLiteral("A"), QStringLiteral("Y"), QStringLiteral("d")), QStringLiteral("d"));
        s.WriteString(QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("3"));
        QCOMPARE(get(), bom + "[A]" + eol + "X=1" + eol + "Z=3" + eol + "[B]" + eol + "Y=2" + eol);
    }

    void longValueIsCut()
    {
        // A 3,000-character value reads as its first 2,047 characters.
        const QByteArray value(3000, 'v');
        QCOMPARE(readStored(value), QString(TRegAuto::MaxValueLength, QLatin1Char('v')));
        QCOMPARE(TRegAuto::MaxValueLength, 2047);
    }

    void readSeesChangesBetweenCalls()
    {
        // No cache: each read sees the file as it is now.
        put("[S]\nK=1\n");
        const TRegAuto s = ini();
        QCOMPARE(s.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 1);
        put("[S]\nK=2\n");
        QCOMPARE(s.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 0), 2);
    }

    void relativePathIsTakenFromProgramFolder()
    {
        // A relative file name lives beside the executable.
        const TRegAuto s(QStringLiteral("Korvex.cnf"));
        QCOMPARE(s.fullPath(), QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/Korvex.cnf")));
        QCOMPARE(ini().fullPath(), QDir::cleanPath(path()));
    }

    // --- writing ---

    void writeChangesOnlyItsLine_data()
    {
        QTest::addColumn<QByteArray>("before"); // "<missing>": no file
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("first write creates the file") << QByteArray("<missing>") << QStringLiteral("Game") << QStringLiteral("Winner") << QByteArray("[Game]\r\nWinner=v\r\n");
        // Comments, order, other keys and the key's spelling stay.
        const QByteArray kept = "; made by hand\r\nStray=1\r\n[game]\r\n\tWINNER =  5   \r\n; note\r\nType=2\r\n\r\n[Other]\r\nWinner=9\r\n";
        QTest::newRow("replace") << kept << QStringLiteral("Game") << QStringLiteral("Winner") << QByteArray(kept).replace("\tWINNER =  5   ", "\tWINNER =  v");
        // After the section's last key, ahead of the blank lines before the next section.
        QTest::newRow("new key") << QByteArray("[A]\nX=1\n; about A\nY=2\n\n[B]\nZ=3\n") << QStringLiteral("a") << QStringLiteral("New")
                                 << QByteArray("[A]\nX=1\n; about A\nY=2\nNew=v\n\n[B]\nZ=3\n");
        QTest::newRow("new key, empty section") << QByteArray("[A]\n[B]\nZ=3\n") << QStringLiteral("A") << QStringLiteral("K") << QByteArray("[A]\nK=v\n[B]\nZ=3\n");
        QTest::newRow("new section at the end") << QByteArray("[A]\r\nX=1\r\n") << QStringLiteral("B") << QStringLiteral("Y") << QByteArray("[A]\r\nX=1\r\n[B]\r\nY=v\r\n");
        QTest::newRow("no last line break, new key") << QByteArray("[A]\nX=1") << QStringLiteral("A") << QStringLiteral("Y") << QByteArray("[A]\nX=1\nY=v");
        QTest::newRow("no last line break, new section") << QByteArray("[A]\nX=1") << QStringLiteral("B") << QStringLiteral("Z") << QByteArray("[A]\nX=1\n[B]\nZ=v");
        // Into the first of two equal sections, where reads look.
        QTest::newRow("duplicate sections") << QByteArray("[S]\nK=1\n[S]\nL=2\n") << QStringLiteral("S") << QStringLiteral("L") << QByteArray("[S]\nK=1\nL=v\n[S]\nL=2\n");
        // A key line without "=" is the key: it gets the value, no second line.
        QTest::newRow("keyless line") << QByteArray("[S]\nK  \nM=1\n") << QStringLiteral("S") << QStringLiteral("k") << QByteArray("[S]\nK=v\nM=1\n");
    }
    void writeChangesOnlyItsLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        if (before != "<missing>")
            put(before);
        TRegAuto s = ini();
        s.WriteString(section, key, QStringLiteral("v"));
        QFETCH(QByteArray, after);
        QCOMPARE(get(), after);
        QCOMPARE(s.ReadString(section, key, QString()), QStringLiteral("v"));
    }

    void valuesSurviveWriteAndRead_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("trailing blank") << QStringLiteral("Game type: ");
        QTest::newRow("leading blanks") << QStringLiteral("  x");
        QTest::newRow("wrapped in quotes") << QStringLiteral("\"quoted\"");
        QTest::newRow("wrapped in single quotes") << QStringLiteral("'q'");
        QTest::newRow("quote inside") << QStringLiteral("You did'n selected any dice !");
        QTest::newRow("semicolon first") << QStringLiteral("; not a comment");
        QTest::newRow("bracket first") << QStringLiteral("[not a section]");
        QTest::newRow("equals") << QStringLiteral("a=b");
        QTest::newRow("empty") << QString();
        QTest::newRow("placeholder") << QStringLiteral("final %1 point");
    }
    void valuesSurviveWriteAndRead()
    {
        // Whatever one-line text is written is read back unchanged, blanks and quotes included.
        QFETCH(QString, value);
        TRegAuto s = ini();
        s.WriteString(QStringLiteral("S"), QStringLiteral("K"), value);
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("<def>")), value);
        s.WriteString(QStringLiteral("S"), QStringLiteral("K"), value); // replacing, too
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("<def>")), value);
        QCOMPARE(get().count('\n'), 2);
        // A whole file written at once is the same bytes, and reads back whole the same.
        const QList<TRegAuto::Section> one{{QStringLiteral("S"), {{QStringLiteral("K"), value}}}};
        QCOMPARE(TRegAuto::formatSections(one), get());
        const QList<TRegAuto::Section> back = TRegAuto::parseSections(get());
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].keys, one[0].keys);
    }

    void wholeFileReadsAsKeyByKey()
    {
        // One pass gives every key as ReadString gives it, in file order: lines
        // before the first section, comments and keyless lines left out,
        // Windows-1252 converted.
        put("stray=1\r\n[A]\r\n; note\r\n k1 = 'one' \r\nnokey\r\nk2=caf\xe9\r\n[ B ]\r\nk3=x=y\r\n[A]\r\nk1=later");
        const QList<TRegAuto::Section> all = TRegAuto::parseSections(get());
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].name, QStringLiteral("A"));
        QCOMPARE(all[1].name, QStringLiteral("B"));
        QCOMPARE(all[0].keys.size(), 2);
        for (const auto &[key, value] : all[0].keys)
            QCOMPARE(value, ini().ReadString(QStringLiteral("A"), key, QStringLiteral("<def>")));
        QCOMPARE(all[0].keys[1].second, QStringLiteral("caf\u00e9"));
        QCOMPARE(all[1].keys[0], (std::pair<QString, QString>{QStringLiteral("k3"), QStringLiteral("x=y")}));
        QCOMPARE(all[2].keys[0].second, QStringLiteral("later")); // a second [A] is there for who wants it
    }

    void lineBreaksCannotAddLines()
    {
        // A line break in a value or name is written as a blank: no write adds a line it was not asked for.
        put("[Game]\r\nWinner=1000\r\n");
        TRegAuto s = ini();
        s.WriteString(QStringLiteral("Game"), QStringLiteral("Winner"), QStringLiteral("5\r\n[Game]\nValid=1\rType=2"));
        QCOMPARE(get(), QByteArray("[Game]\r\nWinner=5 [Game] Valid=1 Type=2\r\n"));
        QCOMPARE(s.ReadString(QStringLiteral("Game"), QStringLiteral("Valid"), QStringLiteral("d")), QStringLiteral("d"));

        s.WriteString(QStringLiteral("Game"), QStringLiteral("A\nB"), QStringLiteral("1"));
        s.WriteString(QStringLiteral("New\r\nX"), QStringLiteral("K"), QStringLiteral("2"));
        QCOMPARE(get(), QByteArray("[Game]\r\nWinner=5 [Game] Valid=1 Type=2\r\nA B=1\r\n[New X]\r\nK=2\r\n"));
        QCOMPARE(s.ReadString(QStringLiteral("Game"), QStringLiteral("A B"), QString()), QStringLiteral("1"));
    }

    // --- failures ---

    void writeToReadOnlyFileFails()
    {
        // A read-only file is refused with the full path, and stays exactly as it was.
        const QByteArray before = "[Game]\nWinner=1000\n";
        put(before);
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        TRegAuto s = ini();
        try {
            s.WriteString(QStringLiteral("Game"), QStringLiteral("Winner"), QStringLiteral("5"));
            QFAIL("write into a read-only file succeeded");
        } catch (const KvxError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + QDir::cleanPath(path())
                                      + QStringLiteral(": ") + uiText("fileWhyReadOnly"));
        }
        QCOMPARE(get(), before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"t.ini"});
    }

    void writeIntoMissingFolderFails()
    {
        // A missing folder is refused with the full path and is not created.
        const QString file = m_dir->filePath(QStringLiteral("nowhere/t.ini"));
        TRegAuto s(file);
        try {
            s.WriteBool(QStringLiteral("Game"), QStringLiteral("Valid"), true);
            QFAIL("write into a missing folder succeeded");
        } catch (const KvxError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + QDir::cleanPath(file)
                                      + QStringLiteral(": No such file or directory"));
        }
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("nowhere"))));
    }

    void writeOverFolderFails()
    {
        // A folder where the file should be is not replaced by a file.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("t.ini")));
        TRegAuto s = ini();
        QVERIFY_THROWS_EXCEPTION(KvxError, s.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("1")));
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
    }

    // --- encodings ---

    void windows1252FileIsConvertedWhole()
    {
        // A Windows-1252 file reads correctly and a write turns the whole file into UTF-8 with the same texts.
        put("[Message]\r\nmsgWin=Gl\xFC" "ckwunsch \x84gro\xDF\x93 \x80\x9F\r\n[Label]\r\nlType=Spielart: \xC4\xD6\r\n");
        TRegAuto s = ini();
        const QString win = QString::fromUtf8("Glückwunsch „groß“ €Ÿ");
        QCOMPARE(s.ReadString(QStringLiteral("Message"), QStringLiteral("msgWin"), QString()), win);
        s.WriteString(QStringLiteral("Label"), QStringLiteral("lTime"), QString::fromUtf8("Zeit ß"));
        QCOMPARE(get(), QByteArray("[Message]\r\nmsgWin=Glückwunsch „groß“ €Ÿ\r\n[Label]\r\nlType=Spielart: ÄÖ\r\nlTime=Zeit ß\r\n"));
        QCOMPARE(s.ReadString(QStringLiteral("Message"), QStringLiteral("msgWin"), QString()), win);
        QCOMPARE(s.ReadString(QStringLiteral("Label"), QStringLiteral("lType"), QString()), QString::fromUtf8("Spielart: ÄÖ"));
    }

    void unassignedWindows1252BytesSurvive()
    {
        // The five bytes that Windows-1252 leaves unassigned still read as something and come back.
        put("[S]\nK=\x81\x8D\x8F\x90\x9D\n");
        TRegAuto s = ini();
        const QString expected = QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) + QChar(0x9D);
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), expected);
        s.WriteString(QStringLiteral("S"), QStringLiteral("L"), QStringLiteral("x"));
        QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QString()), expected);
    }

    void utf8FileSurvivesWrite()
    {
        // A UTF-8 file (Hungarian texts, with or without a byte-order mark) keeps its bytes except the one value.
        for (const QByteArray &bom : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
            const QByteArray before = bom + "[Message]\nmsgWin=Gratulálok, győztél!\nmsgFail=Ez a kör elúszott...\n";
            put(before);
            TRegAuto s = ini();
            QCOMPARE(s.ReadString(QStringLiteral("Message"), QStringLiteral("msgWin"), QString()), QString::fromUtf8("Gratulálok, győztél!"));
            s.WriteString(QStringLiteral("Message"), QStringLiteral("msgFail"), QString::fromUtf8("Űrlap ő"));
            QCOMPARE(get(), bom + "[Message]\nmsgWin=Gratulálok, győztél!\nmsgFail=Űrlap ő\n");
            QCOMPARE(s.ReadString(QStringLiteral("Message"), QStringLiteral("msgFail"), QString()), QString::fromUtf8("Űrlap ő"));
        }
    }

    // --- hostile files ---

    void oneReadingForManyKeys()
    {
        put("[S]\r\nA=1\r\nB=2\r\n");
        TRegAuto s = ini();
        {
            const TRegAuto::Pass pass(s);
            QCOMPARE(s.ReadString(QStringLiteral("s"), QStringLiteral("a"), QString()), QStringLiteral("1"));
            put("[S]\r\nA=9\r\nB=9\r\n");
            // the file was read once, at the start of the pass
            QCOMPARE(s.ReadInteger(QStringLiteral("S"), QStringLiteral("B"), 0), 2);
            QVERIFY(pass.problem().isEmpty());
        }
        QCOMPARE(s.ReadInteger(QStringLiteral("S"), QStringLiteral("B"), 0), 9);
    }

    void hostileFilesAreNeitherReadNorReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        for (const QString &kind : HostileFile::kinds())
            QTest::newRow(kind.toLatin1().constData())
                << kind << (kind == "huge" ? "fileWhyTooLarge" : kind.startsWith("link") ? "" : "fileWhyNotRegular");
    }

    void hostileFilesAreNeitherReadNorReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(QStringLiteral("other.ini"));
        {
            QFile f(outside);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[S]\r\nK=1\r\n") == 10);
        }
        QVERIFY(HostileFile::make(kind, path(), TRegAuto::MaxFileBytes + 1, outside));
        const QByteArray before = kind == "huge" ? get() : QByteArray();
        TRegAuto s = ini();
        {
            const TRegAuto::Pass pass(s);
            if (!why.isEmpty()) {
                QCOMPARE(s.ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("<def>")),
                         QStringLiteral("<def>"));
                QVERIFY(pass.problem().startsWith(path() + QStringLiteral(": ")));
                QVERIFY(pass.problem().contains(uiText(why.toLatin1().constData()).left(15)));
            }
        }
        try {
            s.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("2"));
            QFAIL("the write went through");
        } catch (const KvxError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("Unable to write to ") + path() + QStringLiteral(": ")),
                     qPrintable(e.message()));
        }
        // Left as it was, and so is what a link points to.
        const QFileInfo info(path());
        QVERIFY(kind == "huge" ? get() == before : info.isSymLink() || !info.isFile());
        QFile f(outside);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == "[S]\r\nK=1\r\n");
    }

    void aReplacedFileKeepsOwnerModeAndInnerLink()
    {
        put("[S]\r\nK=1\r\n", QStringLiteral("real.ini"));
        QVERIFY(QFile::link(QStringLiteral("real.ini"), path()));
        const QByteArray real = QFile::encodeName(path(QStringLiteral("real.ini")));
        QCOMPARE(::chmod(real.constData(), 0640), 0);
        const bool root = ::geteuid() == 0;
        if (root)
            QCOMPARE(::chown(real.constData(), 65534, 65534), 0);
        TRegAuto s = ini();
        s.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("2"));
        // a link within the folder is written through and stays a link
        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(get(QStringLiteral("real.ini")), QByteArray("[S]\r\nK=2\r\n"));
        struct stat st {};
        QCOMPARE(::stat(real.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        if (root)
            QCOMPARE(st.st_uid, uid_t(65534));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System),
                 (QStringList{"real.ini", "t.ini"}));
    }

    void aFullDiskIsNamed()
    {
        const QByteArray dir = QFile::encodeName(m_dir->path());
        if (::mount("tmpfs", dir.constData(), "tmpfs", 0, "size=16k") != 0)
            QSKIP("no small file system can be mounted here");
        {
            QFile filler(path(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
            }
        }
        TRegAuto s = ini();
        QString message;
        try {
            s.WriteString(QStringLiteral("S"), QStringLiteral("K"), QString(8192, QLatin1Char('v')));
        } catch (const KvxError &e) {
            message = e.message();
        }
        try {
            const SharedFileLock lock(path());
        } catch (const KvxError &e) {
            message += QLatin1Char('|') + e.message();
        }
        ::umount2(dir.constData(), MNT_DETACH);
        QCOMPARE(message.count(uiText("fileWhyDiskFull")), 2);
    }
};

QTEST_GUILESS_MAIN(TestRegAuto)
#include "tst_regauto.moc"
