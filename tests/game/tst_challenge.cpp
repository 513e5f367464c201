// SPDX-License-Identifier: GPL-3.0-or-later
// Challenge games: the codes, the fairness of their dice, and the engine
// rolling them: the same code gives the same dice whatever the clock says.
#include "EngineRig.h"
#include "game/Challenge.h"
#include "base/KvxError.h"
#include "records/ChallengeFile.h"
#include "base/AtomicFile.h"
#include "support/ChiSquare.h"
#include "support/HostileFile.h"

#include <QTemporaryDir>

#include <QtTest>

using namespace challenge;

class TstChallenge : public QObject
{
    Q_OBJECT

    // The first roll's six faces, and the faces of the second roll of round
    // 1 when two dice were kept (four roll), as a string "123456/1234".
    static QString opening(const ChallengeCode &c)
    {
        QString s;
        for (int k = 1; k <= 6; ++k)
            s += QString::number(challengeFace(c.key(), 1, 1, quint64(k)));
        s += QLatin1Char('/');
        for (int k = 1; k <= 4; ++k)
            s += QString::number(challengeFace(c.key(), 1, 2, quint64(k)));
        return s;
    }

private slots:
    void parsing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code"); // empty: refused
        QTest::newRow("as shown") << "7KQD-M2WX" << "7KQDM2WX";
        QTest::newRow("lower case, blanks") << " 7kqd m2wx " << "7KQDM2WX";
        QTest::newRow("no hyphen") << "7kqdm2wx" << "7KQDM2WX";
        QTest::newRow("too short") << "7KQD-M2W" << "";
        QTest::newRow("too long") << "7KQD-M2WXA" << "";
        for (const char *bad : {"0", "O", "1", "I", "L", "l", "U", "Ä"})
            QTest::newRow(bad) << QString::fromUtf8("7KQD-M2W") + QString::fromUtf8(bad) << "";
        QTest::newRow("empty") << "" << "";
    }
    void parsing()
    {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        const ChallengeCode c = ChallengeCode::parse(typed);
        QCOMPARE(c.symbols(), code);
        if (!code.isEmpty()) {
            QCOMPARE(c.text(), code.left(4) + "-" + code.mid(4));
            QCOMPARE(ChallengeCode::parse(c.text()), c);
            QCOMPARE(ChallengeCode::fromNumber(c.number()), c);
        }
    }

    void codesAreWhole()
    {
        QCOMPARE(int(sizeof alphabet) - 1, symbolCount);
        QCOMPARE(ChallengeCode::fromNumber(0).symbols(), QString("22222222"));
        QCOMPARE(ChallengeCode::fromNumber(656100000000ull - 1).symbols(), QString("ZZZZZZZZ"));
        QCOMPARE(ChallengeCode::parse("7KQD-M2WX").spelt(), QString("7 K Q D, M 2 W X"));
        QSet<QString> seen;
        for (quint64 s = 0; s < 2000; ++s) {
            const ChallengeCode c = ChallengeCode::random(s);
            QCOMPARE(ChallengeCode::parse(c.text()), c);
            seen.insert(c.symbols());
        }
        QCOMPARE(seen.size(), 2000);
        // Today's code is everybody's today, and tomorrow's another.
        const QDate d(2026, 12, 8);
        QCOMPARE(ChallengeCode::daily(d).text(), QString("ER7H-7XGK"));
        QVERIFY(ChallengeCode::daily(d) != ChallengeCode::daily(d.addDays(1)));
        QVERIFY(ChallengeCode::daily(d) != ChallengeCode::daily(d.addYears(1)));
    }

    // A change of the stream changes every challenge ever handed on.
    void pinnedStream_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("faces");
        QTest::newRow("22222222") << "22222222" << "616135/5245";
        QTest::newRow("7KQD-M2WX") << "7KQD-M2WX" << "441222/1316";
        QTest::newRow("ZZZZ-ZZZZ") << "ZZZZ-ZZZZ" << "621546/4615";
        QTest::newRow("daily 2026-12-08") << "ER7H-7XGK" << "334352/2165";
    }
    void pinnedStream()
    {
        QFETCH(QString, code);
        QFETCH(QString, faces);
        const ChallengeCode c = ChallengeCode::parse(code);
        QVERIFY(!c.isEmpty());
        QCOMPARE(opening(c), faces);
    }

    // 600,000 faces over 1,000 codes: each face one in six, and each pair of
    // successive faces one in 36.
    void fairFaces()
    {
        std::vector<double> one(6, 0), two(36, 0);
        int previous = -1;
        qint64 drawn = 0;
        for (quint64 s = 0; s < 1000; ++s) {
            const quint64 key = ChallengeCode::random(s).key();
            for (quint64 r = 1; r <= 25; ++r)
                for (quint64 j = 1; j <= 4; ++j)
                    for (quint64 k = 1; k <= 6; ++k) {
                        const int f = challengeFace(key, r, j, k) - 1;
                        QVERIFY(f >= 0 && f < 6);
                        one[size_t(f)] += 1;
                        if (previous >= 0)
                            two[size_t(previous * 6 + f)] += 1;
                        previous = f;
                        ++drawn;
                    }
        }
        QCOMPARE(drawn, qint64(600000));
        const double x1 = chisquare::statistic(one, std::vector<double>(6, drawn / 6.0));
        const double x2 = chisquare::statistic(two, std::vector<double>(36, (drawn - 1) / 36.0));
        qInfo("faces %.0f %.0f %.0f %.0f %.0f %.0f: chi-square %.2f p %.3g; pairs chi-square %.2f p %.3g", one[0],
              one[1], one[2], one[3], one[4], one[5], x1, chisquare::pValue(x1, 5), x2, chisquare::pValue(x2, 35));
        QVERIFY(chisquare::pValue(x1, 5) >= 0.001);
        QVERIFY(chisquare::pValue(x2, 35) >= 0.001);
    }

    // The engine: the dice of a challenge rest on the code's faces whatever
    // the time of day, kept dice leave the others' faces alone, hot dice
    // roll on in the same round, and the next new game is ordinary again.
    void engineRollsTheCode()
    {
        const ChallengeCode c = ChallengeCode::parse("7KQD-M2WX");
        const auto expect = [&c](quint64 r, quint64 j, int first, int count) {
            Faces f{};
            for (int k = 1; k <= count; ++k)
                f[size_t(first + k - 1)] = challengeFace(c.key(), r, j, quint64(k));
            return f;
        };
        for (const qint64 clock : {1000ll, 777777ll}) {
            EngineRig rig;
            rig.startPlaying();
            rig.game.newGame(c);
            QVERIFY(rig.game.challenge().active());
            QVERIFY(rig.rollAt(clock));
            Faces got = rig.faces();
            const Faces want = expect(1, 1, 1, 6);
            for (int n = 1; n <= 6; ++n)
                QCOMPARE(got[size_t(n)], want[size_t(n)]);
        }
        // A staged position: dice 1 and 2 kept, four roll in roll 2 of round 1.
        EngineRig rig;
        rig.startPlaying();
        rig.game.newGame(c);
        QVERIFY(rig.rollAt(1000));
        rig.stage({1, 1, 2, 3, 4, 6});
        rig.game.clickDie(1);
        rig.game.clickDie(2);
        QVERIFY(rig.rollAt(4242));
        const Faces second = expect(1, 2, 3, 4);
        for (int n = 3; n <= 6; ++n)
            QCOMPARE(rig.faces()[size_t(n)], second[size_t(n)]);
        // Hot dice: all six kept, the next roll is roll 3 of the round.
        if (!rig.game.state().NewRound) {
            rig.stage({1, 1, 1, 1, 5, 5});
            for (int n = 3; n <= 6; ++n)
                rig.game.clickDie(n);
            QVERIFY(rig.rollAt(99));
            QCOMPARE(rig.game.challenge().roll(), 3);
            const Faces hot = expect(1, 3, 1, 6);
            for (int n = 1; n <= 6; ++n)
                QCOMPARE(rig.faces()[size_t(n)], hot[size_t(n)]);
        }
        // A new round starts at its first roll.
        rig.game.bank();
        if (rig.game.state().NewRound) {
            const qint32 round = rig.game.state().RoundNo;
            QVERIFY(rig.rollAt(5));
            QCOMPARE(rig.game.challenge().round(), round);
            QCOMPARE(rig.game.challenge().roll(), 1);
        }
        rig.game.newGame();
        QVERIFY(!rig.game.challenge().active());
        QVERIFY(rig.brokenInvariant().isEmpty());
    }

    // --- the challenge table ---

    void tableKeepsResultsAndBeginnings()
    {
        QTemporaryDir dir;
        const QString path = ChallengeFile::fileNameIn(dir.path());
        const ChallengeCode c = ChallengeCode::parse("7KQD-M2WX");
        QVERIFY(ChallengeFile::beginPlay(path, c));
        QVERIFY(!ChallengeFile::beginPlay(path, c));
        ChallengeResult r;
        r.code = c;
        r.when = QDateTime(QDate(2026, 12, 8), QTime(20, 0));
        r.rules = {2000, true};
        r.name = QStringLiteral("Ann; <b>x</b>\nnext");
        r.rounds = 27;
        r.seconds = 600;
        r.bestRounds = 22;
        r.first = true;
        ChallengeFile::addResult(path, r);
        r.name = QStringLiteral("Bob");
        r.rounds = 24;
        r.first = false;
        ChallengeFile::addResult(path, r);
        const ChallengeTable t = ChallengeFile::load(path);
        QCOMPARE(t.status, ChallengeTable::Ok);
        QCOMPARE(t.timesBegun(c), 2);
        const QList<ChallengeResult> rows = t.resultsFor(c);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].name, QStringLiteral("Bob")); // fewest rounds first
        QCOMPARE(rows[1].name, QStringLiteral("Ann; <b>x</b> next")); // one line, kept as typed
        QCOMPARE(rows[1].rules, (RuleSet{2000, true}));
        QCOMPARE(rows[1].bestRounds, 22);
        QVERIFY(rows[1].first && !rows[0].first);
    }

    void tableKeepsWhatItDoesNotReadAndStaysBounded()
    {
        QTemporaryDir dir;
        const QString path = ChallengeFile::fileNameIn(dir.path());
        ChallengeTable t;
        ChallengeResult r;
        r.code = ChallengeCode::parse("22222222");
        r.when = QDateTime(QDate(2026, 1, 1), QTime(0, 0));
        r.rounds = 30;
        for (int i = 0; i < ChallengeFile::kMaxResults + 10; ++i)
            t.results << r;
        t.otherLines << "future;line from a later version";
        QVERIFY(writeAtomically(path, ChallengeFile::format(t)).isEmpty());
        r.rounds = 5;
        ChallengeFile::addResult(path, r);
        const ChallengeTable back = ChallengeFile::load(path);
        QCOMPARE(back.status, ChallengeTable::Partial);
        QCOMPARE(back.results.size(), ChallengeFile::kMaxResults);
        QCOMPARE(back.results.last().rounds, 5);
        QCOMPARE(back.otherLines, QList<QByteArray>{"future;line from a later version"});
        // A line with a figure past what play gives is not taken as a result.
        QVERIFY(ChallengeFile::parse("; Korvex challenge table, version 1\nwon;22222222;2026-01-01T00:00:00;1000;0;"
                                     "99999999999;1;1;0;x\n").results.isEmpty());
    }

    void damagedTableIsKeptAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a table") << QString();
        for (const QString &k : HostileFile::kinds())
            if (k != QLatin1String("link out of the folder"))
                QTest::newRow(qPrintable(k)) << k;
    }
    void damagedTableIsKeptAside()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = ChallengeFile::fileNameIn(dir.path());
        if (kind.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("garbage\n");
        } else {
            QVERIFY(HostileFile::make(kind, path, ChallengeFile::kMaxBytes + 1, QString()));
        }
        QCOMPARE(ChallengeFile::load(path).status, ChallengeTable::Damaged);
        QString aside;
        ChallengeFile::addResult(path, ChallengeResult{ChallengeCode::parse("22222222"), QDateTime::currentDateTime(),
                                                       {}, "A", 9, 9, 0, true},
                                 &aside);
        QVERIFY(!aside.isEmpty() && QFileInfo::exists(aside));
        QCOMPARE(ChallengeFile::load(path).results.size(), 1);
    }

    // --- the place a saved challenge game carries ---

    void savedPlace_data()
    {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("outcome"); // 0 none, 1 a place, 2 refused
        ChallengeDice d;
        d.restore(ChallengeCode::parse("7KQD-M2WX"), 3, 2);
        const QByteArray good = ChallengeFile::encodeTrailer(d);
        QCOMPARE(good.size(), ChallengeFile::kTrailerSize);
        QTest::newRow("nothing after the record") << QByteArray() << 0;
        QTest::newRow("other bytes after it") << QByteArray("xyz") << 0;
        QTest::newRow("a place") << good << 1;
        QTest::newRow("cut short") << good.left(20) << 2;
        QByteArray bad = good;
        bad[8] = '0';
        QTest::newRow("no code") << bad << 2;
        bad = good;
        bad[16] = 9; // round 9 while the game is in round 3
        QTest::newRow("a later round") << bad << 2;
        bad = good;
        bad[20] = 0; // roll 0 in round 3
        QTest::newRow("roll 0") << bad << 2;
        bad = good;
        bad[4] = 2;
        QTest::newRow("another version") << bad << 2;
    }
    void savedPlace()
    {
        QFETCH(QByteArray, after);
        QFETCH(int, outcome);
        try {
            const auto place = ChallengeFile::decodeTrailer(after, 3);
            QCOMPARE(place.has_value() ? 1 : 0, outcome);
            if (place) {
                QCOMPARE(place->code().text(), QStringLiteral("7KQD-M2WX"));
                QCOMPARE(place->round(), 3);
                QCOMPARE(place->roll(), 2);
            }
        } catch (const KvxError &) {
            QCOMPARE(outcome, 2);
        }
    }
};

QTEST_GUILESS_MAIN(TstChallenge)
#include "tst_challenge.moc"
