// SPDX-License-Identifier: GPL-3.0-or-later
// A game looked back on with the best play at hand: what each decision cost in
// expected rounds, how much each roll's dice helped or hurt, and the game as a
// line of "rounds played plus expected rounds still to go". Widget-free.
//
// Along the record that line only moves at three kinds of step: a decision
// moves it up by its cost, a roll moves it down by its luck, and a step made
// with a test button (or an opened position that does not follow) moves it by
// what it changed. So for every stretch the review could value:
//   expectedAtEnd - bestFromStart = decisionsLost - luck + testShift
// and for a game won expectedAtEnd is the rounds played.
#pragma once

#include "game/Advisor.h"
#include "game/GameRecord.h"

#include <vector>

enum class DecisionClass : qint8 { Best, Inaccuracy, Mistake, Blunder };

// The costs, in expected rounds, from which a decision counts as each class.
// Chosen with the self-play benchmark (bench/review_bench): the best play
// costs nothing, so it never reaches them; the simple strategies lose about
// seven rounds a game over some sixty decisions, and these marks flag about
// two decisions in five of theirs -- half a round or more at once (a blunder)
// a few times a game. Near-ties below 0.05 rounds stay unmarked: twenty of
// them cost one round.
struct ReviewThresholds
{
    static constexpr double inaccuracy = 0.05;
    static constexpr double mistake = 0.2;
    static constexpr double blunder = 0.5;
};

DecisionClass classifyCost(double cost);

struct ReviewDecision
{
    int step = 0;             // index of the Keep in the record
    int rollStep = -1;        // index of the roll it answers, -1 when none
    qint32 round = 0, total = 0, roundPoints = 0;
    int rolled[7] = {};       // the dice it chose from, per face
    bool valued = false;      // cost, best and rank are known
    AdvisorAction made;       // the play made (its rounds when valued)
    AdvisorAction best;
    int rank = 0;             // place of the play made in the ranking, 1 for the best
    double cost = 0;
    DecisionClass cls = DecisionClass::Best;
};

struct ReviewRoll
{
    int step = 0;
    bool valued = false;
    bool test = false;        // made with a test button, or replacing a roll: not luck
    double luck = 0;          // expected rounds before minus after; positive when it helped
};

struct GameReview
{
    bool rulesMatch = true;   // the solution is for the record's winning total and band rule
    bool finished = false;    // the game was won
    bool complete = false;    // every step could be valued
    bool testSteps = false;
    int roundsPlayed = 0;     // rounds ended within the record
    int unvalued = 0;         // steps the review could not value
    double bestFromStart = 0; // the line's value where it was first known
    double expectedAtEnd = 0; // the line's last value
    double decisionsLost = 0; // the sum of the costs
    double luck = 0;          // the sum of the rolls' luck
    double testShift = 0;     // what test-button steps and jumps moved the line
    int count[4] = {};        // decisions per class
    std::vector<ReviewDecision> decisions;
    std::vector<ReviewRoll> rolls;
    // The line: chart[0] at the start, chart[i + 1] after step i; NaN where unknown.
    std::vector<double> chart;
    // Per step: the index in `decisions` of a Keep, else -1.
    std::vector<int> decisionAt;

    size_t bytes() const;
};

GameReview reviewGame(const GameRecord &record, const AdvisorSolution &solution);
