// SPDX-License-Identifier: GPL-3.0-or-later
// Files survive a process killed while writing them: a child rewrites one
// file in a loop, alternating two contents, and is killed at a random moment;
// the file is then always one of the two contents, whole.
#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "records/SavedGame.h"
#include "records/TopTen.h"
#include "base/TRegAuto.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <random>

#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kTrials = 150;        // per kind of file
constexpr qint64 kBudgetMs = 5000; // per kind of file, so the whole test stays short
// Past the budget, trials go on until there are enough of them and kills have
// landed both before and after a write's end (a slow or loaded machine).
constexpr int kEnoughTrials = 50;
constexpr int kMostTrials = 2000;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void sleepMicroseconds(long us)
{
    timespec t{us / 1000000, (us % 1000000) * 1000};
    nanosleep(&t, nullptr);
}

TopTenTable table(int seed)
{
    TopTenTable t;
    for (int n = 1; n <= TopTen::Slots; ++n) {
        TopTenEntry &e = t.slot(n);
        e.Score = seed * 1000 + n;
        e.Name = QByteArray("Player ") + QByteArray::number(seed) + "-" + QByteArray::number(n);
        e.Stamp = QByteArray("202401") + QByteArray::number(10 + seed) + "0012" + QByteArray::number(10 + n);
    }
    return t;
}

Game::Snapshot snapshot(int seed)
{
    Game::Snapshot s{};
    for (int n = 1; n <= 6; ++n) {
        s.dieState[n] = DieFree;
        s.face[n] = (n + seed) % 6 + 1;
    }
    s.total = 100 * seed;
    s.roundNo = 3 + seed;
    s.elapsedSeconds = 60 * seed;
    s.winner = 1000;
    return s;
}

} // namespace

class TestKillWrite : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::mt19937 m_rng{20240611};

    struct Tally
    {
        int trials = 0, old = 0, fresh = 0, leftovers = 0;
    };

    // Runs `write(i)` in a child for i = 0, 1, 2, ... and kills it after a
    // random delay; the file must then hold contents[0] or contents[1].
    Tally killWhileWriting(const QString &path, const QByteArray contents[2],
                           const std::function<void(int)> &write)
    {
        Tally tally;
        // The kills are spread over the first few writes of each child.
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 10; ++i)
            write(i % 2);
        const long oneWriteUs = std::max<long>(50, long(clock.nsecsElapsed() / 10000));
        // A child's first write can take far longer than a warm one (a loaded
        // machine, a sanitizer's memory after fork): while no kill has come
        // after a write's end, the window widens.
        long window = 3 * oneWriteUs;
        clock.restart();
        const auto goOn = [&tally, &clock] {
            if (tally.trials >= kMostTrials)
                return false;
            if (tally.trials < kEnoughTrials || tally.old == 0 || tally.fresh == 0)
                return true;
            return tally.trials < kTrials && clock.elapsed() < kBudgetMs;
        };
        while (goOn()) {
            const QByteArray before = readAll(path);
            int ready[2];
            if (pipe(ready) != 0) {
                QTest::qFail("pipe failed", __FILE__, __LINE__);
                return tally;
            }
            const pid_t pid = fork();
            if (pid == 0) {
                close(ready[0]);
                const char go = 1;
                if (::write(ready[1], &go, 1) != 1)
                    _exit(4);
                try {
                    for (int i = 1;; ++i)
                        write(i % 2);
                } catch (...) {
                }
                _exit(3);
            }
            close(ready[1]);
            if (pid < 0) {
                close(ready[0]);
                QTest::qFail("fork failed", __FILE__, __LINE__);
                return tally;
            }
            char go = 0;
            const bool started = read(ready[0], &go, 1) == 1;
            close(ready[0]);
            if (tally.fresh == 0 && tally.trials > 0 && tally.trials % 10 == 0)
                window = std::min(2 * window, 2000000L); // at most two seconds
            if (started)
                sleepMicroseconds(std::uniform_int_distribution<long>(0, window)(m_rng));
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
            if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
                QTest::qFail("the writing child stopped by itself: a write failed", __FILE__, __LINE__);
                return tally;
            }
            ++tally.trials;
            const QByteArray after = readAll(path);
            if (after != contents[0] && after != contents[1]) {
                QTest::qFail(qPrintable(QStringLiteral("trial %1: %2 holds %3 bytes that are neither content")
                                                .arg(tally.trials).arg(path).arg(after.size())),
                             __FILE__, __LINE__);
                return tally;
            }
            (after == before ? tally.old : tally.fresh) += 1;
            tally.leftovers = std::max(tally.leftovers, int(leftovers(path).size()));
        }
        // What a killed writer left beside the file goes with the next write.
        write(0);
        if (!leftovers(path).isEmpty())
            QTest::qFail(qPrintable(leftovers(path).join(QLatin1Char(' ')) + " left behind"), __FILE__, __LINE__);
        qInfo("%s: %d trials (one write %ld us, kills within %ld us), %d found the old content, %d the new, "
              "at most %d temporary files at once, in %lld ms",
              qPrintable(QFileInfo(path).fileName()), tally.trials, oneWriteUs, window, tally.old, tally.fresh,
              tally.leftovers, clock.elapsed());
        return tally;
    }

    // Files beside path that bear its name.
    static QStringList leftovers(const QString &path)
    {
        const QFileInfo info(path);
        QStringList out;
        for (const QString &name : info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (name != info.fileName() && name.contains(info.fileName()) && !name.endsWith(QStringLiteral(".lock")))
                out << name;
        return out;
    }

    void checkTally(const Tally &t)
    {
        QVERIFY(t.trials >= kEnoughTrials);
        // The kills must land both before and after a write's end, or the test shows nothing.
        QVERIFY(t.old > 0);
        QVERIFY(t.fresh > 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ProgramDir::set(m_dir.path() + QLatin1Char('/'));
    }

    void topTenTable()
    {
        const TopTenTable tables[2] = {table(1), table(2)};
        QByteArray contents[2];
        for (int k = 0; k < 2; ++k) {
            tables[k].SaveTopTen(1);
            contents[k] = readAll(TopTen::fileName(1));
            QCOMPARE(contents[k].size(), TopTen::Slots * TopTen::RecordSize);
        }
        QVERIFY(contents[0] != contents[1]);
        const Tally t = killWhileWriting(TopTen::fileName(1), contents,
                                         [&tables](int k) { tables[k].SaveTopTen(1); });
        checkTally(t);
    }

    void savedGame()
    {
        const QString path = m_dir.filePath(QStringLiteral("game.KVX"));
        const Game::Snapshot games[2] = {snapshot(1), snapshot(2)};
        QByteArray contents[2];
        for (int k = 0; k < 2; ++k) {
            writeSavedGame(path, games[k]);
            contents[k] = readAll(path);
            QCOMPARE(contents[k].size(), SavedGame::RecordSize);
        }
        QVERIFY(contents[0] != contents[1]);
        const Tally t = killWhileWriting(path, contents, [&](int k) { writeSavedGame(path, games[k]); });
        checkTally(t);
    }

    void iniFile()
    {
        // A language file of some size, so a write takes a while; only one key changes.
        const QString path = m_dir.filePath(QStringLiteral("Korvex.lng"));
        QByteArray text;
        for (int s = 0; s < 60; ++s) {
            text += "[Section" + QByteArray::number(s) + "]\r\n";
            for (int k = 0; k < 60; ++k)
                text += "key" + QByteArray::number(k) + "=a value of some length, " + QByteArray::number(s * k) + "\r\n";
        }
        text += "[Game]\r\nWinner=1000\r\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        }
        TRegAuto ini(path);
        const QString values[2] = {QStringLiteral("1111"), QStringLiteral("2222")};
        QByteArray contents[2];
        for (int k = 0; k < 2; ++k) {
            ini.WriteString(QStringLiteral("Game"), QStringLiteral("Winner"), values[k]);
            contents[k] = readAll(path);
            QVERIFY(contents[k].size() > 100000);
        }
        QVERIFY(contents[0] != contents[1]);
        const Tally t = killWhileWriting(path, contents, [&](int k) {
            ini.WriteString(QStringLiteral("Game"), QStringLiteral("Winner"), values[k]);
        });
        checkTally(t);
        QCOMPARE(ini.ReadInteger(QStringLiteral("Section59"), QStringLiteral("key59"), 0), 0);
        QCOMPARE(ini.ReadString(QStringLiteral("Section59"), QStringLiteral("key59"), QString()),
                 QStringLiteral("a value of some length, 3481"));
    }

    void aNewGameIsNeverOnlyInATemporaryFile()
    {
        // Saved under a new name and killed at any moment: the game is under
        // its name whole, or nowhere.
        const QString path = m_dir.filePath(QStringLiteral("new.KVX"));
        const QByteArray game = encodeSavedGame(snapshot(3));
        int whole = 0, none = 0;
        for (int trial = 0; trial < 60; ++trial) {
            QFile::remove(path);
            const pid_t pid = fork();
            if (pid == 0) {
                try {
                    writeSavedGame(path, snapshot(3));
                } catch (...) {
                    _exit(3);
                }
                for (;;)
                    pause();
            }
            QVERIFY(pid > 0);
            sleepMicroseconds(std::uniform_int_distribution<long>(0, 3000)(m_rng));
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            const QByteArray after = readAll(path);
            QVERIFY(after == game || after == "<missing>");
            (after == game ? whole : none) += 1;
            QCOMPARE(leftovers(path), QStringList());
        }
        qInfo("new.KVX: %d kills found the game whole, %d found no file", whole, none);
    }
};

QTEST_GUILESS_MAIN(TestKillWrite)
#include "tst_killwrite.moc"
