// SPDX-License-Identifier: GPL-3.0-or-later
// Practice: the verdict of a position once its rules are solved (each one at
// another total than the one before, so that every verdict solves its round
// afresh), choosing the built-in set (on the worker in the game), and opening
// the window with the solution at hand.
//
//   korvex_bench_practice [runs]
//
// Exits 1 when a figure is over its budget: verdict 20 ms, window 100 ms.
#include "BenchSupport.h"

#include "app/PracticeWindow.h"
#include "base/ProgramDir.h"
#include "game/SolveService.h"
#include "support/FakePrompts.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    bench::defaultToOffscreen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    ProgramDir::set(dir.path() + QLatin1Char('/'));
    bool over = false;

    for (const auto &[winner, band] : {std::pair<qint32, bool>(1000, false), std::pair<qint32, bool>(2000, true)}) {
        const auto sol = Advisor::solve({winner, band});
        QElapsedTimer t;
        t.start();
        const QVector<PracticePosition> set = builtInPractice(*sol, band);
        const double choose = bench::msSince(t);
        std::vector<double> verdicts;
        for (int r = 0; r < runs; ++r) {
            for (const PracticePosition &p : set) {
                // Another total first, so that this verdict solves its round.
                PracticePosition other = p;
                other.total = p.total == 0 ? 5 : 0;
                judgePractice(*sol, other, plainPlay(other));
                t.restart();
                const PracticeVerdict v = judgePractice(*sol, p, plainPlay(p));
                verdicts.push_back(bench::msSince(t));
                if (!v.legal)
                    return 2;
            }
        }
        const QString name = QStringLiteral("%1%2").arg(winner).arg(band ? QStringLiteral(" band") : QString());
        bench::note(QStringLiteral("%1: %2 built-in positions").arg(name).arg(set.size()));
        bench::report(qPrintable(QStringLiteral("choose built-in %1").arg(name)), choose, "ms");
        const bench::Stats s = bench::stats(verdicts);
        bench::report(qPrintable(QStringLiteral("verdict %1").arg(name)), s, "ms");
        over = over || s.max > 20.0;
    }

    SolveService solver;
    if (!solver.waitFor({1000, false}, 300000))
        return 2;
    FakePrompts prompts;
    std::vector<double> open;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        auto *w = new PracticeWindow(solver, prompts, [] { return RuleSet{1000, false}; });
        w->show();
        w->grab();
        open.push_back(bench::msSince(t));
        delete w;
        // The built-in set asked for by the window is chosen before the next opening.
        while (solver.jobsPending())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    const bench::Stats o = bench::stats(open);
    bench::report("open practice window", o, "ms");
    over = over || o.median > 100.0;
    return over ? 1 : 0;
}
