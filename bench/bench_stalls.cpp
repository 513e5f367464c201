// SPDX-License-Identifier: GPL-3.0-or-later
// The longest time the user-interface thread goes without handling events:
// while each window opens (the main window, the statistics, the advisor, the
// review, the practice, the settings and the top ten), each waited for until
// the solves it asked for are done, and then while a whole game is played
// with every side window open, at Winner 1000 and 10000. A 1 ms timer beats
// on the user-interface thread; the largest gap between two beats is the
// longest stall. The statistics file holds 10,000 won games of the rules
// played (as many as it keeps one by one), so that opening the statistics
// and recording a win read and write a file of its largest usual size.
//
//   korvex_bench_stalls [winner...]
//
// Exits 1 when a stall is longer than the budget (50 ms).
#include "BenchSupport.h"
#include "StatsSupport.h"

#include "base/ProgramDir.h"
#include "app/SideWindows.h"
#include "app/StatisticsWindow.h"
#include "app/TfrmMain.h"
#include "game/AutoPlay.h"
#include "game/SolveService.h"
#include "game/ManualTimerService.h"
#include "records/Statistics.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr double kBudgetMs = 50;

// Beats every millisecond on the thread it lives on and keeps the largest gap.
class Heartbeat : public QObject
{
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    void restart()
    {
        m_last = m_clock.nsecsElapsed();
        m_longest = 0;
    }
    // Counts the stretch since the last beat too: a stall still under way.
    double longestMs() const { return double(std::max(m_longest, m_clock.nsecsElapsed() - m_last)) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_longest = 0;
};

bool g_allWithin = true;

void reportStall(qint32 winner, const char *what, double ms)
{
    const QByteArray name = QStringLiteral("stall.w%1.%2").arg(winner).arg(QLatin1String(what)).toLatin1();
    bench::report(name.constData(), ms, "ms");
    if (ms > kBudgetMs) {
        g_allWithin = false;
        bench::note(QStringLiteral("%1 is over the budget of %2 ms").arg(QLatin1String(name)).arg(kBudgetMs));
    }
}

// Runs `start` from the event loop, then the loop until `done` holds (and a
// little longer, for what the windows do once it does), at most `limitMs`.
double measure(Heartbeat &beat, const std::function<void()> &start, const std::function<bool()> &done,
               int limitMs = 120000)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    qint64 doneAt = -1;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (doneAt < 0 && done())
            doneAt = clock.elapsed();
        if ((doneAt >= 0 && clock.elapsed() > doneAt + 100) || clock.elapsed() > limitMs)
            loop.quit();
    });
    beat.restart();
    QTimer::singleShot(0, &loop, [&] {
        start();
        check.start(5);
    });
    loop.exec();
    if (doneAt < 0)
        bench::note(QStringLiteral("gave up waiting after %1 ms").arg(limitMs));
    return beat.longestMs();
}

// Nothing solved, worked out or read any more (a game's review included).
bool settled(TfrmMain &w)
{
    const StatisticsWindow *stats = w.sideWindows().statistics();
    return !w.solver().solving() && !w.solver().jobsPending() && !(stats && stats->reading());
}

// A whole game of the best play through the engine's clicks, the events
// handled between decisions. Besides the longest stall, which stretch it
// was: the longest between two decisions, and the last one (the win).
void benchGame(Heartbeat &beat, TfrmMain &w, ManualTimerService &timers, qint32 winner, const char *what)
{
    const Strategy best = optimalStrategy(w.solver().solution({winner, false}));
    QElapsedTimer since;
    double longestDecision = 0;
    const Strategy handling = [&](qint32 total, qint32 roundPoints, const int rolled[7]) {
        if (since.isValid())
            longestDecision = std::max(longestDecision, bench::msSince(since));
        QCoreApplication::processEvents();
        since.start();
        return best(total, roundPoints, rolled);
    };
    int rounds = -1;
    double win = 0;
    const double ms = measure(beat, [&] {
        rounds = playGame(w.game(), timers, handling, quint32(4200 + winner));
        win = bench::msSince(since);
    }, [&w] { return settled(w); });
    const QString name = QString::fromLatin1(what);
    reportStall(winner, what, ms);
    bench::report(QStringLiteral("%1.w%2.between_decisions").arg(name).arg(winner).toLatin1().constData(),
                  longestDecision, "ms");
    bench::report(QStringLiteral("%1.w%2.last_decision_to_win").arg(name).arg(winner).toLatin1().constData(), win,
                  "ms");
    bench::report(QStringLiteral("%1.w%2.rounds").arg(name).arg(winner).toLatin1().constData(), rounds, "rounds");
}

void benchWinner(qint32 winner, const QString &folder)
{
    // A fresh folder per winning total: nothing solved, nothing recorded.
    const QString dir = folder + QStringLiteral("/w%1/").arg(winner);
    QDir().mkpath(dir);
    ProgramDir::set(dir);
    QFile cnf(ProgramDir::file(QStringLiteral("Korvex.cnf")));
    if (!cnf.open(QIODevice::WriteOnly))
        return;
    cnf.write(QStringLiteral("[Game]\r\nWinner=%1\r\n").arg(winner).toLatin1());
    cnf.close();
    if (bench::writeFullStatistics([winner](int) { return RuleSet{winner, false}; }).isEmpty())
        return;

    Heartbeat beat;
    ManualTimerService timers;
    FakePrompts prompts;
    std::unique_ptr<TfrmMain> w;
    const auto idle = [&w] { return settled(*w); };
    reportStall(winner, "open_main", measure(beat, [&] {
        w = std::make_unique<TfrmMain>(prompts, timers, QStringList());
        w->show();
    }, [] { return true; }));
    const auto act = [&w](const char *name) { return w->findChild<QAction *>(QLatin1String(name)); };
    const struct
    {
        const char *name;
        QAction *action;
    } windows[] = {{"open_statistics", act("aStatistics")}, {"open_advisor", act("aAdvisor")},
                   {"open_review", act("aReview")},         {"open_practice", act("aPractice")},
                   {"open_setup", act("aSettings")},        {"open_topten", act("aTopTen")}};
    for (const auto &[name, action] : windows) {
        QElapsedTimer t;
        t.start();
        const double ms = measure(beat, [action = action] { action->trigger(); }, idle);
        reportStall(winner, name, ms);
        bench::report(QStringLiteral("wait.w%1.%2").arg(winner).arg(QLatin1String(name)).toLatin1().constData(),
                      bench::msSince(t), "ms");
    }

    benchGame(beat, *w, timers, winner, "game_windows_open");
    // The same game again with the side windows closed: what the game itself costs.
    for (QWidget *side : QApplication::topLevelWidgets())
        if (side != w.get())
            side->close();
    benchGame(beat, *w, timers, winner, "game_windows_closed");
}

} // namespace

int main(int argc, char *argv[])
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    QList<qint32> winners;
    for (int i = 1; i < argc; ++i)
        winners << std::atoi(argv[i]);
    if (winners.isEmpty())
        winners = {1000, 10000};
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    bench::note(QStringLiteral("longest stall of the user-interface thread, platform %1, budget %2 ms")
                        .arg(QGuiApplication::platformName())
                        .arg(kBudgetMs));
    for (qint32 winner : winners)
        benchWinner(winner, dir.path());
    return g_allWithin ? 0 : 1;
}
