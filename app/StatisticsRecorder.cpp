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
    m_writer.setMaxThreadCount(1);
    connect(&m_solver, &SolveService::solved, this, &StatisticsRecorder::advance);
    connect(&m_solver, &SolveService::reviewReady, this, &StatisticsRecorder::advance);
}

StatisticsRecorder::~StatisticsRecorder()
{
    if (m_pending) {
        const auto solution = m_solver.solution(m_pending->rules);
        if (solution && solution->winnable())
            store(m_pending->record, m_pending->key, reviewGame(m_pending->record, *solution));
    }
    // What the writer is told back arrives no more: this is gone first.
    m_writer.waitForDone();
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
    const Key key = std::make_shared<std::atomic<qint64>>(0);
    m_pending = Pending{m_game.record(), g.rules(), key};
    write([path = Statistics::fileName(), g, key] {
        qint64 added = 0;
        const QString aside = Statistics::addGame(path, g, &added);
        *key = added;
        Outcome o;
        o.changed = true;
        if (!aside.isEmpty())
            o.message = uiText("statKeptAside").arg(QDir::toNativeSeparators(aside));
        return o;
    });
    advance();
}

void StatisticsRecorder::write(std::function<Outcome()> work)
{
    m_writer.start([this, work = std::move(work)] {
        Outcome o;
        try {
            o = work();
        } catch (const KvxError &e) {
            o.changed = true; // the windows read the file again, as after any win
            o.error = e.message();
        }
        QMetaObject::invokeMethod(this, [this, o] {
            if (!o.message.isEmpty())
                m_prompts.showMessage(o.message);
            if (!o.error.isEmpty())
                m_prompts.showError(o.error);
            if (o.changed)
                emit recorded();
        }, Qt::QueuedConnection);
    });
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

void StatisticsRecorder::store(const GameRecord &record, const Key &key, const GameReview &review)
{
    if (!review.finished)
        return;
    emit reviewed(record, review);
    // Queued behind the game's own write, which gave the key.
    write([path = Statistics::fileName(), key, lost = review.decisionsLost, luck = review.luck] {
        Outcome o;
        try {
            o.changed = *key != 0 && Statistics::setReview(path, *key, lost, luck);
        } catch (const KvxError &) {
            // The game stays in the statistics as one not reviewed.
        }
        return o;
    });
}
