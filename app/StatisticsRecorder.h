// SPDX-License-Identifier: GPL-3.0-or-later
// Puts every won game into the statistics at once, with its review's
// figures as soon as the best play of its rules is solved and the review,
// worked out on the solve worker, has landed.
#pragma once

#include "game/GameRecord.h"
#include "game/Review.h"
#include "game/RuleSet.h"

#include <QObject>

#include <optional>

class Game;
class Prompts;
class SolveService;

class StatisticsRecorder : public QObject
{
    Q_OBJECT

public:
    StatisticsRecorder(Game &game, SolveService &solver, Prompts &prompts, QObject *parent = nullptr);
    // A review still under way is worked out here, so closing right after a
    // win keeps its figures.
    ~StatisticsRecorder() override;

    // The game on the table has just been won. Asks for the solve of its rules
    // when it is not at hand and for its review; their figures follow.
    void recordWin(bool assisted);

signals:
    // The file holds something new: a game, or a game's review.
    void recorded();
    // A won game was reviewed (the practice keeps its costly decisions).
    void reviewed(const GameRecord &record, const GameReview &review);

private:
    // Takes the pending game a step on when its solution or review lands.
    void advance();
    void store(const GameRecord &record, qint64 key, const GameReview &review);

    Game &m_game;
    SolveService &m_solver;
    Prompts &m_prompts;
    // A won game whose review waits for the solve of its rules or the worker.
    struct Pending
    {
        GameRecord record;
        RuleSet rules;
        qint64 key = 0;
    };
    std::optional<Pending> m_pending;
};
