// SPDX-License-Identifier: GPL-3.0-or-later
// A window beside the game that shows the best play for the position on the
// table. Solving runs on a worker thread; the window only reads the game.
#pragma once

#include "game/Advisor.h"

#include <QWidget>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <utility>

class Game;
class QLabel;
class QListWidget;
class QProgressBar;
class QTimer;

class AdvisorWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AdvisorWindow(Game &game, QWidget *parent = nullptr);
    ~AdvisorWindow() override;

    QLabel *lStatus, *lBust, *lRounds, *lBest;
    QListWidget *lvActions;
    QProgressBar *pbSolve;

    bool solving() const { return m_worker.joinable(); }
    // The solution for the rules in force, or null while it is being solved.
    std::shared_ptr<const AdvisorSolution> solution() const;
    // Lets tests and tools wait until the worker has delivered.
    bool waitForSolution(int timeoutMs);

public slots:
    void refresh();

signals:
    void solved();

private:
    using Key = std::pair<qint32, bool>;
    // The rules in force, with the every-thousand rule left out where it
    // changes nothing, so that both settings share one solution.
    Key key() const;
    mutable qint32 m_rulesWinner = 0;  // the winning total m_rulesDiffer was found for
    mutable bool m_rulesDiffer = false;
    void startSolve(Key key);
    void finishSolve();
    void showProgress();
    QString whichDice(const KeepOption &keep) const;

    Game &m_game;
    std::map<Key, std::shared_ptr<const AdvisorSolution>> m_cache;
    std::thread m_worker;
    Key m_solving{0, false};
    std::shared_ptr<const AdvisorSolution> m_result; // handed over by the worker
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_progress{0}; // per mille
    QTimer *m_slowTimer, *m_pollTimer;
};
