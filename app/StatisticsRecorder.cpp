// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatisticsRecorder.h"

#include "widgets/Prompts.h"
#include "game/Game.h"
#include "base/KvxError.h"
#include "game/Review.h"
#include "game/SolveService.h"
#include "records/Statistics.h"
#include "records/TopTenCheck.h"
#include "base/UiTexts.h"

#include <QDir>

#include <utility>

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
    if (m_later.waiting() == 0)
        return;
    // The last chance for writes kept for later: the lock may be waited for longer.
    QStringList errors;
    {
        const LockWait closing(LaterWrites::kLastWaitMs);
        errors = m_later.retry();
    }
    if (m_later.waiting() > 0)
        errors << uiText("fileNotWritten").arg(QDir::toNativeSeparators(Statistics::fileName()));
    for (const QString &e : errors)
        m_prompts.showError(e);
}

int StatisticsRecorder::settle()
{
    m_writer.waitForDone();
    return m_later.waiting();
}

void StatisticsRecorder::recordWin(const WinSummary &won, bool assisted)
{
    StatsGame g;
    g.when = QDateTime::currentDateTime();
    g.winner = won.rules.winner;
    g.band = won.rules.band;
    g.type = won.type;
    g.rounds = won.roundNo;
    g.seconds = won.elapsedSeconds;
    g.rating = topTenScore(won.total, won.roundNo);
    g.assisted = assisted;
    g.testButtons = won.testButtonsUsed;
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
            o.messages << uiText("statKeptAside").arg(QDir::toNativeSeparators(aside));
        return o;
    });
    advance();
}

void StatisticsRecorder::write(std::function<Outcome()> work)
{
    m_writer.start([this, work = std::move(work)] {
        // Writes kept for later go first, so the file takes them in order;
        // this one waits behind any that still cannot go.
        for (const QString &e : m_later.retry())
            m_outbox.errors << e;
        try {
            m_later.run([this, work] {
                const Outcome o = work();
                m_outbox.changed = m_outbox.changed || o.changed;
                m_outbox.messages += o.messages;
                m_outbox.errors += o.errors;
            });
        } catch (const KvxError &e) {
            m_outbox.changed = true; // the windows read the file again, as after any win
            m_outbox.errors << e.message();
        }
        deliver(std::exchange(m_outbox, Outcome()));
    });
}

void StatisticsRecorder::deliver(const Outcome &o)
{
    if (!o.changed && o.messages.isEmpty() && o.errors.isEmpty())
        return;
    QMetaObject::invokeMethod(this, [this, o] {
        for (const QString &m : o.messages)
            m_prompts.showMessage(m);
        for (const QString &e : o.errors)
            m_prompts.showError(e);
        if (o.changed)
            emit recorded();
    }, Qt::QueuedConnection);
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
        } catch (const FileInUse &) {
            throw; // kept for later, behind its game
        } catch (const KvxError &) {
            // The game stays in the statistics as one not reviewed.
        }
        return o;
    });
}
