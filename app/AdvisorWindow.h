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
class QKeyEvent;
class QProgressBar;
class QTimer;

class AdvisorWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AdvisorWindow(Game &game, QWidget *parent = nullptr);
    ~AdvisorWindow() override;

    QLabel *lAssisted, *lStatus, *lBust, *lRounds, *lBest, *lRanking;
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

protected:
    void keyPressEvent(QKeyEvent *event) override;

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
    // The texts that do not follow the table (title, captions, names).
    void applyTexts();
    void clearAdvice();
    void followPhase();
    // One play in words: which dice to keep, by position and face, and what then.
    QString play(const AdvisorAction &action) const;

    Game &m_game;
    std::map<Key, std::shared_ptr<const AdvisorSolution>> m_cache;
    std::thread m_worker;
    Key m_solving{0, false};
    std::shared_ptr<const AdvisorSolution> m_result; // handed over by the worker
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_progress{0}; // per mille
    QTimer *m_slowTimer, *m_pollTimer;
    // The game just won, remembered for the cover that follows the win until
    // the cover is lifted again.
    bool m_afterWin = false;
    qint32 m_wonTotal = 0, m_wonRound = 0;
    bool m_coverWasUp = false;
};
