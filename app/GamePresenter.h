// SPDX-License-Identifier: GPL-3.0-or-later
// The game as the window shows it. The engine decides; this keeps what the
// window shows of it (the displays, the cover and Continue, the menu, the
// choice lists with their captions) and plays the engine's outcomes in
// their order: a value shown, then its box, then what follows. Boxes and the
// check of a game won go through Prompts, so tests answer them in place.
#pragma once

#include "game/Game.h"
#include "base/GameTexts.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class Prompts;

// A choice list as the window shows it.
struct ChoiceList
{
    QString caption;
    QStringList items;
    int itemIndex = -1;
    bool visible = false;
};

class GamePresenter : public QObject
{
    Q_OBJECT

public:
    GamePresenter(Game &game, Prompts &prompts, QObject *parent = nullptr);

    Game &game() const { return m_game; }
    const GameTexts &gameTexts() const { return texts; }
    // The language's texts; a choice list in sight takes its new caption with the next redraw.
    void applyTexts(const GameTexts &t);

    // --- what the window shows ---
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
    // The choice list of ones (face 1) or of fives (any other face).
    const ChoiceList &choiceList(int face) const { return face == 1 ? rg10 : rg5; }
    // Seconds as the clock shows them: hours, minutes and seconds, two places each at least.
    static QString elapsedText(qint32 seconds);

    // The check of a game won, made once its box is shown and won() is sent
    // (the statistics, the top ten). True lets the winning sequence prepare
    // the next game behind the cover; false leaves the game won on the table.
    std::function<bool(const WinSummary &)> checkWin;
    // A game the test buttons set the dice in is only recorded (the
    // statistics count it apart); it is not checked for the top ten.
    std::function<void(const WinSummary &)> recordWin;

    // --- the player's actions ---
    void btRollClick();
    void btDoneClick();
    void RxDice1Click(int n);
    // Picks an entry of a choice list (face 1: rg10, face 5: rg5) as a click on it would.
    void chooseEntry(int face, int index);
    void Button1Click(int face); // the test buttons 1, 5 and 3
    void Button4Click();         // the 1+5 test button
    void aNewExecute();
    void aPauseExecute();
    void btStartClick();
    void btContClick();

    // A box with text, "%1" in it replaced by number unless that is -1.
    void ShowMsg(const QString &text, qint64 number = -1);

signals:
    // What the window shows has changed.
    void changed();
    // The game has been won and its box shown; the check of the win follows.
    void won(const WinSummary &summary);

private:
    void positionChanged(const GamePosition &position, GamePhase phase);
    void syncChoice(ChoiceList &list, int face);
    void EndRound(qint32 points);
    void bankRefused(BankVerdict verdict, qint32 winner);
    void ShowWin(const WinSummary &summary);
    void eScoreChange(const GamePosition &p);
    void eRndChange(const GamePosition &p);

    Game &m_game;
    Prompts &m_prompts;
    GameTexts texts;
    ChoiceList rg10, rg5;
    int m_eSubScore = 0;
    int m_eScore = 0;
    int m_eRnd = 1;
    std::optional<qint64> m_rating = 0;
    bool m_menuEnabled = true;
    bool m_rollDoneEnabled = true;
    bool m_coverVisible = false;
    bool m_contVisible = true;
    bool m_ratingDue = false; // a new game: the rating is worked out afresh
    bool m_testButtons = false; // the test buttons have set the dice in this game
    void pressTestButton(const std::function<int(int)> &faceOfDie);
};
