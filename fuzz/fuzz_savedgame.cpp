// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-game reader against arbitrary files. Input: the file, then (after
// its first 116 bytes) a script of player actions played on the opened game.
// A refused file changes nothing; an accepted one leaves the engine in a state
// that keeps its rules through whatever is played next (no points banked from
// a bust, no total past the winning total), and every game it saves from
// there opens again as it was.
#include "FuzzCheck.h"
#include "EngineRules.h"

#include "game/GameRandom.h"
#include "base/KvxError.h"
#include "game/Scoring.h"
#include "game/ManualTimerService.h"
#include "records/SavedGame.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool sameSnapshot(const Game::Snapshot &a, const Game::Snapshot &b)
{
    return encodeSavedGame(a) == encodeSavedGame(b);
}

// Whether the last roll on the table scores nothing: such a roll ends its
// round as it is evaluated, so its points can never be banked.
bool bustOnTable(const Game &g)
{
    const int *rolled = g.state().RollCount;
    return std::any_of(rolled + 1, rolled + 7, [](int c) { return c != 0; }) && isBust(rolled);
}

// The rules every position must keep, wherever the game stands: those of the
// engine at rest, and those of a file the game would open again (so no bust
// on the table, no total past the winning total or below the penalty's reach).
void checkRest(Game &g, const char *after)
{
    QString problem = restingStateProblem(g);
    if (problem.isEmpty())
        problem = savedGameProblem(g.snapshot());
    FUZZ_CHECK(problem.isEmpty(), QStringLiteral("after %1: %2").arg(QLatin1String(after), problem));
}

// Done, watched: points banked from a bust, or a total past the winning total, break the rules.
void doneWatched(Game &g)
{
    const bool bust = bustOnTable(g);
    const qint32 before = g.state().Total;
    g.bank();
    const qint32 winner = g.gameSettings().Winner;
    FUZZ_CHECK(!bust || g.state().Total <= before,
               QStringLiteral("Done banked %1 points from a bust").arg(QString::number(qint64(g.state().Total) - before)));
    FUZZ_CHECK(g.state().Total <= winner,
               QStringLiteral("the total %1 passed the winning total %2").arg(QString::number(g.state().Total), QString::number(winner)));
}

// The engine alone, a game in play: its outcomes go unshown.
struct Rig
{
    ManualTimerService timers;
    GameRandom random;
    Game game{timers, random};
    Rig() { game.newGame(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    Rig rig; // fresh each time, so any finding replays from its input alone
    Game &g = rig.game;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString path = dir.filePath(QStringLiteral("fuzz.kvx"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(bytes);
    }

    // The record itself: decoding is total on 116 bytes and keeps every field.
    bool decodable = true;
    Game::Snapshot s{};
    try {
        s = decodeSavedGame(bytes);
    } catch (const KvxError &) {
        decodable = false;
    }
    FUZZ_CHECK(decodable == (size >= 116), QString::number(size));
    if (decodable) {
        QByteArray expect = bytes.left(116);
        for (int n = 0; n < 6; ++n)
            std::memset(expect.data() + 24 + 4 * n + 1, 0, 3); // faces keep their lowest byte
        FUZZ_CHECK(encodeSavedGame(s) == expect, QStringLiteral("the record does not come back byte for byte"));
    }
    const QString problem = decodable ? savedGameProblem(s) : QStringLiteral("short");

    // Opening it as the window does: read and check, then put it on the table.
    const Game::Snapshot before = g.snapshot();
    const GameState gsBefore = g.state();
    bool accepted = true;
    Game::Snapshot loaded{};
    try {
        loaded = readSavedGame(path);
    } catch (const KvxError &) {
        accepted = false;
    }
    FUZZ_CHECK(accepted == problem.isEmpty(), problem);
    if (!accepted) {
        FUZZ_CHECK(sameSnapshot(before, g.snapshot()), QStringLiteral("a refused file changed the game"));
        FUZZ_CHECK(std::memcmp(&gsBefore, &g.state(), sizeof(GameState)) == 0, QStringLiteral("a refused file changed the state"));
        return 0;
    }
    FUZZ_CHECK(sameSnapshot(loaded, s), QStringLiteral("the file read differs from its record"));
    g.restore(loaded);
    checkRest(g, "opening");
    Game::Snapshot shown = g.snapshot();
    Game::Snapshot want = loaded;
    for (int n = 1; n <= 6; ++n)
        if (want.dieState[n] == DieNone)
            want.dieState[n] = DieFree;
    FUZZ_CHECK(sameSnapshot(shown, want), QStringLiteral("the opened game differs from the file"));
    FUZZ_CHECK(!bustOnTable(g), QStringLiteral("an opened game shows a bust"));
    FUZZ_CHECK(g.state().Total <= g.gameSettings().Winner, QStringLiteral("an opened game is past its winning total"));
    {
        // Done at once on a copy of the opened game: it banks only what a round can hold.
        Rig probe;
        probe.game.restore(loaded);
        doneWatched(probe.game);
        checkRest(probe.game, "Done on the opened game");
    }

    // Play on from there.
    for (size_t i = 116; i + 1 < size; i += 2) {
        const int arg = data[i + 1];
        switch (data[i] % 12) {
        case 0:
        case 1:
            rig.timers.setMsecsSinceMidnightUtc(arg * 997 + qint64(i));
            g.roll();
            FUZZ_CHECK(rig.timers.runUntil([&g] { return g.rollingDice() == 0; }), QStringLiteral("a roll never ends"));
            FUZZ_CHECK(g.state().Total <= g.gameSettings().Winner, QStringLiteral("a roll passed the winning total"));
            break;
        case 2:
        case 3:
            g.clickDie(arg % 8);
            break;
        case 4:
            g.choose(arg & 1 ? 5 : 1, (arg >> 1) % 6 - 1);
            break;
        case 5:
            doneWatched(g);
            break;
        case 6:
            g.stageRoll([&](int) { return arg % 8; });
            break;
        case 7:
            g.stageRoll([](int n) { return n <= 3 ? 1 : 5; });
            break;
        case 8:
            g.pause();
            break;
        case 9:
            g.resume();
            break;
        case 10:
            if (arg == 0)
                g.newGame();
            else
                rig.timers.advance(arg * 100);
            break;
        case 11: {
            // Saving and opening again gives the same game.
            const Game::Snapshot saved = g.snapshot();
            const QByteArray rec = encodeSavedGame(saved);
            const Game::Snapshot again = decodeSavedGame(rec);
            const QString why = savedGameProblem(again);
            FUZZ_CHECK(why.isEmpty(), QStringLiteral("the game refuses its own save: %1").arg(why));
            g.restore(again);
            FUZZ_CHECK(sameSnapshot(saved, g.snapshot()), QStringLiteral("save and open changed the game"));
            break;
        }
        }
        checkRest(g, "an action");
    }
    return 0;
}
