// SPDX-License-Identifier: GPL-3.0-or-later
// One of several copies of the game winning at once as fast as they can: each
// win changes the statistics, the practice file and the score table, each
// through the game's own waiting writes (a change that finds its file in use
// waits and goes before the next one, and gets a last, longer try at the end).
//   lock_contention <folder> <wins> <first score>
// Prints: writes <n> waited <n> lost <n>. Started six at a time by
//   bench/lock_contention.sh
#include "base/KvxError.h"
#include "records/PracticeFile.h"
#include "records/Statistics.h"
#include "records/TopTen.h"
#include "base/FileLock.h"
#include "base/ProgramDir.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    ProgramDir::set(args[1] + QLatin1Char('/'));
    const int wins = args[2].toInt();
    const int firstScore = args[3].toInt();
    LaterWrites stats, practice, table;
    int writes = 0, waited = 0, failed = 0;
    const auto write = [&](LaterWrites &later, LaterWrites::Write w) {
        for (const QString &e : later.retry()) {
            std::fprintf(stderr, "%s\n", qPrintable(e));
            ++failed;
        }
        ++writes;
        try {
            if (!later.run(std::move(w)))
                ++waited;
        } catch (const KvxError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
            ++failed;
        }
    };
    for (int i = 0; i < wins; ++i) {
        StatsGame g;
        g.when = QDateTime::currentDateTime();
        g.rounds = 10 + i % 7;
        g.seconds = 100 + i;
        g.rating = firstScore + i;
        PracticePosition p;
        p.total = firstScore / 5 + 5 * i;
        p.rolled[1] = 1;
        p.rolled[2] = 5;
        p.cost = 0.5;
        TopTenEntry e = TopTen::blankEntry();
        e.Score = firstScore + i;
        e.Name = QByteArray("p") + QByteArray::number(firstScore + i);
        write(stats, [g] { Statistics::addGame(Statistics::fileName(), g); });
        write(practice, [p] { PracticeFile::addMine(PracticeFile::fileName(), {p}); });
        write(table, [e] { TopTenTable t; t.InsertTopTen(e, 1); });
    }
    int lost = 0;
    {
        const LockWait closing(LaterWrites::kLastWaitMs);
        for (LaterWrites *later : {&stats, &practice, &table}) {
            failed += int(later->retry().size());
            lost += later->waiting();
        }
    }
    std::printf("writes %d waited %d lost %d failed %d\n", writes, waited, lost, failed);
    return lost + failed == 0 ? 0 : 1;
}
