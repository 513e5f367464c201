// SPDX-License-Identifier: GPL-3.0-or-later
// What the screen reader is told as the game goes on: the faces of each
// roll, what a click on a die did, a choice taken, each round's end, the win.
// It listens to the engine and speaks through an Announcer; it needs no window.
#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class Announcer;
class Game;
class GamePresenter;
struct WinSummary;
enum class BankVerdict;

class Narrator : public QObject
{
    Q_OBJECT

public:
    // yourCaption: the caption of the result display ("Your score:").
    Narrator(GamePresenter &presenter, Announcer *announcer, std::function<QString()> yourCaption, QObject *parent = nullptr);

    Announcer *announcer() const { return m_announcer; }
    void say(const QString &text);

    // The player's actions, told before the engine acts on them.
    void rollPressed();
    void donePressed();
    void beforeDieClick();
    // After the engine took the click on die n.
    void dieClicked(int n);
    // A staged roll from the test buttons.
    void staged();
    // Entry entry of the list of ones (face 1) or of fives (face 5) was taken.
    void choiceTaken(int face, int entry);
    void newGame();
    // The game just won took place n of the top ten.
    void placedInTopTen(int n);

    // What S speaks: total, round, subtotal, score and the clock.
    QString stateSpoken() const;
    // Seconds as a player would say them ("4 minutes 12 seconds").
    static QString spokenTime(qint32 seconds);

private:
    void roundEnded(qint32 points, BankVerdict verdict, qint32 total, qint32 roundNo);
    // The dice rolled and their faces; faces[n] 0 for a die that did not roll.
    QString rollSpoken(const QVector<int> &faces, bool hotDice);
    QString wonSpoken(const WinSummary &won) const;
    QString entryName(int face, int k) const;
    QString yourSpoken() const;

    GamePresenter &m_view;
    Game &m_game;
    Announcer *m_announcer;
    std::function<QString()> m_yourCaption;
    QVector<int> m_changed; // the dice the click being told selected or freed
    bool m_changedSelected = false;
    bool m_lastBank = false;
    QString m_pendingNews;
};
