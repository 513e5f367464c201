// SPDX-License-Identifier: GPL-3.0-or-later
// The game engine: the rules of rolling, selecting, scoring and banking, the
// clock and the cover, kept free of widgets. The main window mirrors this
// state and forwards the player's clicks to the handlers below.
#pragma once

#include "game/Challenge.h"
#include "game/DiceTurning.h"
#include "game/GameRecord.h"
#include "game/GameSettings.h"
#include "game/GameState.h"
#include "base/GameTexts.h"
#include "game/RuleSet.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

class GameRandom;
class TimerService;

// Where the game stands; the windows and the narration follow it.
enum class GamePhase {
    Cover,           // behind the cover, no game to continue
    BeforeFirstRoll, // a round begun, its first roll not made yet
    Rolling,         // dice turning
    Choosing,        // a roll at rest: dice to select, then Roll or Done
    Message,         // a message box is open
    Paused,          // behind the cover, Continue plays on
    Won,             // the winning total reached: the winning sequence, and
                     // behind the cover the game won until the next begins
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
    bool testButtonsUsed = false;
};

// Modal interactions the engine needs from whoever shows it.
class GameUi
{
public:
    virtual ~GameUi() = default;
    // A modal box with the application's title and one OK button.
    virtual void showMessage(const QString &text) = 0;
    // The check of a game won (the top ten), made once its message is shown
    // and won() is sent. True lets the winning sequence go on to prepare the
    // next game behind the cover; false leaves the won game on the table.
    virtual bool checkWin(const WinSummary &) { return true; }
};


class Game : public QObject
{
    Q_OBJECT

public:
    // The dice draw from `random`, which the game reseeds from the time of day at each roll.
    Game(TimerService &timers, GameRandom &random, GameUi &ui, QObject *parent = nullptr);
    ~Game() override;

    // --- state, read by the window and the records ---
    GamePhase phase() const;
    GamePosition position() const;
    const GameState &state() const { return gs; }
    qint32 rollingDice() const { return m_turning.rollingDice(); }
    qint32 elapsedSeconds() const { return ElapsedSeconds; }
    const GameSettings &gameSettings() const { return settings; }
    const GameTexts &gameTexts() const { return texts; }
    // The choice list of ones (face 1) or of fives (any other face).
    const ChoiceList &choiceList(int face) const { return face == 1 ? rg10 : rg5; }
    // A test button has set the dice in this game: it counts apart in the statistics.
    bool testButtonsUsed() const { return m_testButtonsUsed; }
    RuleSet rules() const { return {settings.Winner, settings.Valid}; }
    // The settings in force from now on (the next game is played by them).
    void applySettings(const GameSettings &s);
    void applyRules(const RuleSet &r) { settings.Winner = r.winner; settings.Valid = r.band; }
    // The language's texts; the choice lists take their captions from them.
    void applyTexts(const GameTexts &t);

    const DieModel &die(int n) const { return m_dice[n]; }
    // The state of die n (0, 1, 2, or -1 for none of them).
    int dieState(int n) const;
    int eSubScore() const { return m_eSubScore; }
    int eScore() const { return m_eScore; }
    int eRnd() const { return m_eRnd; }
    // The rating the result display shows; none in a game type that is not
    // rated by its points (Time).
    std::optional<qint64> rating() const { return m_rating; }
    bool menuEnabled() const { return m_menuEnabled; }
    bool rollDoneEnabled() const { return m_rollDoneEnabled; }
    bool coverVisible() const { return m_coverVisible; }
    bool contVisible() const { return m_contVisible; }
    bool stopWatchEnabled() const { return m_stopWatch != 0; }
    // The game in progress step by step; after a win, the game won until the
    // next one begins (Continue, Start, New Game or its first roll).
    const GameRecord &record() const { return m_record; }

    // --- die states ---
    // Mode -1 reads (0, 1, 2, or -1 for none of them); 0, 1, 2 set; others do nothing.
    int DiceState(int index, int mode = -1);
    // The die named "RxDice" + n, compared without regard to case; 0 when none.
    static int dieIndexByName(const QString &name);

    // --- the player's actions ---
    void btRollClick();
    void btDoneClick();
    void RxDice1Click(int n);
    void rg10Click();
    // Picks an entry of a choice list (face 1: rg10, face 5: rg5) as a click on it would.
    void chooseEntry(int face, int index);
    void Button1Click(int face); // the cheat buttons 1, 5 and 3
    void Button4Click();         // the 1+5 cheat button
    // Sets the faces of the dice that are not Kept and evaluates them as a
    // roll, as the cheat buttons do; tests and tools stage rolls with it.
    // Ignored while dice roll.
    void stageRoll(const std::function<int(int)> &faceOfDie);
    void aNewExecute() { NewGame(); }
    void aPauseExecute();
    void btStartClick();
    void btContClick();

    // --- round and game ---
    void EndRound(qint32 points);
    void NewGame();
    void ShowMsg(const QString &text, qint64 number = -1);
    void ScoreSelection(int mode);
    void EvaluateRoll();
    void SelectGroup(int face, int n);
    void BuildChoices(int face);

    // --- clock ---
    QString ElapsedText() const;
    static QString elapsedText(qint32 seconds);
    void StopWatchTimer();
    // Pauses as the menu's Pause does, when the game is running: at once while
    // the dice are at rest, else as soon as the rolling dice have been evaluated.
    void pauseWhenIdle();
    void setStopWatch(bool enabled);

    // The first state after start-up: a game prepared behind the cover, clock stopped.
    void prepareFirstGame();
    // True while the winning sequence prepares the next game.
    bool winning() const { return m_winning; }

    // --- displays ---
    void setESubScore(int v);
    void setEScore(int v);
    void setERnd(int v);
    void eScoreChange();
    void eRndChange();

    // --- saved games ---
    // Replaces the dice and the saved fields, then rebuilds what the file does
    // not carry from the dice themselves.
    struct Snapshot {
        qint32 dieState[7];
        qint32 face[7];
        qint32 selCount[7];
        qint32 rollCount[7];
        qint32 subScore, total, roundNo, elapsedSeconds, winner;
    };
    Snapshot snapshot() const;
    void restore(const Snapshot &s);

    // Animation: one step of die n (called by its timer).
    void dieStep(int n) { m_turning.dieStep(n); }

signals:
    void dieChanged(int n);
    void stateChanged();
    // A second of play has passed, or an opened game brought its time.
    void clockChanged();
    void messageShown(const QString &text);
    void newGameStarted();
    // A round of the game in progress has ended: banked, refused or lost
    // (points 0 or -100 after a bust); verdict is a BankVerdict. Not for the
    // round a new game opens with, nor for the winning bank (won).
    void roundEnded(qint32 points, int verdict);
    // The dice of a roll have come to rest: the faces of dice 1 to 6 (slot 0
    // unused), 0 for a Kept die. Sent before the roll is scored; not for the
    // faces the test buttons set. hotDice: all six scored and rolled again.
    void rolled(const QVector<int> &faces, bool hotDice);
    // The winning message has been shown and the clock stopped. The top-ten
    // check (GameUi::checkWin) follows, then the next game is prepared, paused.
    void won(const WinSummary &summary);
    // A click on a die has selected dice, or freed them: their numbers in order.
    void selectionChanged(const QVector<int> &dice, bool selected);
    // The choice list of ones (face 1) or of fives (5) has come up.
    void choicesShown(int face);

private:
    GameState gs;
    qint32 ElapsedSeconds = 0;
    GameSettings settings;
    GameTexts texts;
    bool m_testButtonsUsed = false;
    ChoiceList rg10, rg5;

    void setMenuEnabled(bool on);
    void setChoiceVisible(ChoiceList &list, bool visible);
    int choiceValue(const ChoiceList &list, const qint32 *table) const;
    void changed() { emit stateChanged(); }
    void startRecord(bool opened);
    void recordRoll();
    void recordKeep(bool bank);
    void recordRoundEnd(qint32 points, int verdict);
    // At a round end in the last round a game has: ends the game, unwon, and
    // prepares the next behind the cover; true when it did.
    bool outOfRounds();

    TimerService &m_timers;
    GameRandom &m_random;
    GameUi &m_ui;
    DieModel m_dice[7];
    DiceTurning m_turning; // after the dice it turns
    int m_eSubScore = 0;
    int m_eScore = 0;
    int m_eRnd = 1;
    std::optional<qint64> m_rating = 0;
    bool m_menuEnabled = true;
    bool m_rollDoneEnabled = true;
    bool m_coverVisible = false;
    bool m_contVisible = true;
    int m_stopWatch = 0;
    bool m_pauseAfterRoll = false;
    bool m_openingRound = false;
    GameRecord m_record;
    bool m_freshRecordDue = false; // the record holds a game won; the next game's starts on its first step
    bool m_staging = false;        // a test button is setting the dice
    bool m_winning = false;
    bool m_hotDiceRoll = false; // the dice turning were all six scored
    bool m_messageOpen = false;

    // ---- challenge games (game/Challenge.h): the dice of a code ----
public:
    // The code played and the place in its dice; inactive in an ordinary game.
    const ChallengeDice &challenge() const { return m_challenge; }
    // A new game on the dice of `code` (an empty code: an ordinary game).
    void startChallenge(const ChallengeCode &code);
    // The code the next new game plays, whoever starts it.
    void armChallenge(const ChallengeCode &code) { m_challenge.arm(code); }
    // After a game is opened: the code and the place saved with it, or none.
    void restoreChallenge(const ChallengeCode &code, qint32 round, qint32 roll)
    {
        m_challenge.restore(code, round, roll);
        changed();
    }

private:
    ChallengeDice m_challenge;
};
