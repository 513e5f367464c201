// SPDX-License-Identifier: GPL-3.0-or-later
// An installed copy run by a player who cannot write the install folder: every
// file the game reads or writes is in the per-user folder. Not run by CTest;
// scripts/install-test.sh runs it against a real installation, naming the
// installed executable in KORVEX_INSTALLED_EXE.
#include "base/ProgramDir.h"
#include "support/WindowRig.h"
#include "dialogs/TfrmTopten.h"
#include "dialogs/TfrmSetup.h"
#include "support/FakePrompts.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextEdit>
#include <QtTest>

// Remembers the folder each file dialog starts in and picks a name there.
class FolderPrompts : public FakePrompts
{
public:
    QStringList startFolders;
    QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &suggested) override
    {
        startFolders << dir;
        return FakePrompts::saveFileName(parent, title, dir, suggested);
    }
    QString openFileName(QWidget *parent, const QString &title, const QString &dir) override
    {
        startFolders << dir;
        return FakePrompts::openFileName(parent, title, dir);
    }
};

class TestInstalledGame : public QObject
{
    Q_OBJECT

private:
    QString m_exe;
    QString m_exeDir;
    QString m_dir;
    ManualTimerService m_timers;

    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_exe = qEnvironmentVariable("KORVEX_INSTALLED_EXE");
        QVERIFY2(QFileInfo(m_exe).isExecutable(), "KORVEX_INSTALLED_EXE must name the installed korvex");
        m_exeDir = ProgramDir::fromExecutable(m_exe);
        QVERIFY2(!ProgramDir::isWritableDir(m_exeDir), "run this as a player who cannot write the install folder");
        m_dir = ProgramDir::resolve(m_exe, qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME"),
                                    ProgramDir::relDataDir());
        ProgramDir::set(m_dir);
    }

    void theFolderIsThePlayersOwn()
    {
        const QString expected = ProgramDir::userFolder(
            ProgramDir::userDataHome(qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME")));
        QCOMPARE(m_dir, expected);
        QVERIFY(ProgramDir::isWritableDir(m_dir));
        // The installed rules, copied in whole.
        const QString installed = ProgramDir::installedRulesOf(m_exeDir, ProgramDir::relDataDir());
        QVERIFY(!installed.isEmpty());
        const QByteArray rules = readFile(m_dir + "KVXRules.rtf");
        QVERIFY(rules.startsWith("{\\rtf"));
        QCOMPARE(rules, readFile(installed));
    }

    void everyFileOfTheGameLandsThere()
    {
        FolderPrompts prompts;
        TfrmMain w(prompts, m_timers, {});
        TfrmTopten *topten = &w.topten();
        TfrmSetup *setup = &w.setup();
        // The top-ten dialog made the table of its type when it was created,
        // the other one when it changes to it.
        QVERIFY(QFile::exists(m_dir + "KVXScrP.ini"));
        topten->btChangeClick();
        QVERIFY(QFile::exists(m_dir + "KVXScrT.ini"));

        // The rules are shown, and Save writes the configuration and the texts.
        QString shownRules;
        prompts.onModal = [&](QDialog &dlg) {
            shownRules = setup->findChild<QTextEdit *>(QStringLiteral("mRules"))->toPlainText();
            setup->findChild<QAbstractButton *>(QStringLiteral("btSave"))->click();
            return dlg.result();
        };
        action(w, "aRules")->trigger();
        QVERIFY2(shownRules.contains(QStringLiteral("The rules of the game")), qPrintable(shownRules.left(200)));
        QVERIFY(QFile::exists(m_dir + "Korvex.cnf"));
        QVERIFY(QFile::exists(m_dir + "Korvex.lng"));

        // A saved game: the dialogs start in the same folder.
        prompts.fileAnswers.enqueue(m_dir + "installed.sav");
        action(w, "aSave")->trigger();
        prompts.fileAnswers.enqueue(m_dir + "installed.sav");
        action(w, "aOpen")->trigger();
        QCOMPARE(prompts.startFolders, QStringList({m_dir, m_dir}));
        QVERIFY(QFileInfo(m_dir + "installed.sav").size() > 0);
        QCOMPARE(prompts.errors, QStringList());
    }

    void nothingWasWrittenBesideTheExecutable()
    {
        const QStringList names = QDir(m_exeDir).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(names, QStringList({QFileInfo(m_exe).fileName()}));
    }
};

QTEST_MAIN(TestInstalledGame)
#include "tst_installedgame.moc"
