// SPDX-License-Identifier: GPL-3.0-or-later
// The windows beside the game: the advisor, the statistics, the review and
// the practice. Each is built at its first opening, opens beside the main
// window clear of the dice, and lives until the main window goes. The keeper
// also keeps the mark of a game played with help in sight.
#pragma once

#include "app/Placement.h"

#include <QObject>
#include <QRect>

#include <functional>
#include <map>
#include <memory>

class AdvisorWindow;
class Game;
class GameRecord;
class PracticeWindow;
class Prompts;
class QMainWindow;
class QWidget;
class ReviewWindow;
class SolveService;
class StatisticsWindow;

class SideWindows : public QObject
{
    Q_OBJECT

public:
    // playArea: the dice, Roll, Done and the choice lists on the screen.
    SideWindows(QMainWindow &main, Game &game, SolveService &solver, Prompts &prompts,
                std::function<QRect()> playArea);
    ~SideWindows() override;

    AdvisorWindow *advisor() const { return m_advisor; }
    StatisticsWindow *statistics() const { return m_statistics; }
    ReviewWindow *review() const { return m_review; }
    PracticeWindow *practice() const { return m_practice; }

    // Whether the game on the table was played with advice in sight: it is
    // kept out of the top-ten tables.
    bool assisted() const { return m_assisted; }

    void openAdvisor();
    void openStatistics();
    void openReview();
    void openPractice();

    // The texts of the language in force, in every window built.
    void applyLanguage();
    // A game went into the statistics.
    void statisticsRecorded();

    // Moves a window of our own next to the main window, on the same screen,
    // clear of the dice and the round buttons.
    void placeBeside(QWidget *window);
    // Moves a message box off the dice and the round buttons.
    void placeBox(QWidget *box) const;
    // Under X11 a window that belongs to the game stays in front of it.
    void keepInFront(QWidget *window) const;

private:
    bool advisingInPlay() const;
    void moveFrameTo(QWidget *window, QPoint at) const;
    // How far the game moves to a side of the screen to give a window more room.
    QPoint roomBesideGame(QRect &frame, Fit &fit, QSize outer, QSize smallest, const QList<QRect> &others) const;

    QMainWindow &m_main;
    Game &m_game;
    SolveService &m_solver;
    Prompts &m_prompts;
    std::function<QRect()> m_playArea;
    AdvisorWindow *m_advisor = nullptr;
    StatisticsWindow *m_statistics = nullptr;
    ReviewWindow *m_review = nullptr;
    PracticeWindow *m_practice = nullptr;
    bool m_assisted = false;
    std::shared_ptr<const GameRecord> m_lastWon; // for the review, till the next win
    // Windows made smaller than they asked to be: the size asked, the size given.
    std::map<const QWidget *, std::pair<QSize, QSize>> m_madeSmaller;
};
