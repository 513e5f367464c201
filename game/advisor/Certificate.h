// SPDX-License-Identifier: GPL-3.0-or-later
// The certificate that lets a round stop solving its points at a cap: above
// it, one look ahead shows that banking is best. Points only grow within a
// round, so one look is enough; its gain depends on the absolute total banked
// alone, so it is found once per pass for every total, and the check per
// round and row is a single comparison.
#pragma once

#include "game/advisor/Tables.h"

#include <limits>
#include <vector>

namespace advisor {

// Per pass, for every total a bank can reach: how much one more roll could
// gain over banking there at best (`gain`, per dice count). Rows where rolling
// on may pay whatever was risked -- the refused rows of a band and the last
// stretch before the winner -- are valued with fail values no higher than
// those of any round that checks a row reaching them, which keeps the gain an
// upper bound there. Such a stretch is valued at a few levels of fail values:
// rounds far below it fail at a higher cost, and their bound is tighter.
struct Certificate
{
    static constexpr int kLevels = 4;
    static constexpr int kLevelRows[kLevels] = {0, 100, 200, 400}; // how far below the stretch a round starts

    std::vector<double> gain;   // kLevels x (N + 1) x kStride
    std::vector<double> low;    // (N + kMaxStep + 1) x kStride, one level: bank values, bounds, +inf past the winner
    std::vector<char> special;
    std::vector<int> reaches;   // per row: first index of the stretch a roll can reach from it, or 0
    std::vector<double> phi;    // per first index of a stretch and level: its fail value
    int zone = 0;               // first index of the stretch before the winner

    // For the values of the last evaluation; the last `zoneRows` before the
    // winner are one stretch.
    void build(const Course &c, int zoneRows);
    // The rows the caps cannot cover (special), joined into stretches; the
    // lowest row of the last one (zone) and the stretch each row reaches.
    void markStretches(const Course &c, int zoneRows);

    // The lowest cap above which banking is best in the round at index i:
    // every row above it banks except in the stretches, which the round
    // solves exactly where it can reach them (see from()).
    int cap(const Course &c, int i, double alpha, double beta) const;

    // The first row of the round at index i solved in full: the stretch
    // before the winner when the rows up to the cap reach it.
    int from(int i, int cap) const { return i + cap + kMaxStep >= zone ? zone - i : std::numeric_limits<int>::max(); }
};

} // namespace advisor
