// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/SolveService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>

SolveService::SolveService(QObject *parent) : QObject(parent)
{
    // The worker only sets atomics; this timer, on the owner's thread, picks
    // up its progress and its result.
    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, &SolveService::poll);
}

SolveService::~SolveService()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

RuleSet SolveService::keyFor(const RuleSet &rules) const
{
    // Looked up once per winning total: windows ask on every click.
    if (rules.winner != m_rulesWinner) {
        m_rulesWinner = rules.winner;
        m_rulesDiffer = Advisor::everyThousandMatters(rules.winner);
    }
    return RuleSet{rules.winner, rules.band && m_rulesDiffer};
}

std::shared_ptr<const AdvisorSolution> SolveService::solution(const RuleSet &rules) const
{
    const auto it = m_cache.find(keyFor(rules));
    return it == m_cache.end() ? nullptr : it->second;
}

std::shared_ptr<const AdvisorSolution> SolveService::request(const RuleSet &rules)
{
    const RuleSet key = keyFor(rules);
    if (auto found = solution(key))
        return found;
    const bool busy = solving() && m_solving == key;
    if (!busy && std::find(m_queue.begin(), m_queue.end(), key) == m_queue.end())
        m_queue.push_back(key);
    startNext();
    return nullptr;
}

void SolveService::runOnWorker(std::function<void()> work, QObject *context, std::function<void()> done)
{
    m_jobs.push_back(Job{std::move(work), context, std::move(done)});
    startNext();
}

SolveService::KeptReview *SolveService::keptReview(const GameRecord &record, const AdvisorSolution *solution)
{
    for (KeptReview &kept : m_reviews)
        if (kept.solution == solution && kept.record == record)
            return &kept;
    return nullptr;
}

std::shared_ptr<const GameReview> SolveService::requestReview(const GameRecord &record,
                                                              std::shared_ptr<const AdvisorSolution> solution)
{
    if (const KeptReview *kept = keptReview(record, solution.get()))
        return kept->review; // null while under way
    // Two are kept, so two callers asking for two games do not push each other out.
    auto wanted = std::make_shared<std::atomic<bool>>(true);
    m_reviews.push_front(KeptReview{record, solution.get(), nullptr, wanted});
    if (m_reviews.size() > 2) {
        *m_reviews.back().wanted = false;
        m_reviews.pop_back();
    }
    auto result = std::make_shared<GameReview>();
    runOnWorker(
            [record, solution, result, wanted] {
                if (*wanted)
                    *result = reviewGame(record, *solution);
            },
            this, [this, record, solution, result, wanted] {
                KeptReview *kept = *wanted ? keptReview(record, solution.get()) : nullptr;
                if (!kept)
                    return; // pushed out by later ones
                kept->review = result;
                emit reviewReady();
            });
    return nullptr;
}

void SolveService::startNext()
{
    if (m_worker.joinable())
        return;
    if (m_queue.empty() && !m_jobs.empty()) {
        m_job = std::make_unique<Job>(std::move(m_jobs.front()));
        m_jobs.pop_front();
        m_finished = false;
        m_poll->start();
        m_worker = std::thread([this, work = m_job->work] {
            work();
            m_finished = true;
        });
        return;
    }
    if (m_queue.empty())
        return;
    const RuleSet key = m_queue.front();
    m_queue.pop_front();
    m_solving = key;
    m_cancel = false;
    m_finished = false;
    m_progress = 0;
    m_result.reset();
    m_poll->start();
    // The worker sees only its arguments and the atomics.
    m_worker = std::thread([this, key] {
        Advisor::Steps steps = Advisor::solveInSteps(key, [this](double p) {
            m_progress = int(p * 1000);
            return !m_cancel.load();
        });
        m_result = std::move(steps.solution);
        m_distribution = std::move(steps.distribution);
        m_finished = true;
    });
    emit progressChanged(0.0);
}

void SolveService::poll()
{
    if (!m_finished.load()) {
        if (!m_job)
            emit progressChanged(progress());
        return;
    }
    m_worker.join();
    m_poll->stop();
    if (m_job) {
        const std::unique_ptr<Job> job = std::move(m_job);
        startNext();
        if (job->context && job->done)
            job->done();
        return;
    }
    const RuleSet key = m_solving;
    if (m_result)
        m_cache[key] = m_result;
    m_result.reset();
    if (m_distribution) {
        // The spread next, as other work: a solve asked for goes first.
        runOnWorker([spread = std::move(m_distribution), this] { spread([this] { return !m_cancel.load(); }); },
                    this, [this, key] { emit distributionReady(key); });
        m_distribution = nullptr;
    }
    startNext();
    emit solved(key);
}

bool SolveService::waitFor(const RuleSet &rules, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto done = [this, &rules] {
        const auto s = request(rules);
        return s && !s->distributionDue();
    };
    while (!done()) {
        if (m_finished.load())
            poll();
        else
            QThread::msleep(5);
        QCoreApplication::processEvents();
        if (clock.elapsed() > timeoutMs)
            return false;
    }
    return true;
}
