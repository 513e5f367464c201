// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game keeps its files: beside a writable executable, else per user.
#include "base/ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestProgramDir : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A folder laid out like an installed copy, by default as Debian installs
    // games: games/korvex and share/games/korvex/KVXRules.rtf.
    static QString makeInstalled(const QString &prefix, const QString &exe = "games/korvex",
                                 const QString &data = "share/games/korvex")
    {
        writeFile(prefix + "/" + exe, "#!/bin/true\n");
        writeFile(prefix + "/" + data + "/KVXRules.rtf", "{\\rtf1 installed rules}");
        return prefix + "/" + exe;
    }
    static inline const QString kGamesData = QStringLiteral("../share/games/korvex");

private slots:
    // ---------------------------------------------------------- directory part

    void fromExecutable_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("dir");
        QTest::newRow("installed") << "/usr/games/korvex" << "/usr/games/";
        QTest::newRow("root") << "/korvex" << "/";
        QTest::newRow("drive root") << "C:\\korvex.exe" << "C:\\";
        QTest::newRow("drive folder") << "C:\\Games\\korvex.exe" << "C:\\Games\\";
        QTest::newRow("doubled separator") << "/opt//korvex" << "/opt/";
        QTest::newRow("bare name") << "korvex" << "./";
    }
    void fromExecutable()
    {
        QFETCH(QString, exe);
        QFETCH(QString, dir);
        QCOMPARE(ProgramDir::fromExecutable(exe), dir);
    }

    // ---------------------------------------------------------- pure decision

    void userDataHome_data()
    {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");
        QTest::newRow("xdg wins") << "/data/me" << "/home/me" << "/data/me";
        QTest::newRow("xdg trailing slash") << "/data/me/" << "/home/me" << "/data/me";
        QTest::newRow("unset xdg") << "" << "/home/me" << "/home/me/.local/share";
        QTest::newRow("relative xdg ignored") << "data" << "/home/me" << "/home/me/.local/share";
        QTest::newRow("home with slash") << "" << "/home/me/" << "/home/me/.local/share";
        QTest::newRow("nothing") << "" << "" << "";
        QTest::newRow("relative home") << "" << "me" << "";
    }
    void userDataHome()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QCOMPARE(ProgramDir::userDataHome(xdg, home), expected);
    }

    void choose_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("installedRules");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("expected");
        const QString exe = "/opt/korvex/";
        QTest::newRow("portable, writable") << true << "" << "/h/.local/share" << exe;
        QTest::newRow("portable, read-only")
            << false << "" << "/h/.local/share" << "/h/.local/share/Korvex/";
        QTest::newRow("installed, read-only")
            << false << "/usr/share/games/korvex/KVXRules.rtf" << "/h/.local/share" << "/h/.local/share/Korvex/";
        // root may write /usr/games, but an installed copy never litters it
        QTest::newRow("installed, writable")
            << true << "/usr/share/games/korvex/KVXRules.rtf" << "/root/.local/share" << "/root/.local/share/Korvex/";
        QTest::newRow("no home at all") << false << "" << "" << exe;
    }
    void choose()
    {
        QFETCH(bool, writable);
        QFETCH(QString, installedRules);
        QFETCH(QString, dataHome);
        QFETCH(QString, expected);
        QCOMPARE(ProgramDir::choose("/opt/korvex/", dataHome, writable, installedRules), expected);
    }

    // ---------------------------------------------------------- file system

    void writabilityIsProbedByCreatingAFile()
    {
        QTemporaryDir tmp;
        QVERIFY(ProgramDir::isWritableDir(tmp.path()));
        QVERIFY(ProgramDir::isWritableDir(tmp.path() + "/"));
        // The probe leaves nothing behind.
        QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);
        QVERIFY(!ProgramDir::isWritableDir(tmp.path() + "/missing"));
        writeFile(tmp.path() + "/plain", "x");
        QVERIFY(!ProgramDir::isWritableDir(tmp.path() + "/plain"));
        QVERIFY(!ProgramDir::isWritableDir(QString()));
        // Permission bits say yes to root here; only a real attempt says no.
        if (QFileInfo(QStringLiteral("/proc/self")).isDir())
            QVERIFY(!ProgramDir::isWritableDir(QStringLiteral("/proc")));
    }

    void readOnlyFolderIsNotWritable()
    {
        QTemporaryDir tmp;
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool canStillWrite = QFile(tmp.path() + "/x").open(QIODevice::WriteOnly);
        QFile::remove(tmp.path() + "/x");
        QCOMPARE(ProgramDir::isWritableDir(tmp.path()), canStillWrite); // root writes anyway
        QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void installedRulesAreFoundRelativeToTheExecutable()
    {
        QTemporaryDir tmp;
        const QString exe = makeInstalled(tmp.path());
        const QString exeDir = ProgramDir::fromExecutable(exe);
        QCOMPARE(ProgramDir::installedRulesOf(exeDir, kGamesData), tmp.path() + "/share/games/korvex/KVXRules.rtf");
        QCOMPARE(ProgramDir::installedRulesOf(exeDir, "../share/elsewhere"), QString());
        // A folder of that name is not a document.
        QVERIFY(QDir().mkpath(tmp.path() + "/share/dir/KVXRules.rtf"));
        QCOMPARE(ProgramDir::installedRulesOf(exeDir, "../share/dir"), QString());
    }

    void provideCreatesTheFolderAndCopiesTheRulesOnce()
    {
        QTemporaryDir tmp;
        const QString source = tmp.path() + "/src/KVXRules.rtf";
        writeFile(source, "{\\rtf1 first}");
        writeFile(tmp.path() + "/src/KVXRules.de.rtf", "{\\rtf1 erste}");
        const QString dir = tmp.path() + "/deep/er/Korvex/";
        QVERIFY(ProgramDir::provide(dir, source));
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1 first}"));
        // The rules in the other languages come along.
        QCOMPARE(readFile(dir + "KVXRules.de.rtf"), QByteArray("{\\rtf1 erste}"));
        // The player's copy stays, even when the installed one changes.
        writeFile(dir + "KVXRules.rtf", "{\\rtf1 mine}");
        writeFile(source, "{\\rtf1 second}");
        QVERIFY(ProgramDir::provide(dir, source));
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1 mine}"));
        // No source: the folder alone.
        QVERIFY(ProgramDir::provide(tmp.path() + "/bare", QString()));
        QVERIFY(QFileInfo(tmp.path() + "/bare").isDir());
        QVERIFY(!QFile::exists(tmp.path() + "/bare/KVXRules.rtf"));
    }

    void provideRefusesWhatIsNoDocument()
    {
        QTemporaryDir tmp;
        // A source that is a folder copies nothing and leaves no half file.
        QVERIFY(!ProgramDir::provide(tmp.path() + "/a", tmp.path()));
        QVERIFY(!QFile::exists(tmp.path() + "/a/KVXRules.rtf"));
        // A folder that cannot be made: a plain file is in the way.
        writeFile(tmp.path() + "/file", "x");
        QVERIFY(!ProgramDir::provide(tmp.path() + "/file/Korvex", QString()));
    }

    void largeRulesAreCopiedWhole()
    {
        QTemporaryDir tmp;
        QByteArray big(300 * 1024 + 7, 'r');
        big[0] = '{';
        writeFile(tmp.path() + "/KVXRules.rtf", big);
        QVERIFY(ProgramDir::provide(tmp.path() + "/to", tmp.path() + "/KVXRules.rtf"));
        QCOMPARE(readFile(tmp.path() + "/to/KVXRules.rtf"), big);
    }

    // ---------------------------------------------------------- the whole rule

    void buildTreeKeepsItsOwnFolder()
    {
        QTemporaryDir tmp;
        writeFile(tmp.path() + "/bin/korvex", "x");
        writeFile(tmp.path() + "/bin/KVXRules.rtf", "{\\rtf1}");
        const QString dir = ProgramDir::resolve(tmp.path() + "/bin/korvex", tmp.path() + "/data",
                                                tmp.path() + "/home", kGamesData);
        QCOMPARE(dir, tmp.path() + "/bin/");
        QVERIFY(!QFile::exists(tmp.path() + "/data"));
    }

    void installedCopyUsesTheUserFolder()
    {
        QTemporaryDir tmp;
        const QString exe = makeInstalled(tmp.path() + "/prefix");
        const QString dir = ProgramDir::resolve(exe, QString(), tmp.path() + "/home", kGamesData);
        QCOMPARE(dir, tmp.path() + "/home/.local/share/Korvex/");
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1 installed rules}"));
        // Nothing was written beside the executable, writable or not.
        QCOMPARE(QDir(tmp.path() + "/prefix/games").entryList(QDir::Files | QDir::Hidden).size(), 1);
        // XDG_DATA_HOME moves it.
        const QString moved = ProgramDir::resolve(exe, tmp.path() + "/xdg", tmp.path() + "/home", kGamesData);
        QCOMPARE(moved, tmp.path() + "/xdg/Korvex/");
        QVERIFY(QFile::exists(moved + "KVXRules.rtf"));
    }

    // An installed copy is told by where its rules lie from its executable,
    // whatever the layout; the build's own layout is Debian's for games.
    void installedLayouts_data()
    {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("relDataDir");
        QTest::newRow("this build") << "games/korvex" << "share/games/korvex" << ProgramDir::relDataDir();
        QTest::newRow("bin and share") << "bin/korvex" << "share/korvex" << "../share/korvex";
        QTest::newRow("one folder") << "opt/korvex/korvex" << "opt/korvex/data" << "data";
        QTest::newRow("deeper program") << "lib/korvex/bin/korvex" << "share/games/korvex" << "../../../share/games/korvex";
    }
    void installedLayouts()
    {
        QFETCH(QString, exe);
        QFETCH(QString, data);
        QFETCH(QString, relDataDir);
        QTemporaryDir tmp;
        const QString path = makeInstalled(tmp.path() + "/moved/prefix", exe, data);
        const QString dir = ProgramDir::resolve(path, QString(), tmp.path() + "/home", relDataDir);
        QCOMPARE(dir, tmp.path() + "/home/.local/share/Korvex/");
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1 installed rules}"));
        // Another layout's path finds no rules: a portable copy in a writable folder.
        const QString other = relDataDir == kGamesData ? QStringLiteral("../share/korvex") : kGamesData;
        QCOMPARE(ProgramDir::resolve(path, QString(), tmp.path() + "/home", other), ProgramDir::fromExecutable(path));
    }

    void userFolderThatCannotBeMadeFallsBack()
    {
        QTemporaryDir tmp;
        const QString exe = makeInstalled(tmp.path() + "/prefix");
        writeFile(tmp.path() + "/home", "not a folder");
        const QString dir = ProgramDir::resolve(exe, QString(), tmp.path() + "/home", kGamesData);
        QCOMPARE(dir, tmp.path() + "/prefix/games/");
    }

    // A folder name of bytes that are no UTF-8 text cannot be held in a
    // QString; the folder is reached through a handle on it.
    void aFolderNamedInNoEncodingIsFoundByItsBytes()
    {
        QTemporaryDir tmp;
        const QByteArray folder = QFile::encodeName(tmp.path()) + "/nu-\xff\xfe";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        for (const char *name : {"/korvex", "/KVXRules.rtf"}) {
            const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT, 0755);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, "{\\rtf1}", 7), ssize_t(7));
            ::close(fd);
        }
        QString unreached;
        const QString dir = ProgramDir::resolveBytes(folder + "/korvex", QString(), tmp.path() + "/home", kGamesData,
                                                     &unreached);
        QVERIFY2(dir.startsWith("/proc/self/fd/"), qPrintable(dir));
        QVERIFY(unreached.isEmpty());
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1}"));
        writeFile(dir + "Korvex.cnf", "[Game]\n");
        struct stat st {};
        QCOMPARE(::stat((folder + "/Korvex.cnf").constData(), &st), 0);
        QCOMPARE(ProgramDir::reachableFolder(folder), dir); // one handle for the folder
        QVERIFY(!QFile::exists(tmp.path() + "/home"));
    }

    void anInstalledCopyBelowSuchAFolderFindsItsRules()
    {
        QTemporaryDir tmp;
        const QByteArray prefix = QFile::encodeName(tmp.path()) + "/pr\xe9" "fix";
        for (const QByteArray &sub : {QByteArray(), QByteArray("/games"), QByteArray("/share"), QByteArray("/share/games"),
                                      QByteArray("/share/games/korvex")})
            QVERIFY(::mkdir((prefix + sub).constData(), 0755) == 0);
        const int fd = ::open((prefix + "/share/games/korvex/KVXRules.rtf").constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "{\\rtf1 installed}", 17), ssize_t(17));
        ::close(fd);
        const QString dir = ProgramDir::resolveBytes(prefix + "/games/korvex", QString(), tmp.path() + "/home", kGamesData);
        QCOMPARE(dir, tmp.path() + "/home/.local/share/Korvex/");
        QCOMPARE(readFile(dir + "KVXRules.rtf"), QByteArray("{\\rtf1 installed}"));
    }

    void aFolderThatCannotBeOpenedIsNamed()
    {
        QTemporaryDir tmp;
        const QByteArray gone = QFile::encodeName(tmp.path()) + "/gone-\xff/korvex";
        QString unreached;
        const QString dir = ProgramDir::resolveBytes(gone, QString(), tmp.path() + "/home", kGamesData, &unreached);
        QCOMPARE(dir, tmp.path() + "/home/.local/share/Korvex/");
        QCOMPARE(unreached, ProgramDir::fromExecutable(QFile::decodeName(gone)));
    }

    void startUpKeepsAFolderAlreadySet()
    {
        ProgramDir::set(QStringLiteral("/somewhere/"));
        ProgramDir::resolveAtStartup();
        QCOMPARE(ProgramDir::get(), QStringLiteral("/somewhere/"));
        ProgramDir::set(QString());
        // This test binary sits in a writable build folder without an installed layout.
        ProgramDir::resolveAtStartup();
        QCOMPARE(ProgramDir::get(), ProgramDir::fromExecutable(QCoreApplication::applicationFilePath()));
    }
};

QTEST_GUILESS_MAIN(TestProgramDir)
#include "tst_programdir.moc"
