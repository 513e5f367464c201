// SPDX-License-Identifier: GPL-3.0-or-later
// A copy of the game that only wins: adds `count` won games to the statistics,
// a costly decision of each to the practice file (both under the one lock,
// taken once per win) and to the score table of the folder given, as fast as
// it can, so that two of it started together meet at the files' locks.
//   stats_addwin <folder> <count> <first score>
#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "records/PracticeFile.h"
#include "records/Statistics.h"
#include "base/FileLock.h"
#include "records/TopTen.h"

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
    const int count = args[2].toInt();
    const int firstScore = args[3].toInt();
    try {
        for (int i = 0; i < count; ++i) {
            StatsGame g;
            g.when = QDateTime::currentDateTime();
            g.rounds = 10 + i % 7;
            g.seconds = 100 + i;
            g.rating = firstScore + i;
            PracticePosition p;
            p.total = firstScore / 5 + 5 * i; // apart for each copy, below the winning total
            p.rolled[1] = 1;
            p.rolled[2] = 5;
            p.cost = 0.5;
            const SharedFileLock win(Statistics::fileName());
            Statistics::addGame(Statistics::fileName(), g);
            PracticeFile::addMine(PracticeFile::fileName(), {p});
            if (i < TopTen::Slots / 2) {
                TopTenEntry e = TopTen::blankEntry();
                e.Score = firstScore + i;
                e.Name = QByteArray("p") + QByteArray::number(firstScore + i);
                topTenTable().InsertTopTen(e, 1);
            }
        }
    } catch (const KvxError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
