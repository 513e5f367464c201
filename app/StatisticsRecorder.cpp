// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatisticsRecorder.h"

#include "widgets/Prompts.h"
#include "game/Game.h"
#include "game/KvxError.h"
#include "game/Review.h"
#include "game/SolveService.h"
#include "records/Statistics.h"
#include "records/TopTenCheck.h"
#include "settings/UiTexts.h"

#include <QDir>

StatisticsRecorder::StatisticsRecorder(Game &game, SolveService &solver, Prompts &prompts, QObject *parent)
    : QObject(parent), m_game(game), m_solver(solver), m_prompts(prompts)
{
    connect(&m_solver, &SolveService::solved, this, &StatisticsRecorder::advance);
    connect(&m_solver, &SolveService::reviewReady, this, &StatisticsRecorder::advance);
}

StatisticsRecorder::~StatisticsRecorder()
{
    if (!m_pending)
        return;
    const auto solution = m_solver.solution(m_pending->rules);
    if (solution && solution->winnable())
        store(m_pending->record, m_pending->key, reviewGame(m_pending->record, *solution));
}

void StatisticsRecorder::recordWin(bool assisted)
{
    StatsGame g;
    g.when = QDateTime::currentDateTime();
    g.winner = m_game.gameSettings().Winner;
    g.band = m_game.gameSettings().Valid;
    g.type = m_game.gameSettings().Type;
    g.rounds = m_game.state().RoundNo;
    g.seconds = m_game.elapsedSeconds();
    g.rating = topTenScore(m_game.state().Total, m_game.state().RoundNo);
    g.assisted = assisted;
    g.testButtons = m_game.testButtonsUsed();
    m_solver.request(g.rules());
    try {
        qint64 key = 0;
        const QString aside = Statistics::addGame(Statistics::fileName(), g, &key);
        if (!aside.isEmpty())
            m_prompts.showMessage(uiText("statKeptAside").arg(QDir::toNativeSeparators(aside)));
        m_pending = Pending{m_game.record(), g.rules(), key};
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
    }
    emit recorded();
    advance();
}

void StatisticsRecorder::advance()
{
    if (!m_pending)
        return;
    const auto solution = m_solver.solution(m_pending->rules);
    if (!solution)
        return; // another rule set was solved
    if (!solution->winnable()) {
        m_pending.reset();
        return;
    }
    const auto review = m_solver.requestReview(m_pending->record, solution);
    if (!review)
        return; // on the worker
    const Pending pending = std::move(*m_pending);
    m_pending.reset();
    store(pending.record, pending.key, *review);
}

void StatisticsRecorder::store(const GameRecord &record, qint64 key, const GameReview &review)
{
    if (!review.finished)
        return;
    emit reviewed(record, review);
    try {
        if (Statistics::setReview(Statistics::fileName(), key, review.decisionsLost, review.luck))
            emit recorded();
    } catch (const KvxError &) {
        // The game stays in the statistics as one not reviewed.
    }
}
