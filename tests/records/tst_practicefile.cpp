// SPDX-License-Identifier: GPL-3.0-or-later
// The practice file: what is written reads back the same, it stays within its
// bounds, and a damaged, huge or foreign file is refused and kept aside.
#include "game/GameLimits.h"
#include "records/PracticeFile.h"
#include "support/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestPracticeFile : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;

    static PracticePosition position(qint32 total, double cost = 0.3)
    {
        PracticePosition p;
        p.total = total;
        p.roundPoints = 15;
        p.kept[1] = 1;
        p.kept[5] = 1;
        p.rolled[1] = 1;
        p.rolled[3] = 3;
        p.cost = cost;
        p.added = QDateTime(QDate(2026, 12, 1), QTime(20, 0));
        return p;
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    static PracticeVerdict verdict(double cost)
    {
        PracticeVerdict v;
        v.legal = true;
        v.cost = cost;
        v.answeredBest = cost <= PracticeRules::bestWithin;
        return v;
    }

private slots:
    void init() { QVERIFY(m_folder.make()); }
    void cleanup() { m_folder.remove(); }

    void roundTrip()
    {
        const QString path = PracticeFile::fileName();
        QCOMPARE(PracticeFile::load(path).status, PracticeData::Absent);
        QVERIFY(PracticeFile::addMine(path, {position(100), position(900, 1.25)}).isEmpty());
        PracticePosition other = position(200);
        other.winner = 2000;
        other.band = true;
        QVERIFY(PracticeFile::addMine(path, {other}).isEmpty());
        PracticePosition built = position(300);
        built.source = PracticeSource::BuiltIn;
        built.rule = PlainRule::BankAt300;
        QVERIFY(PracticeFile::answer(path, built, verdict(0.0)).isEmpty());
        QVERIFY(PracticeFile::answer(path, position(100), verdict(0.4)).isEmpty());

        const PracticeData d = PracticeFile::load(path);
        QCOMPARE(d.status, PracticeData::Ok);
        QCOMPARE(d.turn, 2);
        QCOMPARE(d.positions.size(), 4);
        QCOMPARE(d.attempts.size(), 2);
        QVERIFY(d.positions[0].samePlace(position(100)));
        QCOMPARE(d.positions[1].cost, 1.25);
        QCOMPARE(d.positions[3].rule, PlainRule::BankAt300);
        // Other rules are kept but not offered.
        QCOMPARE(d.mine({1000, false}).size(), 2);
        QCOMPARE(d.otherRules({1000, false}), 1);
        QCOMPARE(d.mine({2000, true}).size(), 1);
        // The wrong answer comes back soon, before the one never tried.
        QCOMPARE(d.positions[0].due, 2 + PracticeRules::againAfter);
        QVERIFY(d.attempts[0].best && !d.attempts[1].best);
        const PracticeProgress mine = practiceProgress(d, PracticeSource::Mine);
        QCOMPARE(mine.whole.tried, 1);
        QCOMPARE(mine.whole.lostPer(), 0.4);
        QCOMPARE(practiceProgress(d, PracticeSource::BuiltIn).whole.shareBest(), 1.0);
        // Written again, byte for byte the same.
        QCOMPARE(PracticeFile::format(PracticeFile::parse(PracticeFile::format(d))), PracticeFile::format(d));
    }

    void theOldestGoFirst()
    {
        PracticeData d;
        for (int i = 0; i < PracticeFile::kMaxMine + 5; ++i) {
            PracticePosition p = position(5 * i);
            p.winner = 5000;
            d.addMine(p);
        }
        QCOMPARE(d.positions.size(), PracticeFile::kMaxMine);
        QCOMPARE(d.positions.first().total, 25);
        // The same decision missed again is not kept twice.
        PracticePosition again = position(25, 0.9);
        again.winner = 5000;
        d.addMine(again);
        QCOMPARE(d.positions.size(), PracticeFile::kMaxMine);
        QCOMPARE(d.positions.last().cost, 0.9);
        for (int i = 0; i < PracticeFile::kMaxAttempts + 3; ++i)
            d.answer(position(100), verdict(0.1), QDateTime(QDate(2026, 12, 2), QTime(9, 0)));
        QCOMPARE(d.attempts.size(), PracticeFile::kMaxAttempts);
        // Far below the size from which a file is refused.
        QVERIFY(PracticeFile::format(d).size() < PracticeFile::kMaxBytes / 2);
    }

    void aFullFileTakesMoreAnswers()
    {
        // Lines it does not read, to 40 bytes short of the size a read takes:
        // each answer is written within it, the oldest lines giving way.
        const QString path = PracticeFile::fileName();
        QByteArray bytes = "[Practice]\r\nVersion=1\r\nTurn=7\r\n[Positions]\r\n1="
                + PracticeFile::positionLine(position(100)).toUtf8() + "\r\n[Attempts]\r\n";
        for (int n = 1; bytes.size() < PracticeFile::kMaxBytes - 1100; ++n)
            bytes += QByteArray::number(n) + "=" + QByteArray(1000, 'x') + "\r\n";
        bytes += "0=" + QByteArray(int(PracticeFile::kMaxBytes - bytes.size() - 44), 'y') + "\r\n";
        write(path, bytes);
        const PracticeData before = PracticeFile::load(path);
        QCOMPARE(before.status, PracticeData::Partial);
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(PracticeFile::answer(path, before.positions[0], verdict(0.1)).isEmpty());
            const PracticeData d = PracticeFile::load(path);
            QCOMPARE(d.status, PracticeData::Partial);
            QCOMPARE(d.turn, 7 + i);
            QCOMPARE(d.attempts.size(), i);
            QCOMPARE(d.positions.size(), 1);
        }
        QVERIFY(!QFile::exists(path + QStringLiteral(".damaged")));
    }

    void turnsStayWithinWhatIsRead()
    {
        // A turn no play reaches is not read, but kept; what the game writes
        // is read again whole.
        const QString path = PracticeFile::fileName();
        write(path, "[Practice]\r\nVersion=1\r\nTurn=1125899906842624\r\n[Positions]\r\n1="
                        + PracticeFile::positionLine(position(100)).toUtf8() + "\r\n");
        PracticeData d = PracticeFile::load(path);
        QCOMPARE(d.skipped, 1);
        QCOMPARE(d.turn, 0);
        QVERIFY(PracticeFile::answer(path, d.positions[0], verdict(0)).isEmpty());
        d = PracticeFile::load(path);
        QCOMPARE(d.skipped, 1);
        QCOMPARE(d.turn, 1);
        QCOMPARE(d.positions.size(), 1);

        // At the last turn read, the turns are numbered afresh in their order.
        d.turn = GameLimits::maxTurn;
        d.positions[0].due = GameLimits::maxTurn - 3;
        PracticePosition later = position(200), built = position(300);
        later.due = GameLimits::maxTurn;
        built.source = PracticeSource::BuiltIn;
        built.due = -5;
        d.positions += {later, built};
        d.answer(d.positions[0], verdict(0), QDateTime(QDate(2026, 12, 2), QTime(9, 0)));
        const PracticeData again = PracticeFile::parse(PracticeFile::format(d));
        QCOMPARE(again.skipped, 1);
        QCOMPARE(again.positions.size(), 3);
        // Answered best: after the last due, which comes after the built-in one.
        QVERIFY(again.positions[2].due < again.positions[1].due && again.positions[1].due < again.turn
                && again.turn < again.positions[0].due);
    }

    void badFilesAreSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("binary") << QByteArray("[Practice]\r\nVersion=1\r\n\0\x01\x02", 25) << false;
        QTest::newRow("foreign") << QByteArray("[Settings]\r\nWinner=1000\r\n") << false;
        QTest::newRow("huge") << QByteArray() << true;
    }
    void badFilesAreSetAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, tooLarge);
        const QString path = PracticeFile::fileName();
        if (tooLarge)
            bytes = "[Practice]\r\nVersion=1\r\n" + QByteArray(PracticeFile::kMaxBytes, ';');
        write(path, bytes);
        const PracticeData d = PracticeFile::load(path);
        QCOMPARE(d.status, PracticeData::Damaged);
        QVERIFY(!d.problem.isEmpty());
        QVERIFY(d.positions.isEmpty());
        // The next write keeps it aside whole and starts afresh.
        const QString aside = PracticeFile::addMine(path, {position(100)});
        QCOMPARE(aside, path + QStringLiteral(".damaged"));
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
        QCOMPARE(PracticeFile::load(path).positions.size(), 1);
    }

    void unreadLinesAreKept()
    {
        const QString path = PracticeFile::fileName();
        write(path, "[Practice]\r\nVersion=1\r\nTurn=3\r\nColour=blue\r\n[Positions]\r\n"
                    "1=m,1000,0,100,15,15,1333,0.3000,0,0,2026-12-01T20:00:00\r\n"
                    "2=m,1000,0,100,15,15,1333,not a number,0,0,\r\n"
                    "3=m,1000,0,100,15,15,1111111,0.3,0,0,\r\n"
                    "[Attempts]\r\n1=yesterday\r\n[Later]\r\nx=1\r\n");
        const PracticeData d = PracticeFile::load(path);
        QCOMPARE(d.status, PracticeData::Partial);
        QCOMPARE(d.positions.size(), 1);
        QCOMPARE(d.skipped, 3);
        QVERIFY(PracticeFile::answer(path, d.positions[0], verdict(0)).isEmpty());
        const PracticeData after = PracticeFile::load(path);
        QCOMPARE(after.turn, 4);
        QCOMPARE(after.skipped, 3);
        QCOMPARE(after.otherKeys.size(), 1);
        QCOMPARE(after.otherSections.size(), 1);
        QVERIFY(!QFile::exists(path + QStringLiteral(".damaged")));
    }
};

QTEST_GUILESS_MAIN(TestPracticeFile)
#include "tst_practicefile.moc"
