// SPDX-License-Identifier: GPL-3.0-or-later
// One place that solves the best play and keeps the solutions, so every
// window that needs them (the advisor, the review, the statistics) shares a
// single solve per set of rules. Solving runs on a worker thread; requests,
// results and signals stay on the thread that owns the service. A solution
// is handed out as soon as its policy is known; its spread of rounds is
// worked out next on the worker, after any other solve asked for.
#pragma once

#include "game/Advisor.h"
#include "game/GameRecord.h"
#include "game/Review.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <thread>

class QTimer;

class SolveService : public QObject
{
    Q_OBJECT
public:
    explicit SolveService(QObject *parent = nullptr);
    ~SolveService() override;

    // The rules as solved: the every-thousand rule dropped where it refuses
    // nothing the single band accepts, so both settings share one solution.
    RuleSet keyFor(const RuleSet &rules) const;
    // The solution for these rules when already solved, else null. Starts nothing.
    std::shared_ptr<const AdvisorSolution> solution(const RuleSet &rules) const;
    // Queues these rules for solving unless solved or already queued; returns
    // the solution when it is at hand, else null.
    std::shared_ptr<const AdvisorSolution> request(const RuleSet &rules);
    bool solving() const { return m_worker.joinable() && !m_job; }
    // Of the solve under way, 0 to 1.
    double progress() const { return m_progress.load() / 1000.0; }
    // Requests these rules and waits, handling events, until they are solved,
    // the spread of rounds included. For tests and tools; the game itself
    // waits for solved() and distributionReady().
    bool waitFor(const RuleSet &rules, int timeoutMs);
    // Runs other long work on the same worker, after the solves asked for:
    // `work` there, then `done` on the owner's thread (unless `context` is gone).
    void runOnWorker(std::function<void()> work, QObject *context, std::function<void()> done);
    bool jobsPending() const { return !m_jobs.empty() || m_job; }
    // The review of a game against its rules' solution, worked out once on
    // the worker and shared by all who ask (the statistics, the review
    // window). Returns it when at hand, else starts it unless under way and
    // returns null; reviewReady() follows.
    std::shared_ptr<const GameReview> requestReview(const GameRecord &record,
                                                    std::shared_ptr<const AdvisorSolution> solution);

signals:
    void solved(const RuleSet &rules);
    // The spread of rounds of the solution for these rules has landed.
    void distributionReady(const RuleSet &rules);
    void progressChanged(double fraction);
    void reviewReady();

private:
    void startNext();
    void poll();

    mutable qint32 m_rulesWinner = 0; // the winning total m_rulesDiffer was found for
    mutable bool m_rulesDiffer = false;
    std::map<RuleSet, std::shared_ptr<const AdvisorSolution>> m_cache;
    std::deque<RuleSet> m_queue;
    struct Job
    {
        std::function<void()> work;
        QPointer<QObject> context;
        std::function<void()> done;
    };
    std::deque<Job> m_jobs;
    std::unique_ptr<Job> m_job; // the one on the worker
    std::thread m_worker;
    RuleSet m_solving{0, false};
    std::shared_ptr<const AdvisorSolution> m_result; // handed over by the worker
    std::function<bool(const std::function<bool()> &)> m_distribution; // with it, when due
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_progress{0}; // per mille
    QTimer *m_poll;
    // The last games whose reviews were asked for, newest first; each
    // review once landed.
    struct KeptReview
    {
        GameRecord record;
        const AdvisorSolution *solution = nullptr;
        std::shared_ptr<const GameReview> review;
        // Cleared when pushed out: the worker skips a review nobody waits for.
        std::shared_ptr<std::atomic<bool>> wanted;
    };
    std::deque<KeptReview> m_reviews;
    KeptReview *keptReview(const GameRecord &record, const AdvisorSolution *solution);
};
