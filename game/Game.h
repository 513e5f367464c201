// SPDX-License-Identifier: GPL-3.0-or-later
// The game engine: the rules of rolling, selecting, scoring and banking, the
// clock and the phase of play, kept free of widgets, boxes and texts. It
// takes the player's commands and answers each with what came of it; the
// window's presenter shows those outcomes.
#pragma once

#include "game/Challenge.h"
#include "game/DiceTurning.h"
#include "game/GameRecord.h"
#include "game/GameSettings.h"
#include "game/GameState.h"
#include "game/RuleSet.h"
#include "game/Scoring.h"

#include <QObject>
#include <QVector>
#include <functional>

class GameRandom;
class TimerService;

// Where the game stands; the windows and the narration follow it.
enum class GamePhase {
    Cover,           // behind the cover, no game to continue
    BeforeFirstRoll, // a round begun, its first roll not made yet
    Rolling,         // dice turning
    Choosing,        // a roll at rest: dice to select, then Roll or Done
    RoundOver,       // a round lost to a bust, or a bank refused, being told
    Paused,          // behind the cover, Continue plays on
    Won,             // the winning total reached: the game won on the table
    NextGame,        // behind the cover after a win: the game won is on record
                     // until the next one, prepared, takes its first step
};

// The position on the table.
struct GamePosition
{
    qint32 total = 0;
    qint32 roundNo = 0;
    qint32 roundPoints = 0; // the points of the round's earlier rolls
    qint32 selection = 0;   // the points of the dice selected now; 0 while none are
    int rolled[7] = {};     // the dice just rolled, by face; none before the round's first roll
    int kept = 0;           // dice Kept
    int selected = 0;       // dice Selected
    bool firstRollDue = false; // a round begun, its first roll not made yet
    RuleSet rules;
};

// A game won, as the winning sequence reports it.
struct WinSummary
{
    qint32 total = 0;
    qint32 roundNo = 0;
    qint32 elapsedSeconds = 0;
    RuleSet rules;
    qint32 type = 1;
    bool testButtonsUsed = false; // told by whoever pressed them
};

// The valuations offered for three or more selected ones or fives.
struct ChoiceOffer
{
    QVector<ChoiceEntry> entries; // empty while none is offered
    int chosen = -1;
    bool offered() const { return !entries.isEmpty(); }
};

class Game : public QObject
{
    Q_OBJECT

public:
    // The dice draw from `random`, which the game reseeds from the time of day at each roll.
    Game(TimerService &timers, GameRandom &random, QObject *parent = nullptr);
    ~Game() override;

    // --- what the listeners and the records read ---
    GamePhase phase() const { return m_phase; }
    GamePosition position() const;
    const GameState &state() const { return gs; }
    const DieModel &die(int n) const { return m_dice[n]; }
    qint32 rollingDice() const { return m_turning.rollingDice(); }
    qint32 elapsedSeconds() const { return ElapsedSeconds; }
    const GameSettings &gameSettings() const { return settings; }
    // The settings in force from now on (the next game is played by them).
    void applySettings(const GameSettings &s) { settings = s; }
    // The valuations offered for ones (face 1) or fives (any other face).
    const ChoiceOffer &choices(int face) const { return m_offers[face == 1 ? 0 : 1]; }
    // The game in progress step by step; after a win, the game won until the
    // next one begins (Continue, Start, New Game or its first roll).
    const GameRecord &record() const { return m_record; }

    // --- the player's commands ---
    void roll();
    // A click on die n: selects or frees it, with the dice the rules take with it.
    void clickDie(int n);
    // Takes entry `index` of the valuations offered for ones (face 1) or fives (5).
    void choose(int face, int index);
    // Done: banks the round's points.
    void bank();
    // Sets the faces of the dice that are not Kept and evaluates them as a
    // roll (the test buttons). Ignored unless the dice are at rest in play.
    void stageRoll(const std::function<int(int)> &faceOfDie);
    // A new game, the round's first roll to make; from the cover, Start. It
    // plays the dice of `challenge` (game/Challenge.h), or, with none, falls
    // where they fall.
    void newGame(const ChallengeCode &challenge = {});
    void pause();
    // Pauses as pause() does, when the game is running: at once while the
    // dice are at rest, else as soon as the rolling dice have been evaluated.
    void pauseWhenIdle();
    // Continue: plays on behind the cover.
    void resume();
    // A game prepared behind the cover, clock stopped: at start-up, with
    // nothing to continue; after a win, with the game won on record until
    // the next one takes its first step.
    void prepareGame();

    // --- saved games ---
    struct Snapshot {
        qint32 dieState[7];
        qint32 face[7];
        qint32 selCount[7];
        qint32 rollCount[7];
        qint32 subScore, total, roundNo, elapsedSeconds, winner;
    };
    Snapshot snapshot() const;
    // Replaces the dice and the saved fields, then rebuilds what the file does
    // not carry from the dice themselves. `challenge`: the code and the place
    // saved with the game, or none.
    void restore(const Snapshot &s, const ChallengeDice &challenge = {});

signals:
    // Die n shows another face or state: also at each step of its turning.
    void dieChanged(int n);
    // The position or the phase has changed (never for a step of the dice).
    void positionChanged(const GamePosition &position, GamePhase phase);
    // A second of play has passed, or an opened game brought its time.
    void clockChanged(qint32 seconds);
    // A new game is about to be set up.
    void newGameStarted();
    // A saved game's position has replaced the one on the table.
    void gameOpened();
    // The dice of a roll have come to rest: the faces of dice 1 to 6 (slot 0
    // unused), 0 for a Kept die. Sent before the roll is scored; not for the
    // faces the test buttons set. hotDice: all six scored and rolled again.
    void rolled(const QVector<int> &faces, bool hotDice);
    // Roll with no die selected after a roll: nothing happens.
    void rollRefused();
    // A click on a die has selected dice, or freed them: their numbers in order.
    void selectionChanged(const QVector<int> &dice, bool selected);
    // Valuations are offered for three or more ones (face 1) or fives (5).
    void choicesOffered(int face, const ChoiceOffer &offer);
    // The roll at rest scores nothing: the round is lost, with `points` (0,
    // or -100 when no die was kept) as its points. The round closes next.
    void roundLost(qint32 points);
    // A round's points were not banked: the band, or past the winning total.
    void bankRefused(BankVerdict verdict, qint32 winner);
    // The last round a game may have ended unwon; the next game is prepared
    // behind the cover next.
    void roundsUsedUp(qint32 rounds);
    // A round of the game in progress has closed: banked, refused or lost
    // (points 0 or -100 after a bust), leaving total and the next round's
    // number. Not for the round a new game opens with, nor for the winning bank.
    void roundEnded(qint32 points, BankVerdict verdict, qint32 total, qint32 roundNo);
    // The winning total is reached, the clock stopped. prepareGame() then
    // prepares the next game, with the game won kept on record until it begins.
    void won(const WinSummary &summary);

private:
    GameState gs;
    qint32 ElapsedSeconds = 0;
    GameSettings settings;
    ChoiceOffer m_offers[2];

    // Mode -1 reads (0, 1, 2, or -1 for none of them); 0, 1, 2 set; others do nothing.
    int DiceState(int index, int mode = -1);
    void EvaluateRoll();
    void SelectGroup(int face, int n);
    void BuildChoices(int face);
    void ScoreSelection(int mode);
    void EndRound(qint32 points);
    // A fresh game's state: no points, round 1, the clock at 0.
    void setUpGame();
    void withdrawChoices(int face);
    int choiceValue(int face) const;
    void StopWatchTimer();
    void setStopWatch(bool enabled);
    void setPhase(GamePhase phase);
    // The phase of a game in play at rest: before its first roll or choosing.
    GamePhase restingPhase() const;
    bool covered() const;
    // Behind the cover: whether Continue plays on.
    bool continuable() const;
    void changed();
    void startRecord(bool opened);
    void recordRoll();
    void recordKeep(bool bank);
    void recordRoundEnd(qint32 points, BankVerdict verdict);
    // At a round end in the last round a game has: ends the game, unwon, and
    // prepares the next behind the cover; true when it did.
    bool outOfRounds();

    TimerService &m_timers;
    GameRandom &m_random;
    DieModel m_dice[7];
    DiceTurning m_turning; // after the dice it turns
    GamePhase m_phase = GamePhase::Cover;
    int m_stopWatch = 0;
    bool m_pauseAfterRoll = false;
    GameRecord m_record;
    bool m_freshRecordDue = false; // the record holds a game won; the next game's starts when it is played
    bool m_staging = false;        // a test button is setting the dice
    bool m_hotDiceRoll = false; // the dice turning were all six scored
    // What positionChanged last told.
    GamePosition m_told;
    GamePhase m_toldPhase = GamePhase::Cover;
    int m_toldChosen[2] = {-1, -1};
    bool m_toldOnce = false;

    // ---- challenge games (game/Challenge.h): the dice of a code ----
public:
    // The code played and the place in its dice; inactive in an ordinary game.
    const ChallengeDice &challenge() const { return m_challenge; }

private:
    ChallengeDice m_challenge;
};
