// SPDX-License-Identifier: GPL-3.0-or-later
// Puts every won game into the statistics, with its review's figures as
// soon as the best play of its rules is solved.
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

    // The game on the table has just been won. Asks for the solve of its rules
    // when it is not at hand; its review's figures follow when it lands.
    void recordWin(bool assisted);

signals:
    // The file holds something new: a game, or a game's review.
    void recorded();
    // A won game was reviewed (the practice keeps its costly decisions).
    void reviewed(const GameRecord &record, const GameReview &review);

private:
    void solved();

    Game &m_game;
    SolveService &m_solver;
    Prompts &m_prompts;
    // A won game whose review waits for the solve of its rules.
    struct Pending
    {
        GameRecord record;
        RuleSet rules;
        qint64 key = 0;
    };
    std::optional<Pending> m_pending;
};
