// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AutoPlay.h"
#include "game/Game.h"
#include "game/Scoring.h"
#include "game/ManualTimerService.h"

#include <random>

Strategy optimalStrategy(std::shared_ptr<const AdvisorSolution> solution)
{
    return [solution](qint32 total, qint32 roundPoints, const int rolled[7]) {
        const QVector<AdvisorAction> actions = solution->rankActions(total, roundPoints, rolled);
        return actions.isEmpty() ? AdvisorAction{} : actions.first();
    };
}

Strategy simpleStrategy(const RuleSet &rules, qint32 threshold, int minDice)
{
    const qint32 winner = rules.winner;
    const bool valid = rules.band;
    return [=](qint32 total, qint32 roundPoints, const int rolled[7]) {
        int dice = 0;
        for (int f = 1; f <= 6; ++f)
            dice += rolled[f];
        const QVector<KeepOption> keeps = legalKeeps(rolled);
        AdvisorAction a;
        a.keep = keeps.first();
        bool fits = false;
        for (const KeepOption &k : keeps) {
            const qint64 p = qint64(roundPoints) + k.points;
            if (bankOutcome(total, qint32(p), winner, valid).won) {
                a.keep = k;
                a.bank = true;
                return a;
            }
            const bool kFits = total + p <= winner;
            if (kFits && (!fits || k.points > a.keep.points))
                a.keep = k;
            else if (!fits && !kFits && k.points < a.keep.points)
                a.keep = k;
            fits = fits || kFits;
        }
        const int left = dice - a.keep.kept;
        const qint32 p = roundPoints + a.keep.points;
        const BankOutcome b = bankOutcome(total, p, winner, valid);
        if (!fits)
            a.bank = roundPoints > 0 || left == 0; // nothing fits: end the round
        else
            a.bank = b.accepted() && (p >= threshold || (left > 0 && left < minDice));
        a.diceNext = left == 0 ? 6 : left;
        return a;
    };
}

bool applyAction(Game &game, const AdvisorAction &action)
{
    const KeepOption &k = action.keep;
    int faces[7] = {};
    bool takeable[7] = {}, taken[7] = {};
    for (int n = 1; n <= 6; ++n) {
        faces[n] = game.die(n).value;
        takeable[n] = game.die(n).color == DieFree;
    }
    if (!diceTaken(k.count, faces, takeable, taken))
        return false;
    // A click may take a whole set of three; the dice it took are not clicked again.
    for (int n = 1; n <= 6; ++n)
        if (taken[n] && game.die(n).color == DieFree)
            game.clickDie(n);
    for (int f = 1; f <= 6; ++f)
        if (game.state().SelCount[f] != k.count[f])
            return false;
    if (k.onesEntry > 0)
        game.choose(1, k.onesEntry);
    if (k.fivesEntry > 0)
        game.choose(5, k.fivesEntry);
    // SelScore is only recomputed by a click, so it means something only after one.
    if (!k.empty() && game.state().SelScore != k.points)
        return false;
    if (action.bank)
        game.bank();
    else
        game.roll();
    return true;
}

int playGame(Game &game, ManualTimerService &timers, const Strategy &strategy, quint32 seed, int maxRounds,
             const ChallengeCode &challenge)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<qint64> timeOfDay(0, 86399999);
    int rounds = -1;
    const QMetaObject::Connection winning =
            QObject::connect(&game, &Game::won, [&rounds](const WinSummary &win) { rounds = win.roundNo; });
    game.newGame(challenge);
    const auto settle = [&] { return timers.runUntil([&game] { return game.rollingDice() == 0; }); };
    timers.setMsecsSinceMidnightUtc(timeOfDay(gen));
    game.roll();
    while (settle()) {
        if (rounds >= 0)
            break;
        if (game.state().RoundNo > maxRounds)
            break;
        if (game.state().NewRound) {
            timers.setMsecsSinceMidnightUtc(timeOfDay(gen));
            game.roll();
            continue;
        }
        int rolled[7] = {};
        for (int f = 1; f <= 6; ++f)
            rolled[f] = game.state().RollCount[f];
        const AdvisorAction a = strategy(game.state().Total, game.state().SubScore, rolled);
        if (!a.bank)
            timers.setMsecsSinceMidnightUtc(timeOfDay(gen));
        if (!applyAction(game, a) || rounds >= 0)
            break;
    }
    QObject::disconnect(winning);
    return rounds;
}
