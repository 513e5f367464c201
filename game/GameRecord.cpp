// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameRecord.h"

#include <algorithm>

int RecordStep::diceRolled() const
{
    int n = 0;
    for (int d = 1; d <= 6; ++d)
        n += faces[d] != 0 ? 1 : 0;
    return n;
}

void RecordStep::counts(int out[7]) const
{
    std::fill(out, out + 7, 0);
    for (int d = 1; d <= 6; ++d)
        if (faces[d] >= 1 && faces[d] <= 6)
            out[faces[d]] += 1;
}

void GameRecord::begin(const RecordStart &start)
{
    m_start = start;
    m_steps.clear();
    // A game of a few dozen rounds fits without growing.
    m_steps.reserve(256);
    m_won = false;
}

bool GameRecord::hasTestSteps() const
{
    return std::any_of(m_steps.begin(), m_steps.end(), [](const RecordStep &s) { return s.test; });
}

bool RecordStep::operator==(const RecordStep &o) const
{
    return kind == o.kind && test == o.test && bank == o.bank && end == o.end && onesEntry == o.onesEntry
            && fivesEntry == o.fivesEntry && std::equal(faces, faces + 7, o.faces) && total == o.total
            && roundNo == o.roundNo && roundPoints == o.roundPoints && points == o.points;
}

bool RecordStart::operator==(const RecordStart &o) const
{
    return total == o.total && roundNo == o.roundNo && roundPoints == o.roundPoints && winner == o.winner
            && valid == o.valid && opened == o.opened && newRound == o.newRound && keptDice == o.keptDice
            && std::equal(rolled, rolled + 7, o.rolled);
}
