// SPDX-License-Identifier: GPL-3.0-or-later
// Where a solved round ends when played by its policy: the chances of a
// failure, of the penalty and of each accepted bank.
#pragma once

#include "game/advisor/Tables.h"

#include <vector>

namespace advisor {

// How a row of a round is valued: solved, or filled with one value for all
// dice (it banks, it fails, or nothing can be banked any more).
enum RowKind : unsigned char { Solved, Banks, Fails, Dead };

// A round as solved, seen through strides so that a round solved in a lane of
// a vector needs no copying out.
struct RoundPlay
{
    int D, top, rows;
    double F;
    const Val *dead;            // dead[1..6]
    const unsigned char *kind;  // per row
    const double *bv;           // per solved row and dice
    const Pick *picks;          // per solved row and group; or, when null,
    const double *av;           // the values after taking dice and
    const double *lowest;       // per solved row and group the lowest value
    int stride;                 // elements between neighbouring entries of each table

    bool okRow(const Course &c, int i, int j) const { return j > 0 && j <= D && c.ok[size_t(i + j)]; }

    // Where the round at index i played by its policy ends: the chance of a
    // failure, of the penalty, and of each accepted bank (per step).
    void flow(const Course &c, int i, double &pf, double &pp, std::vector<double> &q) const;
};

} // namespace advisor
