// SPDX-License-Identifier: GPL-3.0-or-later
// Saved games: the record's bytes, writing and reading files, refusing what
// no game could have saved, and putting a loaded game on the table.
#include "game/AutoPlay.h"
#include "game/EngineRig.h"
#include "game/Game.h"
#include "game/GameLimits.h"
#include "game/GameRandom.h"
#include "base/KvxError.h"
#include "game/ManualTimerService.h"
#include "records/SavedGame.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <random>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

qint32 field(const QByteArray &rec, int offset)
{
    return qFromLittleEndian<qint32>(rec.constData() + offset);
}

void setField(QByteArray &rec, int offset, qint32 v)
{
    qToLittleEndian<qint32>(v, rec.data() + offset);
}

bool sameSnapshot(const Game::Snapshot &a, const Game::Snapshot &b)
{
    return encodeSavedGame(a) == encodeSavedGame(b);
}

// Everything of a game that a load may touch, for "nothing changed" checks.
struct Observed
{
    Game::Snapshot snap;
    qint32 keptCount, selScore;
    bool newRound;
    int eSubScore, eScore, eRnd;
    std::optional<qint64> rating;
    bool rg10Visible, rg5Visible;

    explicit Observed(const Game &g)
        : snap(g.snapshot()), keptCount(g.state().KeptCount), selScore(g.state().SelScore),
          newRound(g.state().NewRound), eSubScore(shown(g).eSubScore()), eScore(shown(g).eScore()), eRnd(shown(g).eRnd()),
          rating(shown(g).rating()), rg10Visible(shown(g).choiceList(1).visible), rg5Visible(shown(g).choiceList(5).visible) {}

    bool operator==(const Observed &o) const
    {
        return sameSnapshot(snap, o.snap) && keptCount == o.keptCount && selScore == o.selScore
                && newRound == o.newRound && eSubScore == o.eSubScore && eScore == o.eScore
                && eRnd == o.eRnd && rating == o.rating && rg10Visible == o.rg10Visible
                && rg5Visible == o.rg5Visible;
    }
};

// Opens as the main window does: the game changes only when the whole file is good.
QString openInto(Game &game, const QString &path)
{
    try {
        applySavedGame(game, readSavedGame(path));
    } catch (const KvxError &e) {
        return e.message();
    }
    return QString();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

class TestSavedGame : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A game in its second round: 100 banked, four dice Kept worth 105, and of
    // the two rolled again one 1 Selected and one 1 Free. Clock at 7 s or more.
    // Rolls are random, so seeds are tried until no roll busts.
    static bool playToMidRound(EngineRig &t)
    {
        Game &g = t.game;
        for (qint64 seed = 1; seed < 100; ++seed) {
            t.timers.setMsecsSinceMidnightUtc(seed * 1009);
            g.newGame();
            if (!t.rollNow())
                return false;
            if (g.state().NewRound)
                continue;
            g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });           // 1 1 1 5 5 5
            for (int n = 1; n <= 3; ++n)
                g.clickDie(n);
            g.bank();            // banks 100
            if (!t.rollNow())
                return false;
            if (g.state().NewRound)
                continue;
            g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
            for (int n = 1; n <= 4; ++n)
                g.clickDie(n);      // three 1s (Full 100) and a 5
            if (!t.rollNow())
                return false;
            if (g.state().NewRound)
                continue;
            g.stageRoll([&](int) { return 1; });          // the two rolled dice show 1
            g.clickDie(5);
            t.timers.advance(7000);
            g.pause();
            return g.state().Total == 100 && g.state().RoundNo == 2 && g.state().KeptCount == 4
                    && g.state().SubScore == 105 && g.state().SelScore == 10 && g.elapsedSeconds() >= 7
                    && g.die(5).color == DieSelected && g.die(6).color == DieFree;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
    }

    // --- the record ---

    void startUpRecordIsExact()
    {
        EngineRig t{EngineRig::Prepared};
        const QByteArray rec = encodeSavedGame(t.game.snapshot());

        QByteArray expected(116, '\0');
        for (int n = 1; n <= 6; ++n) {
            const int face = t.game.die(n).value;
            QVERIFY(face >= 1 && face <= 6);
            expected[24 + (n - 1) * 4] = char(face); // faces as shown, zero-extended
        }
        expected[104] = 1; // RoundNo
        expected[112] = char(1000 & 0xFF);
        expected[113] = char(1000 >> 8);
        QCOMPARE(rec.size(), 116);
        QCOMPARE(rec.toHex(), expected.toHex());

        // ...and the file holds exactly that, nothing before or after.
        writeSavedGame(path("start.kvx"), t.game.snapshot());
        QCOMPARE(readBytes(path("start.kvx")).toHex(), expected.toHex());
    }

    void fieldsSitAtTheirOffsetsLittleEndian()
    {
        Game::Snapshot s{};
        const qint32 states[7] = {0, 0, 1, 2, -1, 2, 1};
        for (int n = 1; n <= 6; ++n) {
            s.dieState[n] = states[n];
            s.face[n] = 7 - n;
            s.selCount[n] = 10 + n;
            s.rollCount[n] = 20 + n;
        }
        s.subScore = 105;
        s.total = -100;
        s.roundNo = 0x01020304;
        s.elapsedSeconds = 3661;
        s.winner = 2000;
        const QByteArray rec = encodeSavedGame(s);
        QCOMPARE(rec.size(), 116);
        for (int n = 1; n <= 6; ++n) {
            const int i = (n - 1) * 4;
            QCOMPARE(field(rec, 0 + i), states[n]);
            QCOMPARE(field(rec, 24 + i), 7 - n);
            QCOMPARE(field(rec, 48 + i), 10 + n);
            QCOMPARE(field(rec, 72 + i), 20 + n);
        }
        QCOMPARE(rec.mid(12, 4).toHex(), QByteArray("ffffffff"));
        QCOMPARE(rec.mid(100, 4).toHex(), QByteArray("9cffffff"));
        QCOMPARE(rec.mid(104, 4).toHex(), QByteArray("04030201"));
        QCOMPARE(field(rec, 96), 105);
        QCOMPARE(field(rec, 108), 3661);
        QCOMPARE(field(rec, 112), 2000);

        QVERIFY(sameSnapshot(decodeSavedGame(rec), s));
    }

    void facesAreWrittenFromTheirLowestByte()
    {
        EngineRig t{EngineRig::Prepared};
        Game::Snapshot s = t.game.snapshot();
        s.face[2] = 0x0104;
        const QByteArray rec = encodeSavedGame(s);
        QCOMPARE(rec.mid(28, 4).toHex(), QByteArray("04000000"));
    }

    void decodingTooFewBytesFails()
    {
        QVERIFY_THROWS_EXCEPTION(KvxError, decodeSavedGame(QByteArray(115, '\0')));
    }

    // --- save and open ---

    void saveThenOpenRestoresTheGame()
    {
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        const QString file = path("mid.kvx");
        writeSavedGame(file, a.game.snapshot());
        QCOMPARE(QFileInfo(file).size(), qint64(116));

        EngineRig b{EngineRig::Prepared};
        QVERIFY(b.game.die(5).color != DieSelected);
        QCOMPARE(openInto(b.game, file), QString());
        Game &g = b.game;

        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(g.die(n).value, a.game.die(n).value);
            QCOMPARE(g.die(n).color, a.game.die(n).color);
            QCOMPARE(g.state().SelCount[n], a.game.state().SelCount[n]);
            QCOMPARE(g.state().RollCount[n], a.game.state().RollCount[n]);
        }
        QCOMPARE(g.state().SubScore, 105);
        QCOMPARE(g.state().Total, 100);
        QCOMPARE(g.state().RoundNo, 2);
        QCOMPARE(g.elapsedSeconds(), a.game.elapsedSeconds());
        QCOMPARE(g.elapsedSeconds(), a.game.elapsedSeconds());

        // What the file does not carry follows from the dice.
        QCOMPARE(g.state().KeptCount, 4);
        QCOMPARE(g.state().NewRound, false);
        QCOMPARE(g.state().SelScore, 10);

        // Displays: the subtotal is what Done banks, the selection included.
        QCOMPARE(shown(g).eScore(), 100);
        QCOMPARE(shown(g).eRnd(), 2);
        QCOMPARE(shown(g).eSubScore(), 115);
        QCOMPARE(shown(g).rating(), shown(a.game).rating());
        QCOMPARE(shown(g).rating(), 10000);
        QVERIFY(!shown(g).choiceList(1).visible);
    }

    void openedGamePlaysOnAndItsClockResumes()
    {
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        const QString file = path("resume.kvx");
        writeSavedGame(file, a.game.snapshot());

        EngineRig b{EngineRig::Prepared};
        QCOMPARE(openInto(b.game, file), QString());
        Game &g = b.game;
        g.pause();
        QVERIFY(shown(g).coverVisible());
        QVERIFY(shown(g).contVisible());
        QVERIFY(!clockRunning(g));

        const qint32 loaded = g.elapsedSeconds();
        g.resume();
        b.timers.advance(1000);
        QCOMPARE(g.elapsedSeconds(), loaded + 1);

        // The Selected 1 becomes the fifth Kept die and only die 6 rolls.
        const int before = b.prompts.messages.size();
        QVERIFY(b.rollNow());
        QCOMPARE(b.prompts.messages.mid(before).contains(shown(g).gameTexts().msgNoSel), false);
        if (!g.state().NewRound) { // the single die did not bust
            QCOMPARE(g.state().KeptCount, 5);
            QCOMPARE(g.state().SubScore, 115);
        } else {
            QCOMPARE(g.state().Total, 100);
        }
    }

    void aSelectionOfThreeOnesComesBackWithItsChoiceList()
    {
        EngineRig a{EngineRig::Prepared};
        a.game.newGame();
        for (qint64 seed = 1; a.game.state().NewRound && seed < 50; ++seed) {
            a.timers.setMsecsSinceMidnightUtc(seed * 1009);
            QVERIFY(a.rollNow());
        }
        QVERIFY(!a.game.state().NewRound);
        a.game.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
        for (int n = 1; n <= 4; ++n)
            a.game.clickDie(n);
        a.game.choose(1, 1); // 3 * 10
        QCOMPARE(a.game.state().SelScore, 35);
        const QString file = path("ones.kvx");
        writeSavedGame(file, a.game.snapshot());

        EngineRig b{EngineRig::Prepared};
        QCOMPARE(openInto(b.game, file), QString());
        // The list is rebuilt with its first entry, the full set.
        QVERIFY(shown(b.game).choiceList(1).visible);
        QCOMPARE(shown(b.game).choiceList(1).itemIndex, 0);
        QCOMPARE(b.game.state().SelScore, 105);
        QCOMPARE(shown(b.game).eSubScore(), 105);
        QVERIFY(!b.game.state().NewRound);
    }

    void startUpFileOpensWithContinue()
    {
        EngineRig a{EngineRig::Prepared};
        const QString file = path("fresh.kvx");
        writeSavedGame(file, a.game.snapshot());

        EngineRig b{EngineRig::Prepared};
        QVERIFY(playToMidRound(b));
        QCOMPARE(openInto(b.game, file), QString());
        Game &g = b.game;
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(g.die(n).color, int(DieFree));
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QCOMPARE(g.state().SubScore, 0);
        QCOMPARE(g.state().KeptCount, 0);
        QCOMPARE(g.state().NewRound, true);
        QCOMPARE(g.elapsedSeconds(), 0);
        QCOMPARE(shown(g).rating(), 0);
        g.pause();
        QVERIFY(shown(g).contVisible());
    }

    void bytesAfterTheRecordAreIgnored()
    {
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        const QByteArray rec = encodeSavedGame(a.game.snapshot());
        writeBytes(path("long.kvx"), rec + QByteArray("\x7f", 1));
        writeBytes(path("exact.kvx"), rec);

        EngineRig b{EngineRig::Prepared}, c{EngineRig::Prepared};
        QCOMPARE(openInto(b.game, path("long.kvx")), QString());
        QCOMPARE(openInto(c.game, path("exact.kvx")), QString());
        QVERIFY(Observed(b.game) == Observed(c.game));
        QVERIFY(sameSnapshot(b.game.snapshot(), a.game.snapshot()));
    }

    void shortFileIsRefusedAndChangesNothing_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("115 bytes") << 115;
        QTest::newRow("empty") << 0;
    }

    void shortFileIsRefusedAndChangesNothing()
    {
        QFETCH(int, size);
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        const QString file = path(QStringLiteral("short%1.kvx").arg(size));
        writeBytes(file, encodeSavedGame(EngineRig(EngineRig::Prepared).game.snapshot()).left(size));

        const Observed before(a.game);
        const QString error = openInto(a.game, file);
        QVERIFY(error.contains(QStringLiteral("Read beyond end of file")));
        QVERIFY(error.contains(QDir::toNativeSeparators(file)));
        QVERIFY(Observed(a.game) == before);
    }

    void unreadableFileIsRefusedWithTheSystemsReason()
    {
        EngineRig a{EngineRig::Prepared};
        const Observed before(a.game);
        const QString missing = path("missing.kvx");
        const QString error = openInto(a.game, missing);
        QVERIFY(error.startsWith(QDir::toNativeSeparators(missing) + QStringLiteral(": ")));
        QVERIFY(error.size() > missing.size() + 2);
        QVERIFY(!error.contains(QStringLiteral("Read beyond")));

        QVERIFY(!openInto(a.game, m_dir.path()).isEmpty()); // a folder
        // A pipe with no writer and an endless device are refused at once.
        const QString pipe = path("pipe.kvx");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(openInto(a.game, pipe).startsWith(QDir::toNativeSeparators(pipe) + QStringLiteral(": ")));
        const QString zero = path("zero.kvx");
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        QVERIFY(openInto(a.game, zero).startsWith(QDir::toNativeSeparators(zero) + QStringLiteral(": ")));
        QVERIFY(Observed(a.game) == before);
    }

    void impossibleFilesAreRefused_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<qint32>("value");

        // Offsets into the mid-round record: dice 1-4 Kept (1 1 1 5),
        // die 5 a Selected 1, die 6 a Free 1.
        QTest::newRow("face 7") << 24 << 7;
        QTest::newRow("face 0") << 24 + 20 << 0;
        QTest::newRow("face 7 in the lowest byte") << 24 + 4 << 0x0107;
        QTest::newRow("face -1") << 24 << -1;
        QTest::newRow("die state 3") << 0 << 3;
        QTest::newRow("die state -2") << 20 << -2;
        QTest::newRow("winner 0") << 112 << 0;
        QTest::newRow("winner negative") << 112 << -1000;
        QTest::newRow("round 0") << 104 << 0;
        QTest::newRow("negative time") << 108 << -1;
        QTest::newRow("selection count too high") << 48 << 2;
        QTest::newRow("selection count too low") << 48 << 0;
        QTest::newRow("selection of another face") << 48 + 4 << 1;
        QTest::newRow("selection count negative") << 48 + 16 << -1;
        QTest::newRow("roll count too high") << 72 << 3;
        QTest::newRow("roll count counts a Kept die") << 72 + 16 << 1;
        QTest::newRow("die made Free without its selection") << 16 << 0;
        QTest::newRow("Selected die made Kept") << 16 << 2;
    }

    void impossibleFilesAreRefused()
    {
        QFETCH(int, offset);
        QFETCH(qint32, value);
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        QByteArray rec = encodeSavedGame(a.game.snapshot());
        QVERIFY(savedGameProblem(decodeSavedGame(rec)).isEmpty());
        setField(rec, offset, value);
        const QString file = path(QStringLiteral("bad%1.kvx").arg(QTest::currentDataTag()).replace(' ', '_'));
        writeBytes(file, rec);

        EngineRig b{EngineRig::Prepared};
        const Observed before(b.game);
        const QString error = openInto(b.game, file);
        QVERIFY2(error.contains(QDir::toNativeSeparators(file)), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("not a Korvex saved game")), qPrintable(error));
        QVERIFY(Observed(b.game) == before);
    }

    void groupFacesSelectedOnceOrTwiceAreRefused_data()
    {
        QTest::addColumn<int>("selected");
        QTest::newRow("one 2") << 1;
        QTest::newRow("two 2s") << 2;
        QTest::newRow("three 2s") << 3;
    }

    void groupFacesSelectedOnceOrTwiceAreRefused()
    {
        QFETCH(int, selected);
        // A roll of four 2s, a 3 and a 6, with counts that agree with the dice.
        Game::Snapshot s{};
        const int faces[7] = {0, 2, 2, 2, 2, 3, 6};
        for (int n = 1; n <= 6; ++n) {
            s.face[n] = faces[n];
            s.dieState[n] = n <= selected ? DieSelected : DieFree;
            s.rollCount[faces[n]] += 1;
        }
        s.selCount[2] = selected;
        s.roundNo = 1;
        s.winner = 1000;
        const QString problem = savedGameProblem(s);
        QCOMPARE(problem.isEmpty(), selected == 3);
    }

    void diceHeldBeforeTheFirstRollAreRefused()
    {
        EngineRig t{EngineRig::Prepared};
        Game::Snapshot s = t.game.snapshot();
        QVERIFY(savedGameProblem(s).isEmpty());
        s.dieState[3] = DieKept;
        QVERIFY(!savedGameProblem(s).isEmpty());
        s.dieState[3] = DieSelected;
        s.selCount[s.face[3]] = 1;
        QVERIFY(!savedGameProblem(s).isEmpty());
    }

    void sixKeptDiceAreRefused()
    {
        EngineRig t{EngineRig::Prepared};
        Game::Snapshot s = t.game.snapshot();
        for (int n = 1; n <= 6; ++n)
            s.dieState[n] = DieKept;
        QVERIFY(!savedGameProblem(s).isEmpty());
    }

    // Positions no play reaches, each beside its nearest reachable neighbour.
    // Dice: faces of dice 1..6 and their states (0 Free, 1 Selected, 2
    // Kept); "rolled" counts the dice not Kept as the last roll.
    void unreachablePositionsAreRefused_data()
    {
        QTest::addColumn<QString>("faces");
        QTest::addColumn<QString>("states");
        QTest::addColumn<bool>("rolled");
        QTest::addColumn<int>("subScore");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("roundNo");
        QTest::addColumn<int>("winner");
        QTest::addColumn<QString>("says"); // empty: accepted
        const int last = GameLimits::maxRounds;
        QTest::newRow("bust on the table with 300 points") << "223346" << "000000" << true << 300 << 0 << 3 << 1000 << "(2 2 3 3 4 6) scores nothing";
        QTest::newRow("bust on the table with no points") << "223346" << "000000" << true << 0 << 0 << 3 << 1000 << "scores nothing";
        QTest::newRow("bust beside kept dice") << "111234" << "222000" << true << 100 << 0 << 3 << 1000 << "(2 3 4) scores nothing";
        QTest::newRow("a roll that scores") << "111235" << "222000" << true << 100 << 0 << 3 << 1000 << "";
        QTest::newRow("total 1100, winner 1000") << "123456" << "000000" << false << 0 << 1100 << 5 << 1000 << "past the winning total 1000";
        QTest::newRow("total at the winner") << "123456" << "000000" << false << 0 << 1000 << 5 << 1000 << "";
        QTest::newRow("1000 points before a roll") << "123456" << "000000" << false << 1000 << 0 << 1 << 1000 << "points (1000) before its first roll";
        QTest::newRow("points no multiple of 5") << "123456" << "000000" << true << 303 << 0 << 2 << 1000 << "(303) are not a multiple of 5";
        QTest::newRow("total no multiple of 5") << "123456" << "000000" << false << 0 << 7 << 2 << 1000 << "total 7 is not a multiple of 5";
        QTest::newRow("negative points") << "123456" << "000000" << true << -100 << 0 << 2 << 1000 << "below 0";
        QTest::newRow("below the penalty's reach") << "123456" << "000000" << false << 0 << -300 << 3 << 1000 << "below -200";
        QTest::newRow("at the penalty's reach") << "123456" << "000000" << false << 0 << -200 << 3 << 1000 << "";
        QTest::newRow("total -2147483000") << "123456" << "000000" << false << 0 << -2147483000 << 1 << 1000 << "below 0";
        QTest::newRow("the last round") << "123456" << "000000" << false << 0 << int(GameLimits::lowestTotal) << last << 1000 << "";
        QTest::newRow("past the last round") << "123456" << "000000" << false << 0 << 0 << last + 1 << 1000 << "past 999999";
        QTest::newRow("points below the kept dice") << "111152" << "222000" << true << 25 << 0 << 2 << 1000 << "at least 30";
        QTest::newRow("points at the kept dice") << "111152" << "222000" << true << 30 << 0 << 2 << 1000 << "";
        QTest::newRow("five kept 4s below their set") << "444441" << "222220" << true << 155 << 0 << 2 << 1000 << "at least 160";
        QTest::newRow("five kept 4s") << "444441" << "222220" << true << 160 << 0 << 2 << 1000 << "";
        QTest::newRow("two kept 2s") << "221534" << "220000" << true << 100 << 0 << 2 << 1000 << "kept dice showing 2";
        QTest::newRow("hot dice carried past the winner") << "123466" << "000000" << true << 4000 << 0 << 2 << 1000 << "";
        QTest::newRow("a selection beside kept dice") << "511235" << "210000" << true << 5 << 0 << 2 << 1000 << "";
        QTest::newRow("the largest winner a file holds") << "123456" << "000000" << false << 0 << 0 << 1 << 2147483647 << "";
    }

    void unreachablePositionsAreRefused()
    {
        QFETCH(QString, faces);
        QFETCH(QString, states);
        QFETCH(bool, rolled);
        QFETCH(int, subScore);
        QFETCH(int, total);
        QFETCH(int, roundNo);
        QFETCH(int, winner);
        QFETCH(QString, says);
        Game::Snapshot s{};
        for (int n = 1; n <= 6; ++n) {
            s.face[n] = faces[n - 1].digitValue();
            s.dieState[n] = states[n - 1].digitValue();
            if (s.dieState[n] == DieSelected)
                s.selCount[s.face[n]] += 1;
            if (rolled && s.dieState[n] != DieKept)
                s.rollCount[s.face[n]] += 1;
        }
        s.subScore = subScore;
        s.total = total;
        s.roundNo = roundNo;
        s.winner = winner;
        const QString file = path(QStringLiteral("unreachable.kvx"));
        writeSavedGame(file, s);
        EngineRig t{EngineRig::Prepared};
        const Observed before(t.game);
        const QString error = openInto(t.game, file);
        if (says.isEmpty()) {
            QCOMPARE(error, QString());
            return;
        }
        QVERIFY2(error.contains(says) && error.contains(QDir::toNativeSeparators(file)), qPrintable(error));
        QVERIFY(Observed(t.game) == before);
        qInfo().noquote() << QTest::currentDataTag() << "->" << error;
    }

    // Every position the game itself reaches opens again: many whole games,
    // played by random choices, checked wherever a save could happen (after
    // each roll that scores, each click that selects, each round end and win).
    void everySavableMomentOfRandomGamesOpens()
    {
        std::mt19937 rng(20240601);
        int games = 0, checks = 0, hotDice = 0, refused = 0, penalties = 0;
        QString failure;
        for (; games < 200 && failure.isEmpty(); ++games) {
            EngineRig rig;
            Game &g = rig.game;
            // Winning totals a game can reach exactly under either band rule.
            const RuleSet rules{int(1 + rng() % 3) * 1000, rng() % 2 == 0};
            setRules(g, rules);
            const auto check = [&](const char *when) {
                const QString problem = savedGameProblem(decodeSavedGame(encodeSavedGame(g.snapshot())));
                if (!problem.isEmpty() && failure.isEmpty())
                    failure = QStringLiteral("game %1, %2: %3").arg(QString::number(games), QLatin1String(when), problem);
                ++checks;
            };
            QObject::connect(&g, &Game::selectionChanged, [&] { check("a click"); });
            QObject::connect(&g, &Game::roundEnded, [&](qint32 points, BankVerdict verdict) {
                refused += verdict != BankVerdict::Banked ? 1 : 0;
                penalties += points < 0 ? 1 : 0;
                check("a round end");
            });
            rig.presenter.checkWin = [&](const WinSummary &) {
                check("a win");
                return true;
            };
            // Mostly a plain strategy, so games end; now and then any legal play.
            const Strategy plain = simpleStrategy(rules, qint32(150 + rng() % 400), int(1 + rng() % 3));
            const Strategy random = [&](qint32 total, qint32 roundPoints, const int rolled[7]) {
                check("a roll");
                AdvisorAction a = plain(total, roundPoints, rolled);
                const QVector<KeepOption> keeps = legalKeeps(rolled);
                if (rng() % 4 == 0) {
                    a.keep = keeps[int(rng() % keeps.size())];
                    a.bank = rng() % 3 == 0;
                }
                int dice = 0;
                for (int f = 1; f <= 6; ++f)
                    dice += rolled[f];
                hotDice += a.keep.kept == dice && !a.bank ? 1 : 0;
                return a;
            };
            if (playGame(g, rig.timers, random, rng(), 3000) < 0 && failure.isEmpty())
                failure = QStringLiteral("game %1 did not end: round %2, total %3, points %4, winner %5")
                                  .arg(QString::number(games), QString::number(g.state().RoundNo), QString::number(g.state().Total),
                                       QString::number(g.state().SubScore), QString::number(rules.winner));
        }
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(hotDice > 0 && refused > 0 && penalties > 0);
        qInfo() << games << "games," << checks << "saved positions checked," << hotDice << "hot dice";
    }

    // The engine never passes the last round, nor a round's points past what a count holds.
    void theEngineStaysWithinTheLimits()
    {
        EngineRig rig;
        rig.startPlaying();
        restoreWith(rig.game, [](Game::Snapshot &s) {
            s.roundNo = GameLimits::maxRounds;
            s.total = GameLimits::lowestTotal;
        });
        QSignalSpy newGame(&rig.game, &Game::newGameStarted);
        QVERIFY(rig.rollAt(rig.midnightFor(false)));  // the penalty, in the last round
        QCOMPARE(newGame.count(), 1);
        QVERIFY(rig.prompts.messages.last().contains(QStringLiteral("999999")));
        QCOMPARE(rig.game.state().RoundNo, 1);
        QCOMPARE(rig.game.state().Total, 0);
        QVERIFY(shown(rig.game).coverVisible());

        // A round's points stop at the largest multiple of 5, and such a game still opens.
        QVERIFY(rig.playingWith({1, 5, 2, 3, 4, 6}));
        restoreWith(rig.game, [](Game::Snapshot &s) { s.subScore = GameLimits::maxPoints - 5; });
        rig.game.clickDie(1);
        QVERIFY(rig.scoringRoll());
        QCOMPARE(rig.game.state().SubScore, GameLimits::maxPoints);
        QCOMPARE(savedGameProblem(rig.game.snapshot()), QString());
    }

    void stateMinusOneIsPartOfTheFormat()
    {
        EngineRig t{EngineRig::Prepared};
        Game::Snapshot s = t.game.snapshot();
        s.dieState[4] = -1;
        QVERIFY(savedGameProblem(s).isEmpty());
    }

    // Whatever the game reaches in play, it must be able to open again.
    void everyStateReachedInPlayIsAccepted()
    {
        EngineRig t{EngineRig::Prepared};
        Game &g = t.game;
        g.newGame();
        int rolls = 0, checked = 0, hotDice = 0;
        auto check = [&](const char *when) {
            const QString problem = savedGameProblem(g.snapshot());
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("%1 after %2 rolls: %3").arg(QLatin1String(when), QString::number(rolls), problem)));
            ++checked;
        };
        while (rolls < 150) {
            check("before a roll");
            if (QTest::currentTestFailed())
                return;
            int held = g.state().KeptCount;
            for (int f = 1; f <= 6; ++f)
                held += g.state().SelCount[f];
            t.timers.setMsecsSinceMidnightUtc(1000 + rolls * 7919);
            QVERIFY(t.rollNow());
            ++rolls;
            if (held == 6)
                ++hotDice;
            check("after a roll");
            if (QTest::currentTestFailed() || g.state().NewRound)
                continue;
            // Take every die that scores; now and then put one back.
            for (int n = 1; n <= 6; ++n)
                if (g.die(n).color == DieFree)
                    g.clickDie(n);
            check("after selecting");
            if (rolls % 4 == 0) {
                for (int n = 6; n >= 1; --n) {
                    if (g.die(n).color == DieSelected) {
                        g.clickDie(n);
                        break;
                    }
                }
                check("after putting back");
            }
            if (QTest::currentTestFailed())
                return;
            int selected = 0;
            for (int f = 1; f <= 6; ++f)
                selected += g.state().SelCount[f];
            if (selected == 0 || g.state().SubScore + g.state().SelScore >= 250)
                g.bank();
        }
        // The cheat staging at a round's start is reachable too.
        t.endRound(0);
        g.stageRoll([&](int) { return 3; });
        check("after staging a roll before the first one");
        QVERIFY(checked > 300);
        QVERIFY(g.state().RoundNo > 10 || g.state().Total != 0);
        qDebug() << "hot dice seen:" << hotDice;
    }

    // --- settings carried by the file ---

    void winnerFromTheFileReplacesTheConfiguredOne()
    {
        EngineRig a{EngineRig::Prepared};
        Game::Snapshot s = a.game.snapshot();
        s.winner = 2000;
        const QString file = path("w2000.kvx");
        writeSavedGame(file, s);

        EngineRig b{EngineRig::Prepared};
        QCOMPARE(b.game.gameSettings().Winner, 1000);
        QSignalSpy newGame(&b.game, &Game::newGameStarted); // the game-type line stays as it was
        QCOMPARE(openInto(b.game, file), QString());
        QCOMPARE(b.game.gameSettings().Winner, 2000);
        QCOMPARE(newGame.count(), 0);
    }

    void faceIsReadFromItsLowestByte()
    {
        EngineRig a{EngineRig::Prepared};
        QByteArray rec = encodeSavedGame(a.game.snapshot());
        setField(rec, 24 + 8, 0x00000103);  // die 3
        setField(rec, 24 + 12, qint32(0xFFFFFF05)); // die 4
        const QString file = path("lowbyte.kvx");
        writeBytes(file, rec);

        const Game::Snapshot s = readSavedGame(file);
        QCOMPARE(s.face[3], 3);
        QCOMPARE(s.face[4], 5);
        EngineRig b{EngineRig::Prepared};
        QCOMPARE(openInto(b.game, file), QString());
        QCOMPARE(b.game.die(3).value, 3);
        QCOMPARE(b.game.die(4).value, 5);
    }

    // --- failing saves ---

    void saveIntoAFileAsFolderFailsNamingTheFile()
    {
        const QString notADir = path("plain");
        writeBytes(notADir, "x");
        const QString file = notADir + QStringLiteral("/game.kvx");
        EngineRig t{EngineRig::Prepared};
        try {
            writeSavedGame(file, t.game.snapshot());
            QFAIL("the save should have failed");
        } catch (const KvxError &e) {
            QVERIFY2(e.message().startsWith(QDir::toNativeSeparators(file) + QStringLiteral(": ")),
                     qPrintable(e.message()));
            QVERIFY(e.message().size() > file.size() + 2);
        }
        QCOMPARE(readBytes(notADir), QByteArray("x"));
    }

    void saveOverwritesAnEarlierFile()
    {
        const QString file = path("again.kvx");
        writeBytes(file, QByteArray(300, 'z'));
        EngineRig a{EngineRig::Prepared};
        QVERIFY(playToMidRound(a));
        writeSavedGame(file, a.game.snapshot());
        QCOMPARE(readBytes(file), encodeSavedGame(a.game.snapshot()));
    }

    // A save that fails (a write-protected folder; a write that stops half-way
    // on a full disk or a size limit) names the file and keeps the earlier one.
    void failedSaveKeepsTheEarlierFile_data()
    {
        QTest::addColumn<bool>("protectedFolder");
        QTest::addColumn<QString>("why");
        QTest::newRow("write-protected folder") << true << QString();
        QTest::newRow("stopped half-way") << false << QStringLiteral("File too large");
    }
    void failedSaveKeepsTheEarlierFile()
    {
#ifdef Q_OS_UNIX
        QFETCH(bool, protectedFolder);
        QFETCH(QString, why);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath("kept.kvx");
        EngineRig a{EngineRig::Prepared};
        writeSavedGame(file, a.game.snapshot());
        const QByteArray earlier = readBytes(file);
        EngineRig b{EngineRig::Prepared};
        QVERIFY(playToMidRound(b));

        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 50;
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (protectedFolder)
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        else
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool stillWritable = ::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0;
        QString error;
        try {
            writeSavedGame(file, b.game.snapshot());
        } catch (const KvxError &e) {
            error = e.message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (protectedFolder && stillWritable)
            QSKIP("this user writes into write-protected folders");

        QVERIFY2(error.startsWith(QDir::toNativeSeparators(file) + QStringLiteral(": ")), qPrintable(error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QCOMPARE(readBytes(file), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.kvx")});
#else
        QSKIP("needs POSIX permissions and resource limits");
#endif
    }
};

QTEST_GUILESS_MAIN(TestSavedGame)
#include "tst_savedgame.moc"
