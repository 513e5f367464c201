// SPDX-License-Identifier: GPL-3.0-or-later
// Puts every won game into the statistics at once, with its review's
// figures as soon as the best play of its rules is solved and the review,
// worked out on the solve worker, has landed. The file is written on a
// thread of its own, one write after another: a game before its review.
// A write that finds the file in use by another copy of the game past the
// wait is kept and tried again before the next one, and once more, waiting
// longer, when the game closes; only then is the player told it was lost.
#pragma once

#include "game/GameRecord.h"
#include "game/Review.h"
#include "game/RuleSet.h"
#include "base/FileLock.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class Game;
struct WinSummary;
class Prompts;
class SolveService;

class StatisticsRecorder : public QObject
{
    Q_OBJECT

public:
    StatisticsRecorder(Game &game, SolveService &solver, Prompts &prompts, QObject *parent = nullptr);
    // A review still under way is worked out here, and every write waited
    // for, so closing right after a win keeps the game and its figures;
    // writes still kept for later get their last try.
    ~StatisticsRecorder() override;

    // The game on the table has just been won. Asks for the solve of its rules
    // when it is not at hand and for its review; their figures follow.
    void recordWin(const WinSummary &won, bool assisted);

    // Waits for the writes under way; then how many wait for a file in use.
    int settle();

signals:
    // The file holds something new: a game, or a game's review.
    void recorded();
    // A won game was reviewed (the practice keeps its costly decisions).
    void reviewed(const GameRecord &record, const GameReview &review);

private:
    // Takes the pending game a step on when its solution or review lands.
    void advance();
    using Key = std::shared_ptr<std::atomic<qint64>>; // the game's key in the file, 0 until added
    void store(const GameRecord &record, const Key &key, const GameReview &review);
    // What a write on the writer thread brings back to this one.
    struct Outcome
    {
        bool changed = false;
        QStringList messages, errors; // for the player
    };
    void write(std::function<Outcome()> work);
    // On the writer thread: what the writes since the last hand-over brought.
    void deliver(const Outcome &o);

    Game &m_game;
    SolveService &m_solver;
    Prompts &m_prompts;
    // A won game whose review waits for the solve of its rules or the worker.
    struct Pending
    {
        GameRecord record;
        RuleSet rules;
        Key key;
    };
    std::optional<Pending> m_pending;
    QThreadPool m_writer; // one thread
    // Touched only by the writer's jobs, one at a time, and after the last.
    LaterWrites m_later;
    Outcome m_outbox;
};
