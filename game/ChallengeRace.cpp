// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/ChallengeRace.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/ManualTimerService.h"

qint32 ChallengeRun::totalAfter(qint32 round) const
{
    if (round < 1 || totals.isEmpty())
        return 0;
    return totals[qMin(round, qint32(totals.size())) - 1];
}

ChallengeRun playChallenge(Game &game, ManualTimerService &timers, const Strategy &strategy,
                           const ChallengeCode &code, quint32 seed, int maxRounds)
{
    ChallengeRun run;
    const auto after = QObject::connect(&game, &Game::roundEnded,
                                        [&](qint32, BankVerdict, qint32 total, qint32) { run.totals.append(total); });
    const auto won = QObject::connect(&game, &Game::won, [&](const WinSummary &w) {
        run.totals.append(w.total);
        run.rounds = w.roundNo;
    });
    playGame(game, timers, strategy, seed, maxRounds, code);
    QObject::disconnect(after);
    QObject::disconnect(won);
    return run;
}

ChallengeRun playChallenge(const Strategy &strategy, const RuleSet &rules, const ChallengeCode &code, int maxRounds)
{
    ManualTimerService timers;
    GameRandom random;
    Game game(timers, random);
    game.applySettings({rules.winner, rules.band, 1});
    return playChallenge(game, timers, strategy, code, 1, maxRounds);
}
