// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten record, the table's files, its sort, qualification and insert.
#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "records/TopTen.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"
#include "support/HostileFile.h"
#include "support/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

TopTenEntry entry(qint32 score, const QByteArray &name, const QByteArray &stamp) { return {score, name, stamp}; }

QByteArray rawRecord(qint32 score, quint8 nameLen, const QByteArray &name, quint8 stampLen,
                     const QByteArray &stamp)
{
    QByteArray r(TopTen::RecordSize, '\0');
    for (int i = 0; i < 4; ++i)
        r[i] = static_cast<char>((quint32(score) >> (8 * i)) & 0xFF);
    r[4] = static_cast<char>(nameLen);
    r.replace(5, qMin<int>(name.size(), 20), name.left(20));
    r[25] = static_cast<char>(stampLen);
    r.replace(26, qMin<int>(stamp.size(), 14), stamp.left(14));
    return r;
}

QByteArray blankRecord()
{
    return rawRecord(0, 1, " ", 14, QByteArray(14, ' '));
}

} // namespace

class TestTopTen : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;

    QString path(int type) const { return TopTen::fileName(type); }

    void writeFile(int type, const QByteArray &data)
    {
        QFile f(path(type));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(data), qint64(data.size()));
    }

    QByteArray readFile(int type) const
    {
        QFile f(path(type));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return f.readAll();
    }

    static void fill(TopTenTable &t, const QList<TopTenEntry> &entries)
    {
        for (int n = 1; n <= TopTen::Slots; ++n)
            t.slot(n) = n <= entries.size() ? entries.at(n - 1) : TopTen::blankEntry();
    }

    // A full score table rated 1000 down to 100 and a full time table of
    // 00:01:00 up to 00:10:00.
    void writeFullTables()
    {
        TopTenTable t;
        QList<TopTenEntry> scores, times;
        for (int i = 0; i < 10; ++i) {
            scores << entry(1000 - 100 * i, "S" + QByteArray::number(i), "20260101000500");
            times << entry(50, "T" + QByteArray::number(i),
                           "20260101" + QByteArray("00") + QByteArray::number(i + 1).rightJustified(2, '0') + "00");
        }
        fill(t, scores);
        t.SaveTopTen(1);
        fill(t, times);
        t.SaveTopTen(2);
    }

private slots:
    void init() { QVERIFY(m_folder.make()); }
    void cleanup() { m_folder.remove(); }

    // --- the record and the file names ---

    void recordIsByteExact()
    {
        const QByteArray rec = TopTen::toRecord(entry(0x01020304, "Anna", "20261206010205"));
        QByteArray want(40, '\0');
        want[0] = 0x04; want[1] = 0x03; want[2] = 0x02; want[3] = 0x01;
        want[4] = 4;
        want.replace(5, 4, "Anna");
        want[25] = 14;
        want.replace(26, 14, "20261206010205");
        QCOMPARE(rec, want);
    }

    void recordOfNegativeScoreAndBlank()
    {
        const QByteArray rec = TopTen::toRecord(entry(-2, "", ""));
        QCOMPARE(rec.left(4), QByteArray("\xFE\xFF\xFF\xFF", 4));
        QCOMPARE(rec.mid(4), QByteArray(36, '\0'));
        QCOMPARE(TopTen::toRecord(TopTen::blankEntry()), blankRecord());
    }

    void overlongFieldsAreCutOnWrite()
    {
        const QByteArray rec = TopTen::toRecord(entry(1, QByteArray(25, 'n'), QByteArray(16, '7')));
        QCOMPARE(rec.size(), 40);
        QCOMPARE(int(rec[4]), 20);
        QCOMPARE(int(rec[25]), 14);
        QCOMPARE(TopTen::fromRecord(rec), entry(1, QByteArray(20, 'n'), QByteArray(14, '7')));
    }

    void bytesBehindStringsAreIgnored()
    {
        QByteArray rec = rawRecord(7, 2, "Bo", 8, "20260101");
        rec.replace(7, 5, "junk!");
        rec.replace(34, 6, "xxxxxx");
        QCOMPARE(TopTen::fromRecord(rec), entry(7, "Bo", "20260101"));
    }

    void fileNamesByType()
    {
        QCOMPARE(TopTen::fileName(1), ProgramDir::get() + "KVXScrP.ini");
        QCOMPARE(TopTen::fileName(2), ProgramDir::get() + "KVXScrT.ini");
        QCOMPARE(TopTen::fileName(0), ProgramDir::get() + "KVXScrP.ini");
        QCOMPARE(TopTen::fileName(7), ProgramDir::get() + "KVXScrP.ini");
    }

    // --- loading ---

    void missingFileGivesBlanksAndLeavesEmptyFile()
    {
        for (int type : {1, 2}) {
            TopTenTable t;
            t.slot(3) = entry(5, "old", "x");
            t.LoadTopTen(type);
            for (int n = 1; n <= 10; ++n)
                QCOMPARE(t.slot(n), TopTen::blankEntry());
            QVERIFY(QFile::exists(path(type)));
            QCOMPARE(QFileInfo(path(type)).size(), qint64(0));
        }
    }

    void partialRecordFailsEveryTime()
    {
        const QByteArray good = rawRecord(9, 1, "A", 14, "20260101000100");
        writeFile(1, good + good + QByteArray(5, 'z'));
        QCOMPARE(QFileInfo(path(1)).size(), qint64(85));
        TopTenTable t;
        t.slot(1) = entry(42, "kept", "");
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                t.LoadTopTen(1);
                QFAIL("a partial record must not load");
            } catch (const KvxError &e) {
                QVERIFY2(e.message().contains("Read beyond end of file"), qPrintable(e.message()));
                QVERIFY2(e.message().contains("KVXScrP.ini"), qPrintable(e.message()));
            }
        }
        QCOMPARE(t.slot(1), entry(42, "kept", ""));
    }

    void lengthsAreClamped()
    {
        QByteArray rec = rawRecord(3, 30, QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 20, "20261206010205");
        writeFile(2, rec);
        TopTenTable t;
        t.LoadTopTen(2);
        QCOMPARE(t.slot(1).Name, QByteArray("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(t.slot(1).Stamp, QByteArray("20261206010205"));
        QCOMPARE(t.slot(2), TopTen::blankEntry());
    }

    void shortFileFillsBlanksBehind()
    {
        writeFile(1, rawRecord(300, 3, "Ann", 14, "20260102030405")
                         + rawRecord(200, 0, "", 8, "20260102"));
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1), entry(300, "Ann", "20260102030405"));
        QCOMPARE(t.slot(2), entry(200, "", "20260102"));
        for (int n = 3; n <= 10; ++n)
            QCOMPARE(t.slot(n), TopTen::blankEntry());
    }

    void recordsAfterTheTenthAreIgnored()
    {
        QByteArray data;
        for (int i = 1; i <= 11; ++i)
            data += rawRecord(i, 1, QByteArray::number(i % 10), 0, "");
        writeFile(1, data);
        TopTenTable t;
        t.LoadTopTen(1);
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(t.slot(n).Score, n);
        // A broken tail behind the tenth record still fails.
        writeFile(1, data + "abc");
        QVERIFY_THROWS_EXCEPTION(KvxError, t.LoadTopTen(1));
    }

    void unreadableFileNamesFileAndReason_data()
    {
        QTest::addColumn<QString>("kind");
        for (const QString &kind : HostileFile::kinds())
            QTest::newRow(kind.toLatin1().constData()) << kind;
    }

    void unreadableFileNamesFileAndReason()
    {
        // Refused at once, never replaced, never kept aside as damaged.
        QFETCH(QString, kind);
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(QStringLiteral("table.ini"));
        QVERIFY(HostileFile::make(kind, path(1), TopTen::MaxFileBytes + TopTen::RecordSize, outside));
        TopTenTable t;
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (attempt == 0) {
                    t.LoadTopTen(1);
                } else {
                    QString aside;
                    t.InsertTopTen(entry(500, "new", "20260101000100"), 1, &aside);
                }
                QFAIL("the file must not load as a table");
            } catch (const KvxError &e) {
                QVERIFY2(e.message().startsWith(QDir::toNativeSeparators(path(1)) + ": "), qPrintable(e.message()));
            }
        }
        QVERIFY(!QFile::exists(path(1) + ".damaged"));
        QVERIFY(!QFile::exists(outside));
        if (kind == "huge")
            QCOMPARE(QFileInfo(path(1)).size(), TopTen::MaxFileBytes + TopTen::RecordSize);
        else
            QVERIFY(!QFileInfo(path(1)).isFile() || QFileInfo(path(1)).isSymLink());
    }

    void missingFolderFailsOnCreateAndSave()
    {
        ProgramDir::set(m_folder.path() + "/nowhere/");
        TopTenTable t;
        QVERIFY_THROWS_EXCEPTION(KvxError, t.LoadTopTen(1));
        QVERIFY_THROWS_EXCEPTION(KvxError, t.SaveTopTen(2));
    }

    // --- saving ---

    void saveWritesTenRecordsAndReadsBack()
    {
        TopTenTable t;
        fill(t, {entry(14286, "Zo\xEB", "20261206010205"), entry(-5, "", "")});
        t.SaveTopTen(2);
        const QByteArray data = readFile(2);
        QCOMPARE(data.size(), 400);
        QCOMPARE(data.left(40), rawRecord(14286, 3, "Zo\xEB", 14, "20261206010205"));
        QCOMPARE(data.mid(40, 40), rawRecord(-5, 0, "", 0, ""));
        for (int n = 2; n < 10; ++n)
            QCOMPARE(data.mid(40 * n, 40), blankRecord());
        TopTenTable back;
        back.LoadTopTen(2);
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(back.slot(n), t.slot(n));
        QVERIFY(!QFile::exists(path(1)));
    }

    void saveReplacesLongerFile()
    {
        writeFile(1, QByteArray(1000, 'q'));
        TopTenTable t;
        t.SaveTopTen(1);
        QCOMPARE(readFile(1).size(), 400);
    }

    // --- sorting ---

    void scoreSortKeepsExchangeOrderOfTies()
    {
        TopTenTable t;
        fill(t, {entry(5, "a", ""), entry(7, "b", ""), entry(5, "c", ""), entry(9, "d", "")});
        t.SortTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("d"));
        QCOMPARE(t.slot(2).Name, QByteArray("b"));
        // The two fives change places through their exchanges with others.
        QCOMPARE(t.slot(3).Name, QByteArray("c"));
        QCOMPARE(t.slot(4).Name, QByteArray("a"));
        for (int n = 5; n <= 10; ++n)
            QCOMPARE(t.slot(n), TopTen::blankEntry());
    }

    void scoreSortPutsBlanksBehindPositivesOnly()
    {
        TopTenTable t;
        fill(t, {TopTen::blankEntry(), entry(-3, "neg", ""), entry(4, "pos", "")});
        t.SortTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("pos"));
        QCOMPARE(t.slot(10).Name, QByteArray("neg"));
    }

    void timeSortPutsBlankTimesLast()
    {
        TopTenTable t;
        fill(t, {TopTen::blankEntry(), entry(1, "200", "20260101000200"),
                 entry(2, "A", "20260101000100"), entry(3, "B", "20260101000100")});
        t.SortTopTen(2);
        QCOMPARE(t.slot(1).Name, QByteArray("A"));
        QCOMPARE(t.slot(2).Name, QByteArray("B"));
        QCOMPARE(t.slot(3).Name, QByteArray("200"));
        for (int n = 4; n <= 10; ++n)
            QCOMPARE(t.slot(n), TopTen::blankEntry());
    }

    void timeSortComparesCharacters()
    {
        TopTenTable t;
        // A stamp without a time part compares lowest; a non-digit as its code.
        fill(t, {entry(1, "x", "20260101ab0000"), entry(2, "short", "20260101"),
                 entry(3, "nine", "20260101999999"), entry(4, "one", "20260101000001")});
        t.SortTopTen(2);
        QCOMPARE(t.slot(1).Name, QByteArray("short"));
        QCOMPARE(t.slot(2).Name, QByteArray("one"));
        QCOMPARE(t.slot(3).Name, QByteArray("nine"));
        QCOMPARE(t.slot(4), TopTen::blankEntry());
        // Letters follow digits, so even the blank slots' 999999 comes first.
        QCOMPARE(t.slot(10).Name, QByteArray("x"));
    }

    void otherTypesAreNotSorted()
    {
        TopTenTable t;
        fill(t, {entry(1, "a", "20260101000900"), entry(9, "b", "20260101000100")});
        t.SortTopTen(0);
        t.SortTopTen(3);
        QCOMPARE(t.slot(1).Name, QByteArray("a"));
        QCOMPARE(t.slot(2).Name, QByteArray("b"));
    }

    void swapExchangesSlots()
    {
        TopTenTable t;
        fill(t, {entry(1, "a", ""), entry(2, "b", "")});
        t.SwapTopTen(1, 10);
        QCOMPARE(t.slot(10), entry(1, "a", ""));
        QCOMPARE(t.slot(1), TopTen::blankEntry());
    }

    // --- qualification ---

    void qualifyOnEmptyInstallation()
    {
        TopTenTable t;
        QCOMPARE(t.QualifyTopTen(entry(1, "", "20260101235959")), 3);
        // Score 0 is no better than a blank slot's 0, but every time enters.
        QCOMPARE(t.QualifyTopTen(entry(0, "", "20260101235959")), 2);
        QVERIFY(QFile::exists(path(1)));
        QVERIFY(QFile::exists(path(2)));
    }

    void qualifyMustBeStrictlyBetter()
    {
        writeFullTables();
        TopTenTable t;
        QCOMPARE(t.QualifyTopTen(entry(100, "", "20260101001000")), 0);
        QCOMPARE(t.QualifyTopTen(entry(101, "", "20260101001000")), 1);
        QCOMPARE(t.QualifyTopTen(entry(100, "", "20260101000959")), 2);
        QCOMPARE(t.QualifyTopTen(entry(5000, "", "20260101000001")), 3);
        // The table last loaded is the time table.
        QCOMPARE(t.slot(1).Name, QByteArray("T0"));
    }

    void qualifyFailsOnBrokenFile()
    {
        writeFile(2, QByteArray(41, '0'));
        TopTenTable t;
        QVERIFY_THROWS_EXCEPTION(KvxError, t.QualifyTopTen(entry(1, "", "20260101000001")));
    }

    // --- inserting ---

    void insertDropsTheWorst()
    {
        writeFullTables();
        TopTenTable t;
        const TopTenEntry e = entry(550, "New", "20260101000130");
        t.InsertTopTen(e, 1);
        t.InsertTopTen(e, 2);

        TopTenTable s;
        s.LoadTopTen(1);
        QCOMPARE(s.slot(6), e);
        QCOMPARE(s.slot(5).Score, 600);
        QCOMPARE(s.slot(7).Score, 500);
        QCOMPARE(s.slot(10).Score, 200);

        s.LoadTopTen(2);
        QCOMPARE(s.slot(1).Name, QByteArray("T0"));
        QCOMPARE(s.slot(2), e);
        QCOMPARE(s.slot(3).Name, QByteArray("T1"));
        QCOMPARE(s.slot(10).Name, QByteArray("T8"));
    }

    void insertIntoUnsortedFileSortsFirst()
    {
        QByteArray data;
        for (int i = 0; i < 10; ++i)
            data += rawRecord(10 * (i + 1), 1, QByteArray::number(i), 0, "");
        writeFile(1, data); // ascending: the worst is in slot 1
        TopTenTable t;
        t.InsertTopTen(entry(15, "new", ""), 1);
        t.LoadTopTen(1);
        // Without the first sort the new entry would have replaced the best.
        QCOMPARE(t.slot(1).Score, 100);
        QCOMPARE(t.slot(9).Score, 20);
        QCOMPARE(t.slot(10), entry(15, "new", ""));
        QCOMPARE(readFile(1).size(), 400);
    }

    void writesFindingTheTableInUseGoLaterInOrder()
    {
        // Another copy holds the table's lock past the wait: nothing is
        // written and the writes wait, in order, until it lets go.
        const LockWait shortWait(20);
        QLockFile other(path(1) + ".lock");
        QVERIFY(other.tryLock(0));
        TopTenTable t;
        try {
            t.InsertTopTen(entry(10, "a", ""), 1);
            QFAIL("the table is in use");
        } catch (const FileInUse &e) {
            QCOMPARE(e.message(), QDir::toNativeSeparators(path(1)) + ": " + uiText("fileWhyInUse"));
        }
        LaterWrites later;
        QStringList done;
        for (const QByteArray &name : {QByteArray("first"), QByteArray("second")})
            QVERIFY(!later.run([&, name] {
                t.InsertTopTen(entry(10, name, ""), 1);
                done << QString::fromLatin1(name);
            }));
        QVERIFY(later.retry().isEmpty());
        QCOMPARE(later.waiting(), 2);
        QVERIFY(!QFile::exists(path(1)));
        other.unlock();
        QVERIFY(later.retry().isEmpty());
        QCOMPARE(later.waiting(), 0);
        QCOMPARE(done, (QStringList{"first", "second"}));
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("first")); // ties keep the order they came in
        QCOMPARE(t.slot(2).Name, QByteArray("second"));
        // With nothing waiting, a write is done at once.
        QVERIFY(later.run([&] { t.InsertTopTen(entry(20, "third", ""), 1); }));
    }

    // --- row texts ---

    void rowTextsOfScoreTable()
    {
        const TopTenRowText r = topTenRowText(entry(14286, "Zo\xEB", "20261206010205"), 1);
        QCOMPARE(r.ls, QString("14286"));
        QCOMPARE(r.lna, QString::fromUtf8("Zoë"));
        QCOMPARE(r.lda, QString("2026.12.06 - 01:02:05"));
    }

    void rowTextsOfTimeTable()
    {
        const TopTenRowText r = topTenRowText(entry(14286, "Anna", "20261206010205"), 2);
        QCOMPARE(r.ls, QString("01:02:05"));
        QCOMPARE(r.lna, QString("Anna"));
        QCOMPARE(r.lda, QString("14286 - 2026.12.06"));
    }

    void rowTextsOfBlankSlot()
    {
        const TopTenRowText a = topTenRowText(TopTen::blankEntry(), 1);
        QCOMPARE(a.ls, QString("0"));
        QCOMPARE(a.lna, QString(" "));
        QCOMPARE(a.lda, QString("    .  .   -   :  :  "));
        const TopTenRowText b = topTenRowText(TopTen::blankEntry(), 2);
        QCOMPARE(b.ls, QString("  :  :  "));
        QCOMPARE(b.lda, QString("0 -     .  .  "));
    }

    void rowTextsOfShortStampAndOtherType()
    {
        const TopTenRowText r = topTenRowText(entry(1, "x", "2026120"), 1);
        QCOMPARE(r.lda, QString("2026.12.0 - ::"));
        const TopTenRowText o = topTenRowText(entry(1, "x", "20261206010205"), 3);
        QVERIFY(o.ls.isNull() && o.lna.isNull() && o.lda.isNull());
    }
};

QTEST_GUILESS_MAIN(TestTopTen)
#include "tst_topten.moc"
