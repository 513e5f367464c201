// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AdvisorWindow.h"
#include "app/SolveProgressBar.h"
#include "widgets/Appearance.h"
#include "game/Game.h"
#include "game/Scoring.h"
#include "game/SolveService.h"
#include "base/UiTexts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString percent(double p)
{
    return QLocale().toString(100.0 * p, 'f', 2);
}

QString rounds(double r)
{
    return QLocale().toString(r, 'f', 3);
}

QString joined(const QStringList &parts)
{
    return parts.join(QStringLiteral(", "));
}

} // namespace

AdvisorWindow::AdvisorWindow(Game &game, SolveService &solver, QWidget *parent)
    : SideWindow(parent), m_game(game), m_solver(solver)
{
    setObjectName(QStringLiteral("frmAdvisor"));
    // The desktop's colours, with a selection its text reads on.
    Appearance::keepHighlightReadable(this);
    auto *box = new QVBoxLayout(this);
    const auto label = [this, box](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        box->addWidget(l);
        return l;
    };
    m_lAssisted = label("lAssisted");
    m_lStatus = label("lStatus");
    m_pbSolve = new SolveProgressBar(m_solver, "advProgress", this);
    box->addWidget(m_pbSolve);
    m_lBust = label("lBust");
    m_lRounds = label("lRounds");
    m_lBest = label("lBest");
    m_lRanking = label("lRanking");
    m_lvActions = new QListWidget(this);
    m_lvActions->setObjectName(QStringLiteral("lvActions"));
    // A long play wraps onto a second line instead of running out of sight.
    m_lvActions->setWordWrap(true);
    m_lvActions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lvActions->setResizeMode(QListView::Adjust);
    m_lRanking->setBuddy(m_lvActions);
    box->addWidget(m_lvActions, 1);
    resize(560, 380);

    m_slowTimer = new QTimer(this);
    m_slowTimer->setSingleShot(true);
    m_slowTimer->setInterval(500);
    connect(m_slowTimer, &QTimer::timeout, this, &AdvisorWindow::showProgress);
    connect(&m_solver, &SolveService::solved, this, [this] {
        if (!solving()) {
            m_slowTimer->stop();
            m_pbSolve->hide();
        }
        refreshIfShown();
        emit solved();
    });

    // The game won, shown behind the cover until the next game begins.
    connect(&m_game, &Game::won, this, [this](const WinSummary &win) {
        m_wonTotal = win.total;
        m_wonRound = win.roundNo;
        refreshIfShown(); // the next game may already wait behind the cover
    });
    // The phase is followed always, so the window knows it when shown again;
    // the advice is worked out only while it is in sight.
    connect(&m_game, &Game::positionChanged, this, &AdvisorWindow::refreshIfShown);
    Appearance::showPlainText(this);
    refresh();
}

bool AdvisorWindow::solving() const
{
    return m_solver.solving();
}

std::shared_ptr<const AdvisorSolution> AdvisorWindow::solution() const
{
    return m_solver.solution(m_game.gameSettings().rules());
}

bool AdvisorWindow::waitForSolution(int timeoutMs)
{
    return m_solver.waitFor(m_game.gameSettings().rules(), timeoutMs);
}

void AdvisorWindow::showProgress()
{
    if (solving())
        m_pbSolve->show();
}

QString AdvisorWindow::play(const AdvisorAction &action) const
{
    if (action.keep.empty())
        return uiText(action.refused ? "advBankOnlyRefused" : "advBankOnly");
    // The dice the engine itself would take: the first not kept showing each
    // face. Positions and their faces in one order, so each names the other.
    QStringList positions, faces;
    int face[7] = {};
    bool takeable[7] = {}, taken[7] = {};
    for (int n = 1; n <= 6; ++n) {
        face[n] = m_game.die(n).value;
        takeable[n] = m_game.die(n).color != DieKept;
    }
    diceTaken(action.keep.count, face, takeable, taken);
    for (int n = 1; n <= 6; ++n) {
        if (taken[n]) {
            positions << QString::number(n);
            faces << QString::number(face[n]);
        }
    }
    QStringList parts{uiPlural("advKeep", positions.size()).arg(joined(positions), joined(faces), QString::number(action.keep.points))};
    // Where a choice list should not keep its first entry, the entry to pick.
    if (action.keep.onesEntry > 0)
        parts << uiText("advOnesAs").arg(action.keep.entryText(1));
    if (action.keep.fivesEntry > 0)
        parts << uiText("advFivesAs").arg(action.keep.entryText(5));
    if (action.bank)
        parts << uiText(action.refused ? "advThenBankRefused" : "advThenBank");
    else
        parts << uiPlural("advThenRoll", action.diceNext).arg(action.diceNext);
    return joined(parts);
}

void AdvisorWindow::applyTexts()
{
    setWindowTitle(uiText("advTitle"));
    // Said while it can still be heeded: before the game is played with the window open.
    m_lAssisted->setText(uiText(!m_gameAssisted || m_gameAssisted() ? "advAssisted" : "advStillCounts"));
    m_lRanking->setText(uiText("advRanking"));
    // Set only on a change: each sends a notice to assistive technology.
    const QString listName = uiText("advRanking");
    if (m_lvActions->accessibleName() != listName)
        m_lvActions->setAccessibleName(listName);
    const QString barName = uiText("advProgressName");
    if (m_pbSolve->accessibleName() != barName)
        m_pbSolve->setAccessibleName(barName);
}

void AdvisorWindow::clearAdvice()
{
    m_lBust->clear();
    m_lRounds->clear();
    m_lBest->clear();
    m_lvActions->clear();
}

void AdvisorWindow::refreshIfShown()
{
    if (isVisible())
        refresh();
}

void AdvisorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void AdvisorWindow::refresh()
{
    applyTexts();
    const RuleSet key = m_solver.keyFor(m_game.gameSettings().rules());
    const auto sol = m_solver.request(key);
    if (!sol) {
        // The bar shows only when the solve takes a while.
        if (!m_slowTimer->isActive() && m_pbSolve->isHidden()) {
            m_pbSolve->showFraction(0);
            m_slowTimer->start();
        }
        m_lStatus->setText(uiText(key.band ? "advWorkingBand" : "advWorking").arg(key.winner));
        clearAdvice();
        return;
    }
    clearAdvice();
    if (!sol->winnable()) {
        m_lStatus->setText(key.winner > Advisor::maxWinner ? uiText("advTooLarge").arg(Advisor::maxWinner)
                                                         : uiText("advNeverReached").arg(key.winner));
        return;
    }
    showPosition(*sol);
}

void AdvisorWindow::showPosition(const AdvisorSolution &sol)
{
    const GamePosition pos = m_game.position();
    const qint64 roundPoints = qint64(pos.roundPoints) + pos.selection;
    // A round being closed shows the table as it stands: the bust, or the dice freed.
    const GamePhase phase = m_game.phase() != GamePhase::RoundOver ? m_game.phase()
                          : pos.firstRollDue ? GamePhase::BeforeFirstRoll : GamePhase::Choosing;
    switch (phase) {
    case GamePhase::RoundOver:
        return;
    case GamePhase::Won:
        // The winning sequence, its message and the top-ten check.
        m_lStatus->setText(uiText("advWon").arg(QString::number(pos.total), QString::number(pos.roundNo)));
        return;
    case GamePhase::NextGame:
        // Behind the cover the game won, until the next begins.
        m_lStatus->setText(uiText("advWon").arg(QString::number(m_wonTotal), QString::number(m_wonRound)));
        m_lBust->setText(uiText("advWonNext"));
        return;
    case GamePhase::Paused:
        // Under the cover the dice stay hidden, and so does the advice.
        m_lStatus->setText(uiText("advPaused").arg(QString::number(pos.total), QString::number(pos.roundNo), QString::number(roundPoints)));
        m_lBust->setText(uiText("advOnContinue"));
        return;
    case GamePhase::Cover:
        m_lStatus->setText(uiText("advNoGame"));
        m_lBust->setText(uiText("advOnStart"));
        return;
    case GamePhase::Rolling:
        m_lStatus->setText(uiText("advRolling"));
        return;
    case GamePhase::BeforeFirstRoll:
    case GamePhase::Choosing:
        break;
    }
    m_lStatus->setText(uiText("advPosition").arg(QString::number(pos.total), QString::number(pos.roundNo), QString::number(roundPoints)));
    // Only a position no game reaches is not weighed; asked, the advisor answers nothing.
    const auto cannotWeigh = [&] {
        m_lBust->setText(uiText("advCannotWeigh").arg(QString::number(pos.total), QString::number(pos.roundPoints)));
    };
    if (!sol.canWeigh(pos.total)) {
        cannotWeigh();
        return;
    }
    if (phase == GamePhase::BeforeFirstRoll) {
        m_lBust->setText(uiText("advNextRoll").arg(percent(AdvisorSolution::bustChance(6))));
        m_lRounds->setText(uiText("advRoundsFromStart").arg(rounds(sol.roundsFromTotal(pos.total))));
        return;
    }
    if (legalKeeps(pos.rolled).isEmpty()) {
        // A bust: its message is up and the round ends; there is nothing to choose.
        const bool penalty = pos.kept == 0;
        m_lBust->setText(uiText("advBust") + QLatin1Char(' ') + uiText(penalty ? "advBustPenalty" : "advBustLost"));
        const qint32 after = penalty ? bankOutcome(pos.total, bustPenalty, pos.rules.winner, pos.rules.band).total : pos.total;
        m_lRounds->setText(uiText("advRoundsFromStart").arg(rounds(1.0 + sol.roundsFromTotal(after))));
        return;
    }
    const int free = 6 - pos.kept - pos.selected;
    // After a roll: the dice the present selection leaves, and every choice ranked.
    // With nothing selected yet there is no roll on to weigh: Roll would be refused.
    const int next = free == 0 ? 6 : free;
    m_lBust->setText(pos.selected == 0 ? uiText("advNothingSelected")
                                   : uiPlural("advRollOn", next).arg(QString::number(next), percent(AdvisorSolution::bustChance(next))));
    if (!sol.canWeigh(pos.total, pos.roundPoints)) {
        cannotWeigh();
        return;
    }
    const QVector<AdvisorAction> actions = sol.rankActions(pos.total, pos.roundPoints, pos.rolled);
    if (actions.isEmpty())
        return;
    m_lRounds->setText(uiText("advRoundsBest").arg(rounds(actions.first().rounds)));
    m_lBest->setText(uiPlural("advBest", actions.first().rounds, 3).arg(rounds(actions.first().rounds), play(actions.first())));
    // The rounds first, so the ranking reads down one column however long the play.
    for (int k = 0; k < actions.size() && k < AdvisorSolution::rankingShown; ++k)
        m_lvActions->addItem(uiText("advRankItem").arg(rounds(actions[k].rounds), play(actions[k])));
}
