// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AdvisorWindow.h"
#include "app/Appearance.h"
#include "game/Game.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString percent(double p)
{
    return QLocale().toString(100.0 * p, 'f', 2) + QStringLiteral(" %");
}

QString rounds(double r)
{
    return QLocale().toString(r, 'f', 3);
}

} // namespace

AdvisorWindow::AdvisorWindow(Game &game, QWidget *parent)
    : QWidget(parent, Qt::Window), m_game(game)
{
    setObjectName(QStringLiteral("frmAdvisor"));
    setWindowTitle(QStringLiteral("Advisor"));
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
    lStatus = label("lStatus");
    pbSolve = new QProgressBar(this);
    pbSolve->setObjectName(QStringLiteral("pbSolve"));
    pbSolve->setRange(0, 1000);
    pbSolve->setAccessibleName(QStringLiteral("Working out the best play"));
    pbSolve->hide();
    box->addWidget(pbSolve);
    lBust = label("lBust");
    lRounds = label("lRounds");
    lBest = label("lBest");
    lvActions = new QListWidget(this);
    lvActions->setObjectName(QStringLiteral("lvActions"));
    lvActions->setAccessibleName(QStringLiteral("Every play, best first, with its expected rounds"));
    box->addWidget(lvActions, 1);
    resize(560, 380);

    m_slowTimer = new QTimer(this);
    m_slowTimer->setSingleShot(true);
    m_slowTimer->setInterval(500);
    connect(m_slowTimer, &QTimer::timeout, this, &AdvisorWindow::showProgress);
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(50);
    connect(m_pollTimer, &QTimer::timeout, this, [this] {
        pbSolve->setValue(m_progress.load());
        if (m_finished.load())
            finishSolve();
    });

    connect(&m_game, &Game::stateChanged, this, &AdvisorWindow::refresh);
    connect(&m_game, &Game::dieChanged, this, &AdvisorWindow::refresh);
    refresh();
}

AdvisorWindow::~AdvisorWindow()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

std::shared_ptr<const AdvisorSolution> AdvisorWindow::solution() const
{
    const auto it = m_cache.find(key());
    return it == m_cache.end() ? nullptr : it->second;
}

bool AdvisorWindow::waitForSolution(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!solution()) {
        if (!solving())
            refresh();
        if (m_finished.load())
            finishSolve();
        else
            QThread::msleep(5);
        if (clock.elapsed() > timeoutMs)
            return false;
    }
    return true;
}

void AdvisorWindow::startSolve(Key key)
{
    m_solving = key;
    m_cancel = false;
    m_finished = false;
    m_progress = 0;
    m_result.reset();
    m_slowTimer->start();
    m_pollTimer->start();
    // The worker sees only its arguments and the atomics; it never touches a widget.
    m_worker = std::thread([this, key] {
        m_result = Advisor::solve(key.first, key.second, [this](double p) {
            m_progress = int(p * 1000);
            return !m_cancel.load();
        });
        m_finished = true;
    });
}

void AdvisorWindow::finishSolve()
{
    if (!m_worker.joinable())
        return;
    m_worker.join();
    m_slowTimer->stop();
    m_pollTimer->stop();
    pbSolve->hide();
    if (m_result)
        m_cache[m_solving] = m_result;
    m_result.reset();
    refresh();
    emit solved();
}

void AdvisorWindow::showProgress()
{
    if (solving())
        pbSolve->show();
}

QString AdvisorWindow::whichDice(const KeepOption &keep) const
{
    // The dice the engine itself would take: the first free ones showing each face.
    QStringList dice;
    int left[7];
    std::copy(keep.count, keep.count + 7, left);
    for (int n = 1; n <= 6; ++n) {
        const DieModel &d = m_game.die(n);
        if (d.color != DieKept && d.value >= 1 && d.value <= 6 && left[d.value] > 0) {
            left[d.value] -= 1;
            dice << QString::number(n);
        }
    }
    return dice.join(QStringLiteral(", "));
}

AdvisorWindow::Key AdvisorWindow::key() const
{
    // Looked up once per winning total: every click refreshes the window.
    const qint32 winner = m_game.settings.Winner;
    if (winner != m_rulesWinner) {
        m_rulesWinner = winner;
        m_rulesDiffer = Advisor::everyThousandMatters(winner);
    }
    return Key(winner, m_game.settings.Valid && m_rulesDiffer);
}

void AdvisorWindow::refresh()
{
    const Key key = this->key();
    const auto sol = solution();
    if (!sol) {
        if (!solving())
            startSolve(key);
        lStatus->setText(QStringLiteral("Working out the best play for %1 points%2...")
                                 .arg(key.first)
                                 .arg(m_game.settings.Valid ? QStringLiteral(", 400-500 in every thousand")
                                                 : QString()));
        lBust->clear();
        lRounds->clear();
        lBest->clear();
        lvActions->clear();
        return;
    }
    lvActions->clear();
    lBest->clear();
    if (!sol->winnable()) {
        lStatus->setText(key.first > Advisor::maxWinner
                                 ? QStringLiteral("The advisor works out winning totals of up to %1 points.")
                                           .arg(Advisor::maxWinner)
                                 : QStringLiteral("A winning total of %1 can never be reached exactly.")
                                           .arg(key.first));
        lBust->clear();
        lRounds->clear();
        return;
    }
    const GameState &gs = m_game.gs;
    if (m_game.coverVisible() || !m_game.rollDoneEnabled()) {
        lStatus->setText(QStringLiteral("No game running."));
        lBust->clear();
        lRounds->clear();
        return;
    }
    if (m_game.RollingDice != 0) {
        lStatus->setText(QStringLiteral("Rolling..."));
        return;
    }
    lStatus->setText(QStringLiteral("Total %1, round %2, points this round %3.")
                             .arg(gs.Total)
                             .arg(gs.RoundNo)
                             .arg(qint64(gs.SubScore) + gs.SelScore));
    if (gs.NewRound) {
        lBust->setText(QStringLiteral("Next roll: 6 dice, bust chance %1 (costs 100 points).")
                               .arg(percent(AdvisorSolution::bustChance(6))));
        lRounds->setText(QStringLiteral("Expected rounds to the win, this one included: %1")
                                 .arg(rounds(sol->roundsFromTotal(gs.Total))));
        return;
    }
    // After a roll: the dice the present selection leaves, and every choice ranked.
    int free = 0, selected = 0;
    for (int n = 1; n <= 6; ++n) {
        free += m_game.die(n).color == DieFree ? 1 : 0;
        selected += m_game.die(n).color == DieSelected ? 1 : 0;
    }
    const int next = free == 0 ? 6 : free;
    lBust->setText(QStringLiteral("Rolling on with this selection: %1 dice, bust chance %2%3.")
                           .arg(next)
                           .arg(percent(AdvisorSolution::bustChance(next)))
                           .arg(selected == 0 ? QStringLiteral(" (select dice first)") : QString()));
    int rolled[7] = {};
    for (int f = 1; f <= 6; ++f)
        rolled[f] = gs.RollCount[f];
    const QVector<AdvisorAction> actions = sol->rankActions(gs.Total, gs.SubScore, rolled);
    if (actions.isEmpty()) {
        lRounds->clear();
        return;
    }
    lRounds->setText(QStringLiteral("Expected rounds to the win with the best play, this one included: %1")
                             .arg(rounds(actions.first().rounds)));
    const auto play = [this](const AdvisorAction &a) {
        QString text = a.describe();
        if (!a.keep.empty())
            text += QStringLiteral(" [dice %1]").arg(whichDice(a.keep));
        return text;
    };
    lBest->setText(QStringLiteral("Best: ") + play(actions.first())
                   + QStringLiteral(": %1 rounds").arg(rounds(actions.first().rounds)));
    // The rounds first, so the ranking reads down one column however long the play.
    for (int k = 0; k < actions.size() && k < 12; ++k)
        lvActions->addItem(rounds(actions[k].rounds) + QStringLiteral("   ") + play(actions[k]));
}
