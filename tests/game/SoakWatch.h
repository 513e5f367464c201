// SPDX-License-Identifier: GPL-3.0-or-later
// Watches the engine across one step of a soak: the resting rules, and how
// Total and RoundNo may move. The value of a selection is worked out here from
// the scoring rules, independently of the engine's own tables.
#pragma once

#include "EngineRig.h"

#include <QStringList>

enum class StepKind {
    Quiet,   // must change neither Total nor RoundNo (clicks, picks, pause, save and open)
    Roll,    // may end the round: RoundNo + 1, Total unchanged or -100 after six dice
    Done,    // may bank: RoundNo + 1, Total + the round's points, or refused
    NewGame, // starts over
};

// Worth of `count` dice of face f taken with entry `entry` of its choice list.
inline qint64 modelTake(int f, int count, int entry)
{
    if (count <= 0)
        return 0;
    if (f == 1 || f == 5) {
        const int unit = f == 1 ? 10 : 5;
        const qint64 set3 = f == 1 ? 100 : 50;
        if (count < 3)
            return qint64(count) * unit;
        if (entry < 0 || entry > count - 2)
            entry = 0; // no entry chosen counts as the full set
        if (entry == count - 2)
            return qint64(count) * unit;
        return (set3 << (count - 3 - entry)) + qint64(entry) * unit;
    }
    return count >= 3 ? (qint64(10 * f) << (count - 3)) : 0;
}

inline qint64 modelSelection(const Game &g)
{
    qint64 v = 0;
    for (int f = 1; f <= 6; ++f) {
        const int entry = f == 1 ? shown(g).choiceList(1).itemIndex : f == 5 ? shown(g).choiceList(5).itemIndex : -1;
        v += modelTake(f, g.state().SelCount[f], entry);
    }
    return v;
}

class SoakWatch
{
public:
    explicit SoakWatch(Game &g) : m_g(g) {}

    // The game is between two steps; `messages` is how many messages were shown so far.
    void before(int messages)
    {
        m_total = m_g.state().Total;
        m_round = m_g.state().RoundNo;
        m_bank = qint64(m_g.state().SubScore) + modelSelection(m_g);
        m_messages = messages;
        int held = 0;
        for (int n = 1; n <= 6; ++n)
            held += m_g.die(n).color != DieFree ? 1 : 0;
        m_sixRoll = held == 0 || held == 6;
        m_held = held;
    }

    // Empty when the step kept every rule; `shown` holds every message so far.
    QString after(StepKind kind, const QStringList &shown) const
    {
        QString problem = restingStateProblem(m_g);
        if (!problem.isEmpty())
            return problem;
        const QStringList mine = shown.mid(m_messages);
        const qint32 total = m_g.state().Total;
        const qint32 round = m_g.state().RoundNo;
        const bool won = mine.contains(::shown(m_g).gameTexts().msgWin);
        if (kind == StepKind::NewGame || won) {
            if (total != 0 || round != 1)
                return QStringLiteral("a new game at Total %1, round %2").arg(total).arg(round);
            if (won && m_total + m_bank != m_g.gameSettings().Winner && kind != StepKind::NewGame)
                return QStringLiteral("won from %1 with %2 to bank, aiming at %3")
                        .arg(m_total).arg(m_bank).arg(m_g.gameSettings().Winner);
            return QString();
        }
        if (round < m_round)
            return QStringLiteral("RoundNo went back from %1 to %2").arg(m_round).arg(round);
        if (round > m_round + 1)
            return QStringLiteral("RoundNo jumped from %1 to %2").arg(m_round).arg(round);
        const qint64 delta = qint64(total) - m_total;
        switch (kind) {
        case StepKind::Quiet:
            if (delta != 0 || round != m_round)
                return QStringLiteral("a quiet step moved Total by %1 and RoundNo by %2").arg(delta).arg(round - m_round);
            break;
        case StepKind::Roll:
            if (delta == -100) {
                if (!mine.contains(::shown(m_g).gameTexts().msgCrash) || !m_sixRoll)
                    return QStringLiteral("100 points lost without a bust of six dice (%1 dice held, messages: %2)")
                            .arg(m_held).arg(mine.join(QLatin1String(" | ")));
            } else if (delta != 0) {
                return QStringLiteral("a roll moved Total by %1").arg(delta);
            }
            if (delta != 0 && round != m_round + 1)
                return QStringLiteral("a penalty without the round's end");
            break;
        case StepKind::Done:
            if (m_bank <= 0) {
                if (delta != 0 || round != m_round)
                    return QStringLiteral("Done with nothing to bank changed the game");
            } else if (round != m_round + 1) {
                return QStringLiteral("Done with %1 to bank did not end the round").arg(m_bank);
            } else if (delta != 0 && delta != m_bank) {
                return QStringLiteral("banked %1 instead of %2").arg(delta).arg(m_bank);
            } else if (delta == 0 && mine.isEmpty()) {
                return QStringLiteral("a bank of %1 refused without a word").arg(m_bank);
            }
            break;
        case StepKind::NewGame:
            break;
        }
        return QString();
    }

private:
    Game &m_g;
    qint32 m_total = 0;
    qint32 m_round = 0;
    qint64 m_bank = 0;
    int m_messages = 0;
    bool m_sixRoll = false;
    int m_held = 0;
};
