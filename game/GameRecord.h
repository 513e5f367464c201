// SPDX-License-Identifier: GPL-3.0-or-later
// The record of one game as the engine saw it: every roll, every keep with
// the roll-on or bank that followed, and how each round ended. The engine
// writes it; the review reads it. Widget-free.
#pragma once

#include <QtGlobal>

#include <vector>

struct RecordStep
{
    enum Kind : quint8 { Roll, Keep, RoundEnd };
    // How a round ended.
    enum End : quint8 { Banked, RefusedBand, RefusedExact, Bust, Penalty };

    Kind kind = Roll;
    bool test = false;    // made with a test button
    bool bank = false;    // Keep: banked after taking, else rolled on
    End end = Banked;     // RoundEnd
    qint8 onesEntry = -1; // Keep: entry of the ones' choice list taken, -1 when none
    qint8 fivesEntry = -1;
    quint8 faces[7] = {}; // Roll: the face of each die rolled (1..6), 0 for a die kept back
                          // Keep: dice taken per face
    qint32 total = 0;     // the total before the step (RoundEnd: after it)
    qint32 roundNo = 0;   // the round number before the step (RoundEnd: after it)
    qint32 roundPoints = 0; // points of the round's earlier rolls (RoundEnd: the points it ended with)
    qint32 points = 0;    // Keep: points of the dice taken

    int diceRolled() const;
    // Dice per face of a Roll (slots 1..6).
    void counts(int out[7]) const;
    bool operator==(const RecordStep &o) const;
};

// Where the record starts: a fresh game, or the position of an opened file.
struct RecordStart
{
    qint32 total = 0;
    qint32 roundNo = 1;
    qint32 roundPoints = 0;
    qint32 winner = 1000;
    bool valid = false;
    bool opened = false;   // from a saved game
    bool newRound = true;  // nothing rolled yet in the round
    int rolled[7] = {};    // after a roll: the dice rolled per face
    int keptDice = 0;      // dice kept back from the round's earlier rolls
    bool operator==(const RecordStart &o) const;
};

class GameRecord
{
public:
    void begin(const RecordStart &start);
    void add(const RecordStep &step) { m_steps.push_back(step); }
    void setWon() { m_won = true; }

    const RecordStart &start() const { return m_start; }
    const std::vector<RecordStep> &steps() const { return m_steps; }
    bool won() const { return m_won; }
    bool hasTestSteps() const;
    // The same game step by step, from the same start.
    bool operator==(const GameRecord &o) const
    {
        return m_won == o.m_won && m_start == o.m_start && m_steps == o.m_steps;
    }
    // Bytes held, for the benchmark.
    size_t bytes() const { return sizeof(*this) + m_steps.capacity() * sizeof(RecordStep); }

private:
    RecordStart m_start;
    std::vector<RecordStep> m_steps;
    bool m_won = false;
};
