// SPDX-License-Identifier: GPL-3.0-or-later
// Repeated operations with warm caches: building the windows, one die step,
// a whole roll on virtual time, a settings save, a top-ten load and sort, the
// review window opened on a game just won (its solution already at hand).
//
//   korvex_bench_ops [--quick]
//
// Exits 1 when a die step repaints anything but its own die, or when a timer
// runs with the cover up.
#include "BenchSupport.h"

#include "base/ProgramDir.h"
#include "app/PlayingSurface.h"
#include "app/ReviewWindow.h"
#include "app/SideWindows.h"
#include "app/TfrmMain.h"
#include "game/AutoPlay.h"
#include "widgets/TRxDice.h"
#include "game/ManualTimerService.h"
#include "dialogs/TfrmTopten.h"
#include "records/TopTen.h"
#include "dialogs/TfrmSetup.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>

namespace {

int g_rounds = 1; // 1 normal, smaller with --quick

int scaled(int n)
{
    return qMax(3, n / g_rounds);
}

// Counts paint events per widget, everywhere in the application.
class PaintCounter : public QObject
{
public:
    QHash<QObject *, int> paints;
    int total = 0;

    void reset()
    {
        paints.clear();
        total = 0;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
            ++total;
        }
        return false;
    }
};

// Shows the window and lets it paint once, so later updates are partial.
void showAndSettle(QWidget &w)
{
    w.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Which widgets the first render of the main window paints (the cover hides the board).
void notePaintedAtStart()
{
    ManualTimerService timers;
    FakePrompts prompts;
    TfrmMain w(prompts, timers, {});
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    const QPixmap shot = w.grab();
    qApp->removeEventFilter(&counter);
    QStringList names;
    for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
        names << it.key()->objectName();
    names.sort();
    bench::note(QStringLiteral("first render painted %1 widgets: %2").arg(counter.total).arg(names.join(QLatin1Char(' '))));
}

void benchWindows()
{
    std::vector<double> build, render;
    for (int i = 0; i < scaled(30); ++i) {
        ManualTimerService timers;
        FakePrompts prompts;
        QElapsedTimer t;
        t.start();
        {
            TfrmMain w(prompts, timers, {});
            w.buildDialogs();
            build.push_back(bench::msSince(t));
            t.restart();
            const QPixmap shot = w.grab();
            render.push_back(bench::msSince(t));
        }
    }
    bench::report("warm.window_and_dialogs", bench::stats(build), "ms");
    bench::report("warm.render_main_window", bench::stats(render), "ms");
}

// One die step: the engine's new face, mirrored into the widget and painted.
bool benchDieStep()
{
    ManualTimerService timers;
    FakePrompts prompts;
    TfrmMain w(prompts, timers, {});
    w.buildDialogs();
    showAndSettle(w);
    w.game().newGame();
    w.game().roll();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    if (w.game().rollingDice() != 6) {
        bench::note(QStringLiteral("die step: the roll did not start (%1 dice rolling)").arg(w.game().rollingDice()));
        return false;
    }

    PaintCounter counter;
    qApp->installEventFilter(&counter);
    bool onlyThatDie = true;
    // One tick of the dice's timers: each turning die takes a step.
    {
        counter.reset();
        int before[7] = {};
        for (int n = 1; n <= 6; ++n)
            before[n] = w.surface().dice(n)->value();
        timers.advance(60);
        QCoreApplication::processEvents();
        for (int n = 1; n <= 6; ++n) {
            if (w.surface().dice(n)->value() != before[n] && counter.paints.value(w.surface().dice(n)) == 1)
                continue;
            onlyThatDie = false;
        }
        if (counter.total != 6) {
            onlyThatDie = false;
            QStringList painted;
            for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
                painted << QStringLiteral("%1 x%2").arg(it.key()->objectName()).arg(it.value());
            bench::note(QStringLiteral("a tick of six dice painted: %1").arg(painted.join(QStringLiteral(", "))));
        }
    }
    bench::note(onlyThatDie ? QStringLiteral("die step: each step repainted its own die once and nothing else")
                            : QStringLiteral("die step: FAILED, other widgets were repainted"));

    std::vector<double> steps;
    const int count = scaled(600) / 6;
    steps.reserve(size_t(count));
    int stepped = 0;
    counter.reset();
    for (int i = 0; i < count; ++i) {
        if (w.game().rollingDice() != 6) { // the roll is over: the next one, not timed
            QCoreApplication::processEvents();
            w.game().newGame();
            w.game().roll();
            QCoreApplication::processEvents();
            counter.reset();
            stepped = 0;
        }
        QElapsedTimer t;
        t.start();
        timers.advance(60);
        QCoreApplication::processEvents();
        steps.push_back(bench::msSince(t) * 1000.0 / 6);
        stepped += 6;
    }
    qApp->removeEventFilter(&counter);
    bench::report("warm.die_step", bench::stats(steps), "us");
    bench::report("warm.die_step_paints", stepped ? double(counter.total) / stepped : 0.0, "paints/step");
    return onlyThatDie;
}

// Whole rolls of six dice on virtual time, painted after every tick: the
// program's own work of a roll, without the timer wake-ups and the X server.
void benchRoll()
{
    ManualTimerService timers;
    FakePrompts prompts;
    TfrmMain w(prompts, timers, {});
    w.buildDialogs();
    showAndSettle(w);
    w.game().newGame();

    std::vector<double> cpu, length, ticks, share;
    for (int i = 0; i < scaled(20); ++i) {
        w.game().newGame();
        for (int k = 0; k < 3; ++k)
            QCoreApplication::processEvents();
        int fired = 0;
        const quint32 start = timers.tickCount();
        QElapsedTimer t;
        t.start();
        w.game().roll();
        QCoreApplication::processEvents();
        const bool done = timers.runUntil([&] {
            ++fired;
            QCoreApplication::processEvents();
            return w.game().rollingDice() == 0;
        });
        const double ms = bench::msSince(t);
        if (!done)
            continue;
        const double virtualMs = double(timers.tickCount() - start);
        cpu.push_back(ms);
        length.push_back(virtualMs);
        ticks.push_back(fired);
        share.push_back(virtualMs > 0 ? 100.0 * ms / virtualMs : 0);
    }
    bench::report("virtual_roll.length", bench::stats(length), "ms");
    bench::report("virtual_roll.ticks", bench::stats(ticks), "ticks");
    bench::report("virtual_roll.work", bench::stats(cpu), "ms");
    bench::report("virtual_roll.share_of_core", bench::stats(share), "%");
}

// Timer events delivered anywhere in the application during a stretch of real time.
class TimerCounter : public QObject
{
public:
    QObject *ignore = nullptr;
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && watched != ignore)
            ++count;
        return false;
    }
};

int timerEventsDuring(int ms)
{
    TimerCounter counter;
    QEventLoop loop;
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
    counter.ignore = &stop;
    qApp->installEventFilter(&counter);
    stop.start(ms);
    loop.exec();
    qApp->removeEventFilter(&counter);
    return counter.count;
}

// Real timers: nothing may tick while the cover is up; the clock ticks once a second in play.
bool benchTimers()
{
    QtTimerService timers;
    FakePrompts prompts;
    TfrmMain w(prompts, timers, {});
    w.buildDialogs();
    showAndSettle(w);
    const int window = 2100;
    bool ok = true;
    auto check = [&](const char *name, bool cover, int expected) {
        const int n = timerEventsDuring(window);
        bench::report(name, n, "timer events in 2.1 s");
        if (w.presenter().coverVisible() != cover || n != expected) {
            bench::note(QStringLiteral("%1: cover %2, %3 timer events, expected %4")
                            .arg(QLatin1String(name))
                            .arg(w.presenter().coverVisible())
                            .arg(n)
                            .arg(expected));
            ok = false;
        }
    };
    check("timers.cover_at_start", true, 0);
    w.game().newGame();
    check("timers.playing", false, 2);
    w.game().pause();
    check("timers.paused", true, 0);
    w.game().resume();
    // A win: the last points reach the winning total exactly.
    Game::Snapshot near = w.game().snapshot();
    near.total = near.winner - 100;
    near.subScore = 100;
    for (int n = 1; n <= 6; ++n) {
        near.dieState[n] = DieFree;
        near.rollCount[n] = near.selCount[n] = 0;
    }
    w.game().restore(near);
    w.game().bank();
    bench::note(QStringLiteral("after the win: total %1, messages: %2")
                    .arg(w.presenter().eScore())
                    .arg(prompts.messages.join(QStringLiteral(" | "))));
    check("timers.after_win", true, 0);
    return ok;
}

void benchSettingsSave()
{
    ManualTimerService timers;
    FakePrompts prompts;
    TfrmMain w(prompts, timers, {});
    w.topten();
    TfrmSetup *setup = &w.setup();
    setup->Fill();
    std::vector<double> saves;
    for (int i = 0; i < scaled(20); ++i) {
        QElapsedTimer t;
        t.start();
        const bool ok = setup->Save();
        saves.push_back(bench::msSince(t));
        if (!ok) {
            bench::note(QStringLiteral("settings save refused: %1").arg(prompts.errors.join(QStringLiteral("; "))));
            break;
        }
    }
    bench::report("warm.settings_save", bench::stats(saves), "ms");
}

void benchTopTen()
{
    TopTenTable &table = topTenTable();
    for (int type = 1; type <= 2; ++type) {
        for (int n = 1; n <= TopTen::Slots; ++n) {
            TopTenEntry &e = table.slot(n);
            e.Score = 1000 * ((n * 7) % 11);
            e.Name = QByteArray("Player ") + QByteArray::number(n);
            e.Stamp = QByteArray("20240101") + QByteArray::number(100000 + (n * 3791) % 90000);
        }
        table.SaveTopTen(type);
    }
    for (int type = 1; type <= 2; ++type) {
        std::vector<double> loads;
        for (int i = 0; i < scaled(300); ++i) {
            QElapsedTimer t;
            t.start();
            table.LoadTopTen(type);
            table.SortTopTen(type);
            loads.push_back(bench::msSince(t) * 1000.0);
        }
        bench::report(type == 1 ? "warm.topten_load_sort_score" : "warm.topten_load_sort_time", bench::stats(loads),
                      "us");
    }
    TfrmTopten dialog;
    std::vector<double> fills;
    for (int i = 0; i < scaled(100); ++i) {
        QElapsedTimer t;
        t.start();
        dialog.FillTopTen();
        fills.push_back(bench::msSince(t) * 1000.0);
    }
    bench::report("warm.topten_dialog_fill", bench::stats(fills), "us");
}

// From the command to the window shown and drawn whole, on games won with
// about 30 to 40 rounds; the solve itself is done beforehand, as a player's
// advisor or an earlier review would have done it.
void benchReviewWindow()
{
    std::vector<double> opens;
    std::vector<double> rounds;
    for (int i = 0; i < scaled(5); ++i) {
        ManualTimerService timers;
        FakePrompts prompts;
        TfrmMain w(prompts, timers, {});
        w.show();
        rounds.push_back(playGame(w.game(), timers, simpleStrategy({1000, false}, 30, 0), quint32(9100 + i)));
        if (!w.solver().waitFor({1000, false}, 120000)) {
            bench::note(QStringLiteral("review: no solution"));
            return;
        }
        QElapsedTimer t;
        t.start();
        w.findChild<QAction *>(QStringLiteral("aReview"))->trigger();
        QCoreApplication::processEvents();
        w.sideWindows().review()->grab();
        opens.push_back(bench::msSince(t));
    }
    bench::report("warm.review_window_open", bench::stats(opens), "ms");
    bench::report("warm.review_window_game_rounds", bench::stats(rounds), "rounds");
}

} // namespace

int main(int argc, char *argv[])
{
    bench::defaultToOffscreen();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            g_rounds = 10;
        } else {
            std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
            return 2;
        }
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    ProgramDir::set(dir.path() + QLatin1Char('/'));
    bench::note(QStringLiteral("warm operations, platform %1, folder %2").arg(QGuiApplication::platformName(), dir.path()));

    notePaintedAtStart();
    benchWindows();
    const bool stepOk = benchDieStep();
    benchRoll();
    const bool timersOk = benchTimers();
    benchSettingsSave();
    benchTopTen();
    benchReviewWindow();
    return stepOk && timersOk ? 0 : 1;
}
