// SPDX-License-Identifier: GPL-3.0-or-later
// The rules a game is played by: the total to reach exactly, and whether the
// 400-500 band refuses a bank in every thousand or only in the first. The
// solver, its cache, the statistics and the windows all key on this pair.
#pragma once

#include <QtGlobal>
#include <tuple>

struct RuleSet
{
    qint32 winner = 1000;
    bool band = false; // the band in every thousand

    bool operator==(const RuleSet &o) const { return winner == o.winner && band == o.band; }
    bool operator!=(const RuleSet &o) const { return !(*this == o); }
    bool operator<(const RuleSet &o) const { return std::tie(winner, band) < std::tie(o.winner, o.band); }
};
