// SPDX-License-Identifier: GPL-3.0-or-later
// The added texts: their table and the process-wide values in force.
#include "settings/UiTexts.h"

#include "settings/TRegAuto.h"

#include <QStringList>

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
    {"Help", "keyEscapeDoes", "Close the top ten, the advisor, the review or the statistics; cancel the settings"},
    {"Help", "aboutWhat", "A dice game for one player: roll six dice, set aside the ones that score, and reach the winning total exactly."},
    {"Help", "aboutLicence", "Korvex is free software: you may share and change it under the GNU General Public License, version 3 or later (GPL-3.0-or-later). It comes with no warranty."},
    {"Help", "aboutTypeface", "The captions are set in Leckerli One, under the SIL Open Font License 1.1."},
    // --- the advisor window
    {"Advisor", "advTitle", "Advisor"},
    {"Advisor", "advAssisted", "A game during which the advisor is opened is not entered in the top-ten tables."},
    {"Advisor", "advStillCounts", "This game can still enter the top ten; played on with this window open, it is not entered."},
    {"Advisor", "advWorking", "Working out the best play for %1 points..."},
    {"Advisor", "advWorkingBand", "Working out the best play for %1 points, 400-500 in every thousand..."},
    {"Advisor", "advProgressName", "Working out the best play"},
    {"Advisor", "advProgress", "%1 %"},
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
    {"Advisor", "advNextRoll", "Next roll: 6 dice, bust chance %1 % (costs 100 points)."},
    {"Advisor", "advRoundsFromStart", "Expected rounds to the win, this one included: %1"},
    {"Advisor", "advRollOn", "Rolling on with this selection: %1 dice, bust chance %2 %."},
    {"Advisor", "advNothingSelected", "Nothing is selected yet: take scoring dice, then roll on or bank."},
    {"Advisor", "advRoundsBest", "Expected rounds to the win with the best play, this one included: %1"},
    {"Advisor", "advBust", "Bust: nothing in this roll scores, so there is nothing to choose."},
    {"Advisor", "advBustPenalty", "The round ends and 100 points are taken off the total."},
    {"Advisor", "advBustLost", "The round ends and its points are lost."},
    {"Advisor", "advBest", "Best play (%1 rounds): %2"},
    {"Advisor", "advRanking", "Every play, best first, with its expected rounds:"},
    {"Advisor", "advRankItem", "%1   %2"},
    {"Advisor", "advKeep", "Keep dice %1 (%2) for %3 points"},
    {"Advisor", "advOnesAs", "ones as %1"},
    {"Advisor", "advFivesAs", "fives as %1"},
    {"Advisor", "advThenRoll", "then roll %1 dice"},
    {"Advisor", "advThenBank", "then bank"},
    {"Advisor", "advThenBankRefused", "then bank (refused)"},
    {"Advisor", "advBankOnly", "Keep nothing and bank"},
    {"Advisor", "advBankOnlyRefused", "Keep nothing and bank (refused)"},
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
    {"Statistics", "statBestNinety", "Best play: 9 games in 10 within"},
    {"Statistics", "statNone", "-"},
    {"Statistics", "statUnknown", "unknown"},
    {"Statistics", "statSolving", "working out the best play..."},
    {"Statistics", "statUnwinnable", "cannot be won"},
    {"Statistics", "statTooLarge", "worked out up to %1 points"},
    {"Statistics", "statBestLine", "Under %1 the best possible play needs %2 rounds on average."},
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
    {"Statistics", "statResetQuestion", "Forget every game won under %1? The %2 counted games and %3 set apart, their totals and their history will be lost for good. The other rules keep theirs."},
    {"Statistics", "statDamaged", "The statistics file %1 could not be read (%2). Nothing of it is shown; it stays as it is until the next win, which keeps it aside as a \"damaged\" copy and starts a new file."},
    {"Statistics", "statWhyNotText", "it is not a text file"},
    {"Statistics", "statWhyTooManyLines", "it has far more lines than the game ever writes"},
    {"Statistics", "statWhyNoVersion", "it does not say which version wrote it"},
    {"Statistics", "statWhyNotAFile", "it is not a file"},
    {"Statistics", "statWhyTooLarge", "it is far larger than the game ever writes"},
    {"Statistics", "statPartial", "Some lines of the statistics file %1 could not be read (%2): they are kept in the file but left out here. Everything else is shown."},
    {"Statistics", "statFuture", "The statistics file %1 was written by a newer version of Korvex. What this version understands is shown; the rest is kept."},
    {"Statistics", "statKeptAside", "The statistics file could not be read. It has been kept as %1, and a new one begun with this game."},
    // --- the game review window
    {"Review", "aReview", "Review Game..."},
    {"Review", "revTitle", "Game Review"},
    {"Review", "revWorking", "Working out the best play for %1 points..."},
    {"Review", "revWorkingBand", "Working out the best play for %1 points, 400-500 in every thousand..."},
    {"Review", "revProgressName", "Working out the best play"},
    {"Review", "revProgress", "%1 %"},
    {"Review", "revTooLarge", "The review works out winning totals of up to %1 points."},
    {"Review", "revNeverReached", "A winning total of %1 can never be reached exactly, so no play can be valued."},
    {"Review", "revWon", "The game won: %1 points, reached in round %2."},
    {"Review", "revInProgress", "The game in progress, up to now."},
    {"Review", "revNothingYet", "Nothing played yet in this game: roll the dice and the review follows."},
    {"Review", "revSummaryWon", "Rounds played: %1. The best play expects %2 rounds from the start. Lost to decisions: %3 rounds. Luck: %4 rounds."},
    {"Review", "revSummaryPlaying", "Rounds played so far: %1. The best play expected %2 rounds from the start; as the game stands, %3 are expected. Lost to decisions: %4 rounds. Luck: %5 rounds."},
    {"Review", "revLuckHelped", "On balance the dice helped."},
    {"Review", "revLuckHurt", "On balance the dice hurt."},
    {"Review", "revCounts", "Decisions: %1 best or close to it, %2 inaccuracies, %3 mistakes, %4 blunders."},
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
    {"Review", "revChartStart", "Start: %1 rounds expected"},
    {"Review", "revChartRoll", "Round %1: rolled %2"},
    {"Review", "revChartRoundEnd", "Round %1 over: total %2"},
    {"Review", "revChartLuck", "luck %1 rounds"},
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
    {"Review", "revItemSmall", "Round %1: %2; best was to %3; cost %4 rounds"},
    {"Review", "revItemBest", "Round %1: %2; the best play"},
    {"Review", "revItemUnvalued", "Round %1: %2; not valued"},
    {"Review", "revKeptBanked", "kept %1 and banked %2"},
    {"Review", "revKeptRolled", "kept %1 and rolled %2 dice"},
    {"Review", "revBanked", "banked %1"},
    {"Review", "revKeepBank", "keep %1 and bank %2"},
    {"Review", "revKeepRoll", "keep %1 and roll %2 dice"},
    {"Review", "revBank", "bank %1"},
    {"Review", "revRoll", "roll %1 dice"},
    {"Review", "revRefused", "(refused)"},
    {"Review", "revClassInaccuracy", "an inaccuracy"},
    {"Review", "revClassMistake", "a mistake"},
    {"Review", "revClassBlunder", "a blunder"},
    // --- what a screen reader speaks as the game goes on
    {"Speech", "sayRolled", "Rolled %1."},
    {"Speech", "sayRolledSome", "Rolled dice %1: %2."},
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
    {"Speech", "sayTopTen", "Top ten, %1: place %2."},
    {"Speech", "sayState", "Total %1, round %2, subtotal %3, %4, time %5."},
    {"Speech", "sayHour", "%1 hour"},
    {"Speech", "sayHours", "%1 hours"},
    {"Speech", "sayMinute", "%1 minute"},
    {"Speech", "sayMinutes", "%1 minutes"},
    {"Speech", "saySecond", "%1 second"},
    {"Speech", "saySeconds", "%1 seconds"},
    // --- the settings dialog's language page
    {"Setup", "lLanguagePick", "Fill the texts from:"},
    // --- the game's own notices beyond the original messages
    {"Notice", "msgAssisted", "The advisor was open during this game, so it is not entered in the top-ten tables."},
};
const int kUiTextCount = int(sizeof kUiTexts / sizeof kUiTexts[0]);

namespace {
std::vector<QString> &loaded()
{
    static std::vector<QString> values;
    return values;
}
} // namespace

int uiTextIndex(const QString &key)
{
    for (int i = 0; i < kUiTextCount; ++i)
        if (key.compare(QLatin1String(kUiTexts[i].key), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void loadUiTexts(const TRegAuto &lng)
{
    std::vector<QString> values;
    values.reserve(size_t(kUiTextCount));
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiTextEntry &e = kUiTexts[i];
        values.push_back(lng.ReadString(QLatin1String(e.section), QLatin1String(e.key),
                                        QString::fromUtf8(e.englishDefault)));
    }
    loaded() = std::move(values);
}

void resetUiTexts()
{
    loaded().clear();
}

QString uiText(const char *key)
{
    const int i = uiTextIndex(QLatin1String(key));
    if (i < 0)
        return QString::fromLatin1(key);
    if (size_t(i) < loaded().size())
        return loaded()[size_t(i)];
    return QString::fromUtf8(kUiTexts[i].englishDefault);
}
