// SPDX-License-Identifier: GPL-3.0-or-later
// The added texts: their table and the process-wide values in force.
#include "base/UiTexts.h"

#include "base/Plural.h"
#include "base/TRegAuto.h"
#include "base/Translations.h"

#include <QHash>
#include <QStringList>

#include <mutex>
#include <vector>

// Each block is one section of the language file. Keys are unique over all
// blocks; add a text by adding its line to the block it belongs to.
const UiTextEntry kUiTexts[] = {
    // --- Help menu, keys and About
    {"Help", "mHelp", "Help"},
    {"Help", "aKeys", "Keyboard Shortcuts"},
    {"Help", "aAbout", "About Korvex"},
    {"Help", "keyColumnKey", "Key"},
    {"Help", "keyColumnDoes", "What it does"},
    {"Help", "keyDice", "1 to 6"},
    {"Help", "keyDiceDoes", "Select or release the die with that number"},
    {"Help", "keyRollDoes", "Roll the free dice"},
    {"Help", "keyEnter", "Enter"},
    {"Help", "keyDoneDoes", "Done: bank the points of the round"},
    {"Help", "keyCoverDoes", "Start or Continue, while the game is covered"},
    {"Help", "keyArrows", "Arrow keys"},
    {"Help", "keyArrowsDoes", "Pick a valuation in a choice list"},
    {"Help", "keyDieMoves", "Arrow keys, Space on a die"},
    {"Help", "keyDieMovesDoes", "Go to the next die; take or release it"},
    {"Help", "keyStateDoes", "Speak the whole state (with a screen reader)"},
    {"Help", "keyEscapeDoes", "Close the top ten, the advisor, the review, the practice or the statistics; cancel the settings"},
    {"Help", "aboutWhat", "A dice game for one player: roll six dice, set aside the ones that score, and reach the winning total exactly."},
    {"Help", "aboutLicence", "Korvex is free software: you may share and change it under the GNU General Public License, version 3 or later (GPL-3.0-or-later). It comes with no warranty."},
    {"Help", "aboutTypeface", "The captions are set in Leckerli One, with the letters it lacks from Kaushan Script, both under the SIL Open Font License 1.1."},
    {"Help", "helpClose", "Close"},
    // --- the advisor window
    {"Advisor", "aAdvisor", "Advisor..."},
    {"Advisor", "advTitle", "Advisor"},
    {"Advisor", "advAssisted", "A game during which the advisor is opened is not entered in the top-ten tables."},
    {"Advisor", "advStillCounts", "This game can still enter the top ten; played on with this window open, it is not entered."},
    {"Advisor", "advWorking", "Working out the best play for %1 points..."},
    {"Advisor", "advWorkingBand", "Working out the best play for %1 points, 400-500 in every thousand..."},
    {"Advisor", "advProgressName", "Working out the best play"},
    {"Advisor", "advProgress", "%1%"},
    {"Advisor", "advTooLarge", "The advisor works out winning totals of up to %1 points."},
    {"Advisor", "advNeverReached", "A winning total of %1 can never be reached exactly."},
    {"Advisor", "advNoGame", "No game running."},
    {"Advisor", "advOnStart", "Start a game and the advice follows."},
    {"Advisor", "advPaused", "The game is paused: total %1, round %2, points this round %3."},
    {"Advisor", "advOnContinue", "The advice comes back on Continue."},
    {"Advisor", "advWon", "The game is won: %1 points, reached in round %2."},
    {"Advisor", "advWonNext", "Continue or Start begins the next game."},
    {"Advisor", "advRolling", "Rolling..."},
    {"Advisor", "advPosition", "Total %1, round %2, points this round %3."},
    {"Advisor", "advNextRoll", "Next roll: 6 dice, bust chance %1% (costs 100 points)."},
    {"Advisor", "advRoundsFromStart", "Expected rounds to the win, this one included: %1"},
    {"Advisor", "advRollOn", "Rolling on with this selection: %1 dice, bust chance %2%."},
    {"Advisor", "advRollOnOne", "Rolling on with this selection: %1 die, bust chance %2%.", "advRollOn", '1'},
    {"Advisor", "advRollOnFew", "Rolling on with this selection: %1 dice, bust chance %2%.", "advRollOn", 'f'},
    {"Advisor", "advRollOnMany", "Rolling on with this selection: %1 dice, bust chance %2%.", "advRollOn", 'm'},
    {"Advisor", "advSelectFirst", "Select dice first."},
    {"Advisor", "advNothingSelected", "Nothing is selected yet: take scoring dice, then roll on or bank."},
    {"Advisor", "advRoundsBest", "Expected rounds to the win with the best play, this one included: %1"},
    {"Advisor", "advBust", "Bust: nothing in this roll scores, so there is nothing to choose."},
    {"Advisor", "advBustPenalty", "The round ends and 100 points are taken off the total."},
    {"Advisor", "advBustLost", "The round ends and its points are lost."},
    {"Advisor", "advBest", "Best play (%1 rounds): %2"},
    {"Advisor", "advBestOne", "Best play (%1 round): %2", "advBest", '1'},
    {"Advisor", "advBestFew", "Best play (%1 rounds): %2", "advBest", 'f'},
    {"Advisor", "advBestMany", "Best play (%1 rounds): %2", "advBest", 'm'},
    {"Advisor", "advRanking", "Every play, best first, with its expected rounds:"},
    {"Advisor", "advRankItem", "%1   %2"},
    {"Advisor", "advKeep", "Keep dice %1 (%2) for %3 points"},
    {"Advisor", "advKeepOne", "Keep die %1 (%2) for %3 points", "advKeep", '1'},
    {"Advisor", "advKeepFew", "Keep dice %1 (%2) for %3 points", "advKeep", 'f'},
    {"Advisor", "advKeepMany", "Keep dice %1 (%2) for %3 points", "advKeep", 'm'},
    {"Advisor", "advOnesAs", "ones as %1"},
    {"Advisor", "advFivesAs", "fives as %1"},
    {"Advisor", "advThenRoll", "then roll %1 dice"},
    {"Advisor", "advThenRollOne", "then roll %1 die", "advThenRoll", '1'},
    {"Advisor", "advThenRollFew", "then roll %1 dice", "advThenRoll", 'f'},
    {"Advisor", "advThenRollMany", "then roll %1 dice", "advThenRoll", 'm'},
    {"Advisor", "advThenBank", "then bank"},
    {"Advisor", "advThenBankRefused", "then bank (refused)"},
    {"Advisor", "advBankOnly", "Keep nothing and bank"},
    {"Advisor", "advBankOnlyRefused", "Keep nothing and bank (refused)"},
    {"Advisor", "advCannotWeigh", "The advisor cannot weigh this position (total %1, points this round %2): no game reaches it."},
    // --- the statistics window
    {"Statistics", "aStatistics", "Statistics..."},
    {"Statistics", "statTitle", "Statistics"},
    {"Statistics", "statRules", "&Rules:"},
    {"Statistics", "statRulesName", "Rules shown"},
    {"Statistics", "statRulesPlain", "%1 points"},
    {"Statistics", "statRulesBand", "%1 points, 400-500 in every thousand"},
    {"Statistics", "statInForce", "%1 (in force)"},
    {"Statistics", "statFigure", "Figure"},
    {"Statistics", "statValue", "Value"},
    {"Statistics", "statFiguresName", "Your figures and the best play's"},
    {"Statistics", "statGames", "Games won"},
    {"Statistics", "statSetAside", "Assisted or with test buttons (not counted)"},
    {"Statistics", "statAverageRounds", "Average rounds"},
    {"Statistics", "statMedianRounds", "Median rounds"},
    {"Statistics", "statBestRounds", "Fewest rounds"},
    {"Statistics", "statAverageTime", "Average time"},
    {"Statistics", "statBestTime", "Best time"},
    {"Statistics", "statAverageRating", "Average rating"},
    {"Statistics", "statBestMean", "Best play: average rounds"},
    {"Statistics", "statBestMedian", "Best play: median rounds"},
    {"Statistics", "statBestNinety", "Best play: rounds for 9 games in 10"},
    {"Statistics", "statNone", "-"},
    {"Statistics", "statUnknown", "unknown"},
    {"Statistics", "statSolving", "working out the best play..."},
    {"Statistics", "statUnwinnable", "cannot be won"},
    {"Statistics", "statTooLarge", "worked out up to %1 points"},
    {"Statistics", "statBestLine", "Under %1 the best possible play needs %2 rounds on average."},
    {"Statistics", "statBestLineOne", "Under %1 the best possible play needs %2 round on average.", "statBestLine", '1'},
    {"Statistics", "statBestLineFew", "Under %1 the best possible play needs %2 rounds on average.", "statBestLine", 'f'},
    {"Statistics", "statBestLineMany", "Under %1 the best possible play needs %2 rounds on average.", "statBestLine", 'm'},
    {"Statistics", "statNoGames", "No games won under %1 yet."},
    {"Statistics", "statRoundsCaption", "Rounds to the win: your games (bars) and the best play (line)"},
    {"Statistics", "statRoundsAxis", "rounds to the win"},
    {"Statistics", "statYourMeanMark", "you %1"},
    {"Statistics", "statBestMeanMark", "best play %1"},
    {"Statistics", "statChartTable", "The table beside the chart holds the same figures."},
    {"Statistics", "statRoundsColumn", "Rounds"},
    {"Statistics", "statYourGames", "Your games"},
    {"Statistics", "statYourShare", "Your share"},
    {"Statistics", "statBestShare", "Best play"},
    {"Statistics", "statPercent", "%1%"},
    {"Statistics", "statRoundsTableName", "Rounds to the win, your games and the best play"},
    {"Statistics", "statTrendCaption", "Rounds lost to decisions, game by game"},
    {"Statistics", "statGameAxis", "reviewed game"},
    {"Statistics", "statNoReviews", "No reviewed games under these rules yet."},
    {"Statistics", "statGameColumn", "Game"},
    {"Statistics", "statDateColumn", "Won on"},
    {"Statistics", "statLostColumn", "Lost to decisions"},
    {"Statistics", "statLuckColumn", "Luck"},
    {"Statistics", "statTrendTableName", "Rounds lost to decisions per game"},
    {"Statistics", "statReset", "Reset..."},
    {"Statistics", "statResetName", "Reset the statistics of the rules shown"},
    {"Statistics", "statClose", "Close"},
    {"Statistics", "statResetTitle", "Reset statistics"},
    {"Statistics", "statNothingToReset", "No games won under %1 are kept: there is nothing to reset."},
    {"Statistics", "statResetAsk", "Forget every game won under %1? The %2 and %3, their totals and their history will be lost for good. The other rules keep theirs."},
    {"Statistics", "statResetCounted", "%1 counted games"},
    {"Statistics", "statResetCountedOne", "%1 counted game", "statResetCounted", '1'},
    {"Statistics", "statResetCountedFew", "%1 counted games", "statResetCounted", 'f'},
    {"Statistics", "statResetCountedMany", "%1 counted games", "statResetCounted", 'm'},
    {"Statistics", "statResetApart", "%1 set apart"},
    {"Statistics", "statResetApartOne", "%1 set apart", "statResetApart", '1'},
    {"Statistics", "statResetApartFew", "%1 set apart", "statResetApart", 'f'},
    {"Statistics", "statResetApartMany", "%1 set apart", "statResetApart", 'm'},
    {"Statistics", "statDamaged", "The statistics file %1 could not be read (%2). Nothing of it is shown; it stays as it is until the next win, which keeps it aside as a \"damaged\" copy and starts a new file."},
    {"Statistics", "statWhyNotText", "it is not a text file"},
    {"Statistics", "statWhyTooManyLines", "it has far more lines than the game ever writes"},
    {"Statistics", "statWhyNoVersion", "it does not say which version wrote it"},
    {"Statistics", "statWhyNotAFile", "it is not a file"},
    {"Statistics", "statWhyTooLarge", "it is far larger than the game ever writes"},
    {"Statistics", "statPartial", "Some lines of the statistics file %1 could not be read (%2): they are kept in the file but left out here. Everything else is shown."},
    {"Statistics", "statFuture", "The statistics file %1 was written by a newer version of Korvex. What this version understands is shown; the rest is kept."},
    {"Statistics", "statKeptAside", "The statistics file could not be read. It has been kept as %1, and a new one begun with this game."},
    {"Statistics", "statBeyond", "This game is not recorded in the statistics file %1: its figures lie beyond what the statistics take."},
    {"Statistics", "statFull", "The statistics file %1 holds so many lines this version does not write that no game fits beside them: this game is not recorded."},
    // --- the game review window
    {"Review", "aReview", "Review Game..."},
    {"Review", "revTitle", "Game Review"},
    {"Review", "revWorking", "Working out the best play for %1 points..."},
    {"Review", "revReviewing", "Reviewing the game..."},
    {"Review", "revWorkingBand", "Working out the best play for %1 points, 400-500 in every thousand..."},
    {"Review", "revProgressName", "Working out the best play"},
    {"Review", "revProgress", "%1%"},
    {"Review", "revTooLarge", "The review works out winning totals of up to %1 points."},
    {"Review", "revNeverReached", "A winning total of %1 can never be reached exactly, so no play can be valued."},
    {"Review", "revWon", "Game won: %1 points, reached in round %2."},
    {"Review", "revInProgress", "The game in progress, up to now."},
    {"Review", "revNothingYet", "Nothing played yet in this game: roll the dice and the review follows."},
    {"Review", "revPlayed", "Rounds played: %1."},
    {"Review", "revPlayedSoFar", "Rounds played so far: %1."},
    {"Review", "revBestExpects", "The best play expects %1 rounds from the start."},
    {"Review", "revBestExpectsOne", "The best play expects %1 round from the start.", "revBestExpects", '1'},
    {"Review", "revBestExpectsFew", "The best play expects %1 rounds from the start.", "revBestExpects", 'f'},
    {"Review", "revBestExpectsMany", "The best play expects %1 rounds from the start.", "revBestExpects", 'm'},
    {"Review", "revBestExpected", "The best play expected %1 rounds from the start."},
    {"Review", "revBestExpectedOne", "The best play expected %1 round from the start.", "revBestExpected", '1'},
    {"Review", "revBestExpectedFew", "The best play expected %1 rounds from the start.", "revBestExpected", 'f'},
    {"Review", "revBestExpectedMany", "The best play expected %1 rounds from the start.", "revBestExpected", 'm'},
    {"Review", "revNowExpected", "As the game stands, %1 rounds are expected."},
    {"Review", "revNowExpectedOne", "As the game stands, %1 round is expected.", "revNowExpected", '1'},
    {"Review", "revNowExpectedFew", "As the game stands, %1 rounds are expected.", "revNowExpected", 'f'},
    {"Review", "revNowExpectedMany", "As the game stands, %1 rounds are expected.", "revNowExpected", 'm'},
    {"Review", "revLostRounds", "Lost to decisions: %1 rounds."},
    {"Review", "revLostRoundsOne", "Lost to decisions: %1 round.", "revLostRounds", '1'},
    {"Review", "revLostRoundsFew", "Lost to decisions: %1 rounds.", "revLostRounds", 'f'},
    {"Review", "revLostRoundsMany", "Lost to decisions: %1 rounds.", "revLostRounds", 'm'},
    {"Review", "revLuckRounds", "Luck: %1 rounds."},
    {"Review", "revLuckRoundsOne", "Luck: %1 round.", "revLuckRounds", '1'},
    {"Review", "revLuckRoundsFew", "Luck: %1 rounds.", "revLuckRounds", 'f'},
    {"Review", "revLuckRoundsMany", "Luck: %1 rounds.", "revLuckRounds", 'm'},
    {"Review", "revLuckHelped", "On balance the dice helped."},
    {"Review", "revLuckHurt", "On balance the dice hurt."},
    {"Review", "revCountsLine", "Decisions: %1, %2, %3, %4."},
    {"Review", "revCountBest", "%1 best or close to it"},
    {"Review", "revCountBestOne", "%1 best or close to it", "revCountBest", '1'},
    {"Review", "revCountBestFew", "%1 best or close to it", "revCountBest", 'f'},
    {"Review", "revCountBestMany", "%1 best or close to it", "revCountBest", 'm'},
    {"Review", "revCountInaccuracies", "%1 inaccuracies"},
    {"Review", "revCountInaccuraciesOne", "%1 inaccuracy", "revCountInaccuracies", '1'},
    {"Review", "revCountInaccuraciesFew", "%1 inaccuracies", "revCountInaccuracies", 'f'},
    {"Review", "revCountInaccuraciesMany", "%1 inaccuracies", "revCountInaccuracies", 'm'},
    {"Review", "revCountMistakes", "%1 mistakes"},
    {"Review", "revCountMistakesOne", "%1 mistake", "revCountMistakes", '1'},
    {"Review", "revCountMistakesFew", "%1 mistakes", "revCountMistakes", 'f'},
    {"Review", "revCountMistakesMany", "%1 mistakes", "revCountMistakes", 'm'},
    {"Review", "revCountBlunders", "%1 blunders"},
    {"Review", "revCountBlundersOne", "%1 blunder", "revCountBlunders", '1'},
    {"Review", "revCountBlundersFew", "%1 blunders", "revCountBlunders", 'f'},
    {"Review", "revCountBlundersMany", "%1 blunders", "revCountBlunders", 'm'},
    {"Review", "revOpened", "Opened from a file in round %1: the review starts there."},
    {"Review", "revOtherRules", "The game was played to other rules than the ones solved, so no play is valued."},
    {"Review", "revPartial", "Part of this game is in positions the rules do not reach, so it is not valued; the figures cover the rest."},
    {"Review", "revTestSteps", "Test buttons were used: what they changed is counted neither as luck nor as a decision."},
    {"Review", "revChartName", "Chart of the game: rounds played plus rounds still expected after each step"},
    {"Review", "revLegendGame", "this game"},
    {"Review", "revLegendBest", "best play from the start"},
    {"Review", "revLegendInaccuracy", "inaccuracy"},
    {"Review", "revLegendMistake", "mistake"},
    {"Review", "revLegendBlunder", "blunder"},
    {"Review", "revAxisX", "end of round"},
    {"Review", "revAxisY", "rounds in all"},
    {"Review", "revChartStart", "Start: %1 rounds expected"},
    {"Review", "revChartStartOne", "Start: %1 round expected", "revChartStart", '1'},
    {"Review", "revChartStartFew", "Start: %1 rounds expected", "revChartStart", 'f'},
    {"Review", "revChartStartMany", "Start: %1 rounds expected", "revChartStart", 'm'},
    {"Review", "revChartRoll", "Round %1: rolled %2"},
    {"Review", "revChartRoundEnd", "Round %1 over: total %2"},
    {"Review", "revChartLuck", "luck %1 rounds"},
    {"Review", "revChartLuckOne", "luck %1 round", "revChartLuck", '1'},
    {"Review", "revChartLuckFew", "luck %1 rounds", "revChartLuck", 'f'},
    {"Review", "revChartLuckMany", "luck %1 rounds", "revChartLuck", 'm'},
    {"Review", "revChartValue", "rounds played plus expected: %1"},
    {"Review", "revDecisions", "Decisions, each with its cost in rounds:"},
    {"Review", "revDecisionsName", "Decisions"},
    {"Review", "revNoDecisions", "No decision made yet."},
    {"Review", "revRanking", "The advisor's ranking of this moment, best first, with its expected rounds:"},
    {"Review", "revRankingName", "The advisor's ranking of this moment"},
    {"Review", "revRankItem", "%1   %2"},
    {"Review", "revYourPlay", "(played)"},
    {"Review", "revDieName", "Die %1 showing %2"},
    {"Review", "revMoment", "Round %1, total %2, points this round %3; rolled %4."},
    {"Review", "revItem", "Round %1: %2; best was to %3; cost %4 rounds, %5"},
    {"Review", "revItemOne", "Round %1: %2; best was to %3; cost %4 round, %5", "revItem", '1'},
    {"Review", "revItemFew", "Round %1: %2; best was to %3; cost %4 rounds, %5", "revItem", 'f'},
    {"Review", "revItemMany", "Round %1: %2; best was to %3; cost %4 rounds, %5", "revItem", 'm'},
    {"Review", "revItemSmall", "Round %1: %2; best was to %3; cost %4 rounds"},
    {"Review", "revItemSmallOne", "Round %1: %2; best was to %3; cost %4 round", "revItemSmall", '1'},
    {"Review", "revItemSmallFew", "Round %1: %2; best was to %3; cost %4 rounds", "revItemSmall", 'f'},
    {"Review", "revItemSmallMany", "Round %1: %2; best was to %3; cost %4 rounds", "revItemSmall", 'm'},
    {"Review", "revItemBest", "Round %1: %2; the best play"},
    {"Review", "revItemUnvalued", "Round %1: %2; not valued"},
    {"Review", "revKeptBanked", "kept %1 and banked %2"},
    {"Review", "revKeptRolled", "kept %1 and rolled %2 dice"},
    {"Review", "revKeptRolledOne", "kept %1 and rolled %2 die", "revKeptRolled", '1'},
    {"Review", "revKeptRolledFew", "kept %1 and rolled %2 dice", "revKeptRolled", 'f'},
    {"Review", "revKeptRolledMany", "kept %1 and rolled %2 dice", "revKeptRolled", 'm'},
    {"Review", "revBanked", "banked %1"},
    {"Review", "revKeepBank", "keep %1 and bank %2"},
    {"Review", "revKeepRoll", "keep %1 and roll %2 dice"},
    {"Review", "revKeepRollOne", "keep %1 and roll %2 die", "revKeepRoll", '1'},
    {"Review", "revKeepRollFew", "keep %1 and roll %2 dice", "revKeepRoll", 'f'},
    {"Review", "revKeepRollMany", "keep %1 and roll %2 dice", "revKeepRoll", 'm'},
    {"Review", "revBank", "bank %1"},
    {"Review", "revRoll", "roll %1 dice"},
    {"Review", "revRollOne", "roll %1 die", "revRoll", '1'},
    {"Review", "revRollFew", "roll %1 dice", "revRoll", 'f'},
    {"Review", "revRollMany", "roll %1 dice", "revRoll", 'm'},
    {"Review", "revRefused", "(refused)"},
    {"Review", "revClassInaccuracy", "an inaccuracy"},
    {"Review", "revClassMistake", "a mistake"},
    {"Review", "revClassBlunder", "a blunder"},
    {"Review", "revNowUnknown", "As the game stands, the review cannot weigh it."},
    {"Review", "revNothingWeighed", "The review cannot weigh any position of this game."},
    {"Review", "revWhichGame", "&Game:"},
    {"Review", "revThisGame", "This game"},
    {"Review", "revLastWon", "The last game won"},
    // --- the practice window
    {"Practice", "aPractice", "Practice..."},
    {"Practice", "pracTitle", "Practice"},
    {"Practice", "pracSource", "&Positions from:"},
    {"Practice", "pracSourceName", "Where the positions come from"},
    {"Practice", "pracMine", "My mistakes"},
    {"Practice", "pracBuiltIn", "Built-in"},
    {"Practice", "pracProgress", "%1%"},
    {"Practice", "pracPreparing", "Choosing the built-in positions..."},
    {"Practice", "pracNoMine", "No mistakes of yours to practise under %1 points yet: the decisions of a reviewed or won game that cost 0.2 rounds or more come here."},
    {"Practice", "pracNoBuiltIn", "Under these rules the plain rules never go wrong: there is no built-in position."},
    {"Practice", "pracOtherRules", "Positions of yours kept from other rules, for when you play those rules again: %1."},
    {"Practice", "pracPosition", "Total %1 of %2, points this round %3, rolled %4."},
    {"Practice", "pracFromMine", "A decision from your games."},
    {"Practice", "pracFromBuiltIn", "A built-in position."},
    {"Practice", "pracSelected", "Selected: %1 points; this round then holds %2."},
    {"Practice", "pracOnesAs", "&Ones as:"},
    {"Practice", "pracFivesAs", "&Fives as:"},
    {"Practice", "pracAsk", "Choose the dice to keep, then Roll or Done."},
    {"Practice", "pracRoll", "&Roll"},
    {"Practice", "pracDone", "&Done"},
    {"Practice", "pracAgain", "&Again"},
    {"Practice", "pracNext", "&Next"},
    {"Practice", "pracRollName", "Roll on with the dice selected"},
    {"Practice", "pracDoneName", "Done: bank the round"},
    {"Practice", "pracAgainName", "The same position again"},
    {"Practice", "pracNextName", "The next position"},
    {"Practice", "pracNothingToBank", "Nothing to bank yet: select dice first."},
    {"Practice", "pracVerdictBest", "Your play, %1, is the best play: %2 rounds expected."},
    {"Practice", "pracVerdictBestOne", "Your play, %1, is the best play: %2 round expected.", "pracVerdictBest", '1'},
    {"Practice", "pracVerdictBestFew", "Your play, %1, is the best play: %2 rounds expected.", "pracVerdictBest", 'f'},
    {"Practice", "pracVerdictBestMany", "Your play, %1, is the best play: %2 rounds expected.", "pracVerdictBest", 'm'},
    {"Practice", "pracVerdictCost", "Your play, %1, costs %2 rounds. Rounds expected: %3 with it, %5 with the best play, %4."},
    {"Practice", "pracVerdictCostOne", "Your play, %1, costs %2 round. Rounds expected: %3 with it, %5 with the best play, %4.", "pracVerdictCost", '1'},
    {"Practice", "pracVerdictCostFew", "Your play, %1, costs %2 rounds. Rounds expected: %3 with it, %5 with the best play, %4.", "pracVerdictCost", 'f'},
    {"Practice", "pracVerdictCostMany", "Your play, %1, costs %2 rounds. Rounds expected: %3 with it, %5 with the best play, %4.", "pracVerdictCost", 'm'},
    {"Practice", "pracPlainRule", "The plain rule \"%1\" costs %2 rounds here."},
    {"Practice", "pracPlainRuleOne", "The plain rule \"%1\" costs %2 round here.", "pracPlainRule", '1'},
    {"Practice", "pracPlainRuleFew", "The plain rule \"%1\" costs %2 rounds here.", "pracPlainRule", 'f'},
    {"Practice", "pracPlainRuleMany", "The plain rule \"%1\" costs %2 rounds here.", "pracPlainRule", 'm'},
    {"Practice", "pracInGame", "In your game it cost %1 rounds."},
    {"Practice", "pracInGameOne", "In your game it cost %1 round.", "pracInGame", '1'},
    {"Practice", "pracInGameFew", "In your game it cost %1 rounds.", "pracInGame", 'f'},
    {"Practice", "pracInGameMany", "In your game it cost %1 rounds.", "pracInGame", 'm'},
    {"Practice", "pracRuleTakeAll", "take everything that scores"},
    {"Practice", "pracRuleBankAt300", "bank at 300"},
    {"Practice", "pracRuleFewDice", "bank with two dice or fewer left"},
    {"Practice", "pracWhyBand", "Why: a bank to %1 is refused, as totals from 400 to 500 are."},
    {"Practice", "pracWhyPastWinner", "Why: a bank to %1 is refused, as it passes the winning total of %2."},
    {"Practice", "pracWhyBust", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round."},
    {"Practice", "pracWhyBustOne", "Why: %1 die busts %2% of the time, and a bust loses the %3 points of this round.", "pracWhyBust", '1'},
    {"Practice", "pracWhyBustFew", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round.", "pracWhyBust", 'f'},
    {"Practice", "pracWhyBustMany", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round.", "pracWhyBust", 'm'},
    {"Practice", "pracWhyBustSix", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round and 100 more."},
    {"Practice", "pracWhyBustSixOne", "Why: %1 die busts %2% of the time, and a bust loses the %3 points of this round and 100 more.", "pracWhyBustSix", '1'},
    {"Practice", "pracWhyBustSixFew", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round and 100 more.", "pracWhyBustSix", 'f'},
    {"Practice", "pracWhyBustSixMany", "Why: %1 dice bust %2% of the time, and a bust loses the %3 points of this round and 100 more.", "pracWhyBustSix", 'm'},
    {"Practice", "pracWhyLowRisk", "Why: %1 dice bust only %2% of the time, so the points still to come are worth more than a bank now."},
    {"Practice", "pracWhyLowRiskOne", "Why: %1 die busts only %2% of the time, so the points still to come are worth more than a bank now.", "pracWhyLowRisk", '1'},
    {"Practice", "pracWhyLowRiskFew", "Why: %1 dice bust only %2% of the time, so the points still to come are worth more than a bank now.", "pracWhyLowRisk", 'f'},
    {"Practice", "pracWhyLowRiskMany", "Why: %1 dice bust only %2% of the time, so the points still to come are worth more than a bank now.", "pracWhyLowRisk", 'm'},
    {"Practice", "pracWhyMoreDice", "Why: this play leaves %1, the other %2: the dice are worth more than the points given up."},
    {"Practice", "pracBustChance", "a %2% bust chance with %1 dice to roll"},
    {"Practice", "pracBustChanceOne", "a %2% bust chance with %1 die to roll", "pracBustChance", '1'},
    {"Practice", "pracBustChanceFew", "a %2% bust chance with %1 dice to roll", "pracBustChance", 'f'},
    {"Practice", "pracBustChanceMany", "a %2% bust chance with %1 dice to roll", "pracBustChance", 'm'},
    {"Practice", "pracWhyBankTotal", "Why: a total of %1 is a better place to go on from than %2."},
    {"Practice", "pracWhyMorePoints", "Why: the same dice roll on either way, and this keeps %1 points more."},
    {"Practice", "pracWhyFewerPoints", "Why: the same dice roll on either way, and fewer points now leave more ways to end on a total that is accepted."},
    {"Practice", "pracWhySame", "Why: the plays come out alike here."},
    {"Practice", "pracTop", "The first plays, best first, with their expected rounds:"},
    {"Practice", "pracTopName", "The first plays, best first"},
    {"Practice", "pracYours", "(yours)"},
    {"Practice", "pracProgressCaption", "Your progress from this source: rounds lost per position, day by day"},
    {"Practice", "pracDayAxis", "day"},
    {"Practice", "pracNoAnswers", "Nothing answered from this source yet."},
    {"Practice", "pracDayColumn", "Day"},
    {"Practice", "pracTriedColumn", "Tried"},
    {"Practice", "pracBestColumn", "Answered best"},
    {"Practice", "pracLostColumn", "Rounds lost per position"},
    {"Practice", "pracAllDays", "All days"},
    {"Practice", "pracProgressTableName", "Your progress from this source, day by day"},
    {"Practice", "pracSayPosition", "Practice: total %1, points this round %2, rolled %3."},
    {"Practice", "pracDamaged", "The practice file %1 could not be read (%2). It stays as it is until the next answer or reviewed game, which keeps it aside as a \"damaged\" copy and starts a new file."},
    {"Practice", "pracPartial", "Lines of the practice file %1 that could not be read: %2. They are kept in the file but left out here."},
    {"Practice", "pracFuture", "The practice file %1 was written by a newer version of Korvex. What this version understands is used; the rest is kept."},
    {"Practice", "pracKeptAside", "The practice file could not be read. It has been kept as %1, and a new one begun."},
    {"Practice", "pracFull", "The practice file %1 holds so many lines this version does not write that nothing more fits beside them: nothing new is recorded in it."},
    // --- what a screen reader speaks as the game goes on
    {"Speech", "sayRolled", "Rolled %1."},
    {"Speech", "sayRolledSome", "Rolled dice %1: %2."},
    {"Speech", "sayRolledSomeOne", "Rolled die %1: %2.", "sayRolledSome", '1'},
    {"Speech", "sayRolledSomeFew", "Rolled dice %1: %2.", "sayRolledSome", 'f'},
    {"Speech", "sayRolledSomeMany", "Rolled dice %1: %2.", "sayRolledSome", 'm'},
    {"Speech", "sayHotDice", "Hot dice, all six roll again."},
    {"Speech", "sayDie", "Die %1 (%2)"},
    {"Speech", "sayDice", "Dice %1 (%2)"},
    {"Speech", "saySelected", "%1 selected, subtotal %2."},
    {"Speech", "sayReleased", "%1 released, subtotal %2."},
    {"Speech", "sayCannotTake", "Die %1 (%2) cannot be taken: it scores only in a set of three or more."},
    {"Speech", "sayKept", "Die %1 (%2) is kept from an earlier roll."},
    {"Speech", "sayRollFirst", "Roll first."},
    {"Speech", "sayEntry", "%1: %2"},
    {"Speech", "sayChoice", "%1, subtotal %2."},
    {"Speech", "sayChoiceShown", "%1: choose with Tab and the arrow keys; now %2."},
    {"Speech", "sayNewGame", "New game: total 0, round 1."},
    {"Speech", "sayBanked", "Banked %1; total %2, round %3."},
    {"Speech", "sayRefused", "Nothing banked; total %1, round %2."},
    {"Speech", "sayLost", "Round lost; total %1, round %2."},
    {"Speech", "sayWon", "Won with %1 points in %2 rounds, time %3, %4."},
    {"Speech", "sayWonOne", "Won with %1 points in %2 round, time %3, %4.", "sayWon", '1'},
    {"Speech", "sayWonFew", "Won with %1 points in %2 rounds, time %3, %4.", "sayWon", 'f'},
    {"Speech", "sayWonMany", "Won with %1 points in %2 rounds, time %3, %4.", "sayWon", 'm'},
    {"Speech", "sayTopTen", "Top ten, %1: place %2."},
    {"Speech", "sayState", "Total %1, round %2, subtotal %3, %4, time %5."},
    {"Speech", "sayHours", "%1 hours"},
    {"Speech", "sayHour", "%1 hour", "sayHours", '1'},
    {"Speech", "sayHoursFew", "%1 hours", "sayHours", 'f'},
    {"Speech", "sayHoursMany", "%1 hours", "sayHours", 'm'},
    {"Speech", "sayMinutes", "%1 minutes"},
    {"Speech", "sayMinute", "%1 minute", "sayMinutes", '1'},
    {"Speech", "sayMinutesFew", "%1 minutes", "sayMinutes", 'f'},
    {"Speech", "sayMinutesMany", "%1 minutes", "sayMinutes", 'm'},
    {"Speech", "saySeconds", "%1 seconds"},
    {"Speech", "saySecond", "%1 second", "saySeconds", '1'},
    {"Speech", "saySecondsFew", "%1 seconds", "saySeconds", 'f'},
    {"Speech", "saySecondsMany", "%1 seconds", "saySeconds", 'm'},
    // --- the name a screen reader gives each die
    {"DieName", "dieFree", "Die %1: %2, free"},
    {"DieName", "dieSelected", "Die %1: %2, selected"},
    {"DieName", "dieKept", "Die %1: %2, kept"},
    {"DieName", "dieRolling", "Die %1: rolling"},
    // --- the top-ten window
    {"TopTen", "topClearTitle", "Clear the table"},
    {"TopTen", "topClearAsk", "Clear the \"%1\" table? Its entries cannot be brought back."},
    // --- the settings dialog's language page
    {"Setup", "lLanguagePick", "Fill the texts from:"},
    {"Setup", "setupWinnerFives", "No game can end on %1: every score is a multiple of 5. Choose a winning total that is one."},
    {"Setup", "setupWinnerBand", "No game can end on %1 with the 400-500 band in every thousand: the winning bank would land in the band. Choose another winning total, or turn the band off."},
    // --- captions whose English wording is fixed, translatable all the same
    {"Caption", "aPause", "Pause"},
    {"Caption", "setupTitle", "Setup"},
    {"Caption", "eValid", "400-500 intervallum valid for each 1000"},
    {"Caption", "topHallOfFame", "Hall of Fame"},
    {"Caption", "topNameTitle", "HiScore"},
    {"Caption", "topNamePrompt", "Type Your name: "},
    {"Caption", "eValueNotDone", "Not done yet..."},
    {"Caption", "sFull", "Full : %1"},
    {"Caption", "fileFilter", "Korvex saved game (*.KVX)"},
    {"Caption", "Button1", "Cheat 1"},
    {"Caption", "Button2", "Cheat 5"},
    {"Caption", "Button3", "Cheat 3"},
    {"Caption", "Button4", "Cheat 1+5"},
    // --- the game's own notices beyond the original messages
    {"Notice", "msgAssisted", "The advisor was open during this game, so it is not entered in the top-ten tables."},
    {"Notice", "ttNoLongerScore", "Another copy of the game has entered better results since, so this win no longer makes the top ten by points per round."},
    {"Notice", "ttNoLongerTime", "Another copy of the game has entered faster wins since, so this win no longer makes the top ten by time."},
    {"Notice", "folderNotReached", "The program folder %1 could not be opened, so the game keeps its files in %2."},
    {"Notice", "msgRoundsUsedUp", "This game has reached round %1, the last a game has. It ends here unwon, and the next game is ready."},
    // --- a game whose dice the test buttons set
    {"TestButtons", "msgTestButtons", "The test buttons set the dice in this game, so it is not entered in the top-ten tables."},
    // --- saving a game
    {"SaveGame", "saveReplace", "%1 already exists. Replace it with this game?"},
    {"SaveGame", "saveOwnFile", "%1 is one of Korvex's own files and cannot hold a saved game. Choose another name."},
    {"SaveGame", "saveNotSaved", "This is not a Korvex saved game: %1."},
    {"SaveGame", "saveBadFace", "die %1 shows %2, which is no face of a die"},
    {"SaveGame", "saveBadState", "die %1 has the unknown state %2"},
    {"SaveGame", "saveSelCount", "the count of selected dice showing %1 is %2, but the dice on the table make it %3"},
    {"SaveGame", "saveSelShort", "the selected dice showing %1 are fewer than a set of three"},
    {"SaveGame", "saveWinnerBelowOne", "the winning total %1 is below 1"},
    {"SaveGame", "saveRoundBelowOne", "the round number %1 is below 1"},
    {"SaveGame", "saveRoundTooLate", "the round number %1 is past %2, the last round a game has"},
    {"SaveGame", "saveTimeNegative", "the playing time %1 is negative"},
    {"SaveGame", "saveTotalNotFive", "the total %1 is not a multiple of 5"},
    {"SaveGame", "saveTotalPastWinner", "the total %1 is past the winning total %2"},
    {"SaveGame", "saveTotalTooLow", "the total %1 is below %2, the lowest the -100 penalty can bring it to by round %3"},
    {"SaveGame", "savePointsNotFive", "the points of the round (%1) are not a multiple of 5"},
    {"SaveGame", "savePointsNegative", "the points of the round (%1) are below 0"},
    {"SaveGame", "saveHeldBeforeRoll", "dice are selected or kept before the round's first roll"},
    {"SaveGame", "savePointsBeforeRoll", "the round holds points (%1) before its first roll"},
    {"SaveGame", "saveRollCount", "the count of rolled dice showing %1 is %2, but the dice on the table make it %3"},
    {"SaveGame", "saveBustOnTable", "the last roll (%1) scores nothing, so its round would already have ended"},
    {"SaveGame", "saveKeptShort", "the kept dice showing %1 are fewer than a set of three"},
    {"SaveGame", "savePointsBelowKept", "the points of the round (%1) are less than its kept dice are worth (at least %2)"},
    // --- why a file was not read or not written, and damaged files kept aside
    {"Files", "fileWhyNotRegular", "it is not a regular file, so the game leaves it alone"},
    {"Files", "fileWhyTooLarge", "it is larger than %1 bytes, far more than the game ever writes; it is not read and stays as it is"},
    {"Files", "fileWhyReadOnly", "the file is read-only, so the game does not replace it"},
    {"Files", "fileWhyLinkOut", "it is a link to a place outside its folder, so the game does not write through it"},
    {"Files", "fileWhyDiskFull", "the disk is full"},
    {"Files", "fileNotRead", "%1. The game goes on with its own texts and settings."},
    {"Files", "ttKeptAside", "The top-ten table could not be read. It has been kept as %1, and a new table holds this win."},
    {"Files", "statResetAside", "The statistics file could not be read. It has been kept as %1; there was nothing else to forget."},
    {"Files", "fileWhyInUse", "in use by another copy of the game"},
    {"Files", "ttEnterLater", "The top-ten table %1 is in use by another copy of the game. Your entry will be added at your next win or when you close the game."},
    {"Files", "fileNotWritten", "%1 stayed in use by another copy of the game until this one closed; the changes waiting for it could not be written."},
    // --- challenge games: the menu, the code, the race line, the win and the table
    {"Challenge", "aDailyChallenge", "Daily Challenge"},
    {"Challenge", "aNewChallenge", "New Challenge..."},
    {"Challenge", "aChallengeTable", "Challenge Table..."},
    {"Challenge", "aCopyChallenge", "Copy Challenge Code"},
    {"Challenge", "aShowRace", "Show the Best Play's Race"},
    {"Challenge", "chalTitle", "New Challenge"},
    {"Challenge", "chalCodeLabel", "&Code:"},
    {"Challenge", "chalCodeName", "Challenge code"},
    {"Challenge", "chalPlay", "Play"},
    {"Challenge", "chalCancel", "Cancel"},
    {"Challenge", "chalNote", "Everyone who plays this code rolls the same dice. It is played by the rules in force: %1."},
    {"Challenge", "chalBadCode", "\"%1\" is not a challenge code. A code is eight of these letters and digits: %2."},
    {"Challenge", "chalLine", "Challenge %1"},
    {"Challenge", "chalRaceAfter", "Best play: %1 after round %2"},
    {"Challenge", "chalRaceWon", "Best play: won in round %1"},
    {"Challenge", "chalRaceWorking", "Best play: still being worked out"},
    {"Challenge", "chalWinYou", "Challenge %1 won. Your rounds: %2, your time: %3."},
    {"Challenge", "chalWinBest", "The best play's rounds on the same dice: %1 (difference: %2)."},
    {"Challenge", "chalWinLost", "Rounds lost to your decisions, the comparison without luck: %1."},
    {"Challenge", "chalWinNote", "Shared dice take out most of the luck between players who play alike, and less between players who play very differently."},
    {"Challenge", "chalNoTopTen", "Challenge games are not entered in the top-ten tables, as a code can be played again; this win is kept in the challenge table."},
    {"Challenge", "chalUnknown", "not known"},
    {"Challenge", "chalTableTitle", "Challenge Table"},
    {"Challenge", "chalColCode", "Code"},
    {"Challenge", "chalColDate", "Date"},
    {"Challenge", "chalColRules", "Rules"},
    {"Challenge", "chalColName", "Name"},
    {"Challenge", "chalColRounds", "Rounds"},
    {"Challenge", "chalColTime", "Time"},
    {"Challenge", "chalColBest", "Best play"},
    {"Challenge", "chalColFirst", "First play"},
    {"Challenge", "chalYes", "yes"},
    {"Challenge", "chalNo", "no"},
    {"Challenge", "chalWhyHeader", "it does not begin as a challenge table does"},
    {"Challenge", "chalBadSave", "the challenge saved with this game is damaged"},
    {"Challenge", "chalKeptAside", "The challenge table could not be read. It has been kept as %1, and a new table holds this result."},
    {"Challenge", "chalNameCaption", "Challenge won"},
    {"Challenge", "chalNamePrompt", "Your name for the challenge table:"},
    {"Challenge", "chalStatWon", "Challenge games won on this computer under %1: %2, counted apart from these figures (File, %3)."},
};
const int kUiTextCount = int(sizeof kUiTexts / sizeof kUiTexts[0]);

namespace {

// Read on the worker threads too (the choice lists' texts): a lock keeps a
// reload from being seen half done.
struct Loaded
{
    std::mutex lock;
    std::vector<QString> values;
    QString code;
};

Loaded &loaded()
{
    static Loaded state;
    return state;
}

} // namespace

int uiTextIndex(const QString &key)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> out;
        for (int i = 0; i < kUiTextCount; ++i)
            out.insert(QString::fromLatin1(kUiTexts[i].key).toLower(), i);
        return out;
    }();
    return index.value(key.toLower(), -1);
}

void loadUiTexts(const TRegAuto &lng)
{
    const TRegAuto::Pass pass(lng);
    std::vector<QString> values(static_cast<size_t>(kUiTextCount));
    std::vector<bool> found(static_cast<size_t>(kUiTextCount), false);
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiTextEntry &e = kUiTexts[i];
        values[size_t(i)] = lng.ReadString(QLatin1String(e.section), QLatin1String(e.key), QString());
        found[size_t(i)] = !values[size_t(i)].isNull();
        if (!found[size_t(i)])
            values[size_t(i)] = QString::fromUtf8(e.englishDefault);
    }
    for (int i = 0; i < kUiTextCount; ++i) {
        if (!kUiTexts[i].formOf || found[size_t(i)])
            continue;
        const int plural = uiTextIndex(QLatin1String(kUiTexts[i].formOf));
        if (plural >= 0 && found[size_t(plural)])
            values[size_t(i)] = values[size_t(plural)];
    }
    const QString code = languageCode(lng);
    Loaded &state = loaded();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.values = std::move(values);
    state.code = code;
}

void resetUiTexts()
{
    Loaded &state = loaded();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.values.clear();
    state.code.clear();
}

QString uiText(const char *key)
{
    const int i = uiTextIndex(QLatin1String(key));
    if (i < 0)
        return QString::fromLatin1(key);
    Loaded &state = loaded();
    const std::lock_guard<std::mutex> guard(state.lock);
    if (size_t(i) < state.values.size())
        return state.values[size_t(i)];
    return QString::fromUtf8(kUiTexts[i].englishDefault);
}

QString uiLanguage()
{
    Loaded &state = loaded();
    const std::lock_guard<std::mutex> guard(state.lock);
    return state.code;
}

QString uiPlural(const char *key, double count, int decimals)
{
    char form = 0;
    switch (pluralForm(uiLanguage(), count, decimals)) {
    case PluralForm::One: form = '1'; break;
    case PluralForm::Few: form = 'f'; break;
    case PluralForm::Many: form = 'm'; break;
    case PluralForm::Other: return uiText(key);
    }
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiTextEntry &e = kUiTexts[i];
        if (e.form == form && e.formOf && qstrcmp(e.formOf, key) == 0)
            return uiText(e.key);
    }
    return uiText(key);
}
