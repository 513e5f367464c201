// SPDX-License-Identifier: GPL-3.0-or-later
// A window beside the game that shows the best play for the position on the
// table. Solving runs on a worker thread; the window only reads the game.
#pragma once

#include "app/SideWindow.h"
#include "app/SolveProgressBar.h"
#include "game/Advisor.h"

#include <QWidget>

#include <functional>
#include <memory>

class Game;
class SolveService;
class QLabel;
class QListWidget;
class QKeyEvent;
class QShowEvent;
class QTimer;

class AdvisorWindow : public SideWindow
{
    Q_OBJECT

public:
    AdvisorWindow(Game &game, SolveService &solver, QWidget *parent = nullptr);

    QLabel *lAssisted() const { return m_lAssisted; }
    QLabel *lStatus() const { return m_lStatus; }
    QLabel *lBust() const { return m_lBust; }
    QLabel *lRounds() const { return m_lRounds; }
    QLabel *lBest() const { return m_lBest; }
    QLabel *lRanking() const { return m_lRanking; }
    QListWidget *lvActions() const { return m_lvActions; }
    SolveProgressBar *pbSolve() const { return m_pbSolve; }

    // Whether the game on the table is already kept out of the top ten;
    // until one is given, every game counts as such.
    void setGameAssisted(std::function<bool()> assisted) { m_gameAssisted = std::move(assisted); }

    bool solving() const;
    // The solution for the rules in force, or null while it is being solved.
    std::shared_ptr<const AdvisorSolution> solution() const;
    // Lets tests and tools wait until the solution is at hand.
    bool waitForSolution(int timeoutMs);

public slots:
    void refresh();

signals:
    void solved();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showProgress();
    // The texts that do not follow the table (title, captions, names).
    void applyTexts();
    void clearAdvice();
    // The advice for where the game stands, with the best play worked out.
    void showPosition(const AdvisorSolution &sol);
    void refreshIfShown();
    // One play in words: which dice to keep, by position and face, and what then.
    QString play(const AdvisorAction &action) const;

    QLabel *m_lAssisted, *m_lStatus, *m_lBust, *m_lRounds, *m_lBest, *m_lRanking;
    QListWidget *m_lvActions;
    SolveProgressBar *m_pbSolve;
    Game &m_game;
    SolveService &m_solver;
    std::function<bool()> m_gameAssisted;
    QTimer *m_slowTimer;
    // The game just won, shown behind the cover that follows the win.
    qint32 m_wonTotal = 0, m_wonRound = 0;
};
