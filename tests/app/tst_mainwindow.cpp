// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a player meets it: start-up, phases, staged rolls to a win.
#include "app/AdvisorWindow.h"
#include "app/ReviewWindow.h"
#include "base/ProgramDir.h"
#include "widgets/Prompts.h"
#include "widgets/TEffectLabel.h"
#include "game/EngineRig.h"
#include "support/WindowRig.h"
#include "widgets/WindowSystem.h"
#include "dialogs/TfrmTopten.h"
#include "dialogs/TfrmSetup.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QGroupBox>
#include <QInputDialog>
#include <QLockFile>
#include <QScreen>
#include <QTimer>
#include <QLabel>
#include <QTextDocument>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QtTest>

#include <memory>

#include "app/PracticeWindow.h"
#include "app/ReviewWindow.h"
#include "game/EngineRig.h"
#include "app/StatisticsRecorder.h"
#include "app/StatisticsWindow.h"
#include "records/Statistics.h"
#include "base/LanguageTable.h"
#include "base/TRegAuto.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"
#include "records/TopTen.h"
#include "records/TopTenCheck.h"

// Where markup from a file or a player would be read as markup: labels (a
// message box's text among them) and tooltips.
QStringList markupReadIn(QWidget *window, const QString &tag)
{
    QStringList found;
    QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *w : all << window) {
        const auto *l = qobject_cast<QLabel *>(w);
        if ((l && l->text().contains(tag) && l->textFormat() != Qt::PlainText && Qt::mightBeRichText(l->text()))
            || (w->toolTip().contains(tag) && Qt::mightBeRichText(w->toolTip())))
            found << window->objectName() + QLatin1Char('/') + w->objectName();
    }
    return found;
}

// Looks into each dialog as it opens, then closes it; a name query is answered with name.
struct DialogInspector : QObject
{
    QString tag, name;
    QStringList found;
    int seen = 0;
    DialogInspector(const QString &t, const QString &n) : tag(t), name(n) { qApp->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() != QEvent::Show || !dialog)
            return false;
        ++seen;
        found << markupReadIn(dialog, tag);
        auto *query = qobject_cast<QInputDialog *>(dialog);
        if (query)
            query->setTextValue(name);
        QMetaObject::invokeMethod(dialog, query ? &QDialog::accept : &QDialog::reject, Qt::QueuedConnection);
        return false;
    }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    ManualTimerService m_timers;
    FakePrompts m_prompts;

    // With the test buttons and a winning total of 800: six ones, taken and banked.
    void winWithSixOnes(TfrmMain &w)
    {
        rig::roll(w, m_timers);
        rig::setFaces(w, 1);
        rig::clickAllDice(w);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.make());
        m_prompts = FakePrompts();
    }
    void cleanup() { m_folder.remove(); }

    void startsCoveredWithTheClockStopped()
    {
        // The first sight: the cover with Start and Exit, no Continue, round 1, no timer.
        TfrmMain w(m_prompts, m_timers, {});
        QCOMPARE(w.windowTitle(), QStringLiteral("Korvex"));
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(w.surface().btCont()->isHidden());
        QVERIFY(!w.surface().btStart()->isHidden());
        QVERIFY(!w.surface().btExit()->isHidden());
        QVERIFY(!clockRunning(w.game()));
        QCOMPARE(m_timers.activeCount(), 0);
        QCOMPARE(w.surface().eRnd()->text(), QStringLiteral("1"));
        QCOMPARE(w.game().state().RoundNo, 1);
        QCOMPARE(w.outerHeight(), 327);
        // Neither settings file is created by starting.
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("Korvex.cnf"))));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("Korvex.lng"))));
        QCOMPARE(w.surface().lType()->text(), QStringLiteral("Game type:  Normal / 1000"));
        QCOMPARE(w.surface().lYour()->text(), QStringLiteral("Your score:"));
    }

    void cheatSwitch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("height");
        QTest::newRow("none") << QStringList() << 327;
        QTest::newRow("upper") << QStringList{QStringLiteral("/CHEAT")} << 364;
        QTest::newRow("lower") << QStringList{QStringLiteral("/cheat")} << 364;
        QTest::newRow("mixed") << QStringList{QStringLiteral("/ChEaT")} << 364;
        QTest::newRow("second") << QStringList{QStringLiteral("x"), QStringLiteral("/CHEAT")} << 327;
        QTest::newRow("longer") << QStringList{QStringLiteral("/CHEATX")} << 327;
    }
    void cheatSwitch()
    {
        // Only "/CHEAT" as the first argument, in any case, makes room for the test buttons.
        QFETCH(QStringList, args);
        QFETCH(int, height);
        TfrmMain w(m_prompts, m_timers, args);
        QCOMPARE(w.outerHeight(), height);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int clientBottom = w.surface().height();
        if (height == 327)
            QVERIFY2(clientBottom < 288, "the cheat row must be out of sight");
        else
            QVERIFY2(clientBottom >= 313, "the cheat row must be in sight");
    }

    void settingsAndLanguageAreApplied()
    {
        // Type 2 and Winner 3000 from the settings; a language file that renames Exit and a free die.
        rig::writeProgramFile(QStringLiteral("Korvex.cnf"), "[Game]\r\nWinner=3000\r\nType=2\r\n");
        rig::writeProgramFile(QStringLiteral("Korvex.lng"), "[Menu]\r\naExit=Quit now\r\n[DieName]\r\ndieFree=Free die %1 (%2)\r\n");
        TfrmMain w(m_prompts, m_timers, {});
        QCOMPARE(Mnemonics::plainText(action(w, "aExit")), QStringLiteral("Quit now"));
        QCOMPARE(w.surface().dice(2)->accessibleName(), QStringLiteral("Free die 2 (%1)").arg(w.surface().dice(2)->value()));
        QCOMPARE(action(w, "aExit")->text(), QStringLiteral("&Quit now")); // Alt+Q in the menu
        QCOMPARE(w.surface().btExit()->text(), QStringLiteral("Quit now"));
        QCOMPARE(w.surface().lYour()->text(), QStringLiteral("Your time:"));
        QCOMPARE(w.surface().lType()->text(), QStringLiteral("Game type:  Time / 3000"));
        QCOMPARE(w.surface().eValue()->text(), QStringLiteral("Not done yet..."));
        QCOMPARE(w.surface().btRoll()->text(), QStringLiteral("Roll"));
    }

    void objectNames()
    {
        // The controls carry the names the language file, the keys and the screen reader find them by.
        TfrmMain w(m_prompts, m_timers, {});
        const QStringList names{"lType", "RxDice1", "RxDice6", "btRoll", "btDone", "lTime", "lSubTotal",
                                "eSubScore", "lTotal", "eScore", "lRound", "eRnd", "lYour", "eValue",
                                "rg10", "rg5", "Button1", "Button4", "pCover", "btStart", "btExit", "btCont"};
        for (const QString &name : names)
            QVERIFY2(w.findChild<QWidget *>(name), qPrintable(name));
        QCOMPARE(w.surface().eScore()->accessibleName(), QStringLiteral("Total: 0"));
    }

    void phasesThroughAWholeGame()
    {
        // Start, roll, stage rolls, select, bank, win: every phase as the window shows it.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        Game &g = w.game();

        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QVERIFY(w.surface().pCover()->isHidden());
        QVERIFY(clockRunning(g));
        QCOMPARE(g.elapsedSeconds(), 0);

        QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
        QVERIFY(g.rollingDice() > 0);
        QVERIFY(!action(w, "aExit")->isEnabled());
        QVERIFY(!action(w, "aNew")->isEnabled());
        QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        // A bust of the first roll is possible; stage a known roll either way.
        if (g.state().NewRound)
            rig::roll(w, m_timers);
        QVERIFY(action(w, "aExit")->isEnabled());

        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(w.surface().dice(n)->value(), 1);
            rig::clickDie(w, n);
        }
        QVERIFY(!w.surface().rg10()->isHidden());
        QCOMPARE(w.surface().rg10()->title(), QStringLiteral("10 Points"));
        QCOMPARE(w.findChild<QRadioButton *>(QStringLiteral("rg10_0"))->text(), QStringLiteral("Full : 800"));
        QVERIFY(w.findChild<QRadioButton *>(QStringLiteral("rg10_0"))->isChecked());
        QCOMPARE(w.surface().eSubScore()->text(), QLocale().toString(800));
        // Choosing "6 * 10" changes the value at once.
        QTest::mouseClick(w.findChild<QRadioButton *>(QStringLiteral("rg10_4")), Qt::LeftButton);
        QCOMPARE(g.state().SelScore, 60);
        QTest::mouseClick(w.findChild<QRadioButton *>(QStringLiteral("rg10_0")), Qt::LeftButton);
        QCOMPARE(g.state().SelScore, 800);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        QCOMPARE(w.surface().eScore()->text(), QLocale().toString(800));
        QCOMPARE(w.surface().eRnd()->text(), QStringLiteral("2"));
        QVERIFY(w.surface().rg10()->isHidden());

        rig::roll(w, m_timers);
        if (g.state().NewRound) // a bust: try again
            rig::roll(w, m_timers);
        QVERIFY(!g.state().NewRound);
        QTest::mouseClick(w.surface().cheat(2), Qt::LeftButton);
        for (int n = 1; n <= 5; ++n)
            rig::clickDie(w, n);
        QVERIFY(!w.surface().rg5()->isHidden());
        QCOMPARE(g.state().SelScore, 200);
        restoreWith(g, [](auto &s) { s.elapsedSeconds = 42; });
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);

        // The test buttons set the dice: the win's box, then the notice, and no top ten.
        const int win = int(m_prompts.messages.indexOf(QStringLiteral("Congratulation !")));
        QVERIFY(win >= 0);
        QCOMPARE(m_prompts.messages.mid(win), (QStringList{QStringLiteral("Congratulation !"), uiText("msgTestButtons")}));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrT.ini"))));
        // The win is in the statistics, set apart: the test buttons made it.
        QTRY_VERIFY(QFile::exists(Statistics::fileName()));
        const StatsData stats = Statistics::load(Statistics::fileName());
        QCOMPARE(stats.games.size(), 1);
        QCOMPARE(stats.games[0].rounds, 2);
        QCOMPARE(stats.games[0].seconds, 42);
        QCOMPARE(stats.games[0].rating, topTenScore(1000, 2));
        QVERIFY(stats.games[0].testButtons && !stats.games[0].assisted);
        // A fresh game waits behind the cover, and Continue leads into it.
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!w.surface().btCont()->isHidden());
        QVERIFY(!clockRunning(g));
        QCOMPARE(g.state().Total, 0);
        QCOMPARE(g.state().RoundNo, 1);
        QVERIFY(w.surface().btRoll()->isEnabled());
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QVERIFY(w.surface().pCover()->isHidden());
        QCOMPARE(g.elapsedSeconds(), 0);
    }

    void damagedTopTenIsKeptAsideAndTheWinGoesIn()
    {
        // A top-ten file of 85 bytes is reported by name as before; then it
        // is kept aside, a new table takes the win, and the player is told.
        rig::writeProgramFile(QStringLiteral("KVXScrP.ini"), QByteArray(85, 'x'));
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        setRules(g, {800, false});
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        winWithSixOnes(w);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("Congratulation !")));
        QCOMPARE(m_prompts.errors.size(), 1);
        QVERIFY(m_prompts.errors.constFirst().contains(QStringLiteral("KVXScrP.ini")));
        QVERIFY(m_prompts.errors.constFirst().contains(QStringLiteral("Read beyond end of file")));
        const QString aside = ProgramDir::file(QStringLiteral("KVXScrP.ini.damaged"));
        QVERIFY(m_prompts.messages.contains(uiText("ttKeptAside").arg(QDir::toNativeSeparators(aside))));
        QCOMPARE(QFileInfo(aside).size(), qint64(85));
        QCOMPARE(QFileInfo(ProgramDir::file(QStringLiteral("KVXScrP.ini"))).size(), qint64(400));
        QVERIFY(action(w, "aNew")->isEnabled());
    }

    void markupFromFilesAndPlayersIsShownAsText()
    {
        // Markup in every language text, a top-ten name, the name typed and the
        // folder's name (so every file name and error): every window and box
        // shows it as it is, and the win still counts.
        const QString tag = QStringLiteral("<table width=99999>");
        QVERIFY(QDir(m_folder.path()).mkdir(tag));
        ProgramDir::set(m_folder.filePath(tag) + QLatin1Char('/'));
        QList<TRegAuto::Entry> texts;
        for (int i = 0; i < kLanguageCount; ++i)
            texts.append({kLanguageTable[i].section, kLanguageTable[i].key, tag + kLanguageTable[i].englishDefault});
        for (int i = 0; i < kUiTextCount; ++i)
            texts.append({kUiTexts[i].section, kUiTexts[i].key, tag + kUiTexts[i].englishDefault});
        TRegAuto(ProgramDir::file(QStringLiteral("Korvex.lng"))).WriteStrings(texts);
        topTenTable().slot(1) = {50, TopTen::nameBytes(tag), QByteArray("20260101120000")};
        topTenTable().SaveTopTen(1);
        rig::writeProgramFile(QStringLiteral("KVXStats.ini"), QByteArray("\x00\x01 not statistics", 18));
        DialogInspector inspector(tag, tag + QLatin1Char('X'));
        DialogPrompts prompts;
        TfrmMain w(prompts, m_timers, {QStringLiteral("/CHEAT")});
        w.show();
        setRules(w.game(), {800, false});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        winWithSixOnes(w);
        QTRY_COMPARE(Statistics::load(Statistics::fileName()).games.size(), 1);
        topTenTable().LoadTopTen(1);
        QCOMPARE(topTenTable().slot(1).Name, TopTen::nameBytes(tag + QLatin1Char('X')));
        for (const char *open : {"aStatistics", "aAdvisor", "aReview", "aKeys", "aAbout", "aLanguage"})
            action(w, open)->trigger();
        prompts.showError(tag);
        prompts.confirm(tag, tag);
        QCoreApplication::processEvents();
        QVERIFY(inspector.seen >= 8 && w.topten().isVisible());
        for (QWidget *window : QApplication::topLevelWidgets())
            inspector.found << (window->isVisible() ? markupReadIn(window, tag) : QStringList());
        QVERIFY2(inspector.found.isEmpty(), qPrintable(inspector.found.join(QLatin1Char(' '))));
    }

    void aWinKeepsItsReview()
    {
        // Won before the best play is solved: the game goes in at once and its
        // review's figures follow when the solve and the review land; the next
        // win, with the solution at hand, keeps them even when the program
        // closes right after it.
        m_prompts.nameAnswers << QStringLiteral("Tester") << QStringLiteral("Tester");
        auto w = std::make_unique<TfrmMain>(m_prompts, m_timers, QStringList{QStringLiteral("/CHEAT")});
        setRules(w->game(), {800, false});
        QTest::mouseClick(w->surface().btStart(), Qt::LeftButton);
        winWithSixOnes(*w);
        QTRY_COMPARE(Statistics::load(Statistics::fileName()).games.size(), 1);
        QVERIFY(!Statistics::load(Statistics::fileName()).games[0].decisionsLost);
        QVERIFY(w->solver().waitFor({800, false}, 120000));
        QTRY_VERIFY(Statistics::load(Statistics::fileName()).games[0].decisionsLost);
        QTest::mouseClick(w->surface().btCont(), Qt::LeftButton);
        // Continued, the review shows the game just won; once the next is
        // played it offers both.
        action(*w, "aReview")->trigger();
        ReviewWindow *review = w->sideWindows().review();
        QTRY_VERIFY(review->record().won());
        QVERIFY(review->cbGame()->isHidden());
        rig::roll(*w, m_timers);
        QTRY_VERIFY(!review->record().won());
        QVERIFY(review->cbGame()->isVisible());
        review->cbGame()->setCurrentIndex(1);
        emit review->cbGame()->activated(1);
        QTRY_VERIFY(review->record().won());
        review->close();
        rig::setFaces(*w, 1);
        rig::clickAllDice(*w);
        QTest::mouseClick(w->surface().btDone(), Qt::LeftButton);
        w.reset();
        const StatsData d = Statistics::load(Statistics::fileName());
        QCOMPARE(d.games.size(), 2);
        for (const StatsGame &won : d.games) {
            QVERIFY(won.decisionsLost && won.luck);
            QVERIFY(*won.decisionsLost >= 0);
            QVERIFY(!won.testButtons); // staged without the test buttons
        }
    }

    void winsFindingTheStatisticsInUseAreWrittenLater()
    {
        // Another copy holds the statistics past the wait: the wins wait,
        // unannounced, and go in order at the next win once it lets go, or
        // when the window closes.
        QLockFile other(Statistics::fileName() + QStringLiteral(".lock"));
        for (int i = 0; i < 4; ++i)
            m_prompts.nameAnswers << QStringLiteral("Tester");
        auto w = std::make_unique<TfrmMain>(m_prompts, m_timers, QStringList{QStringLiteral("/CHEAT")});
        auto *recorder = w->findChild<StatisticsRecorder *>();
        QVERIFY(recorder);
        setRules(w->game(), {800, false});
        QTest::mouseClick(w->surface().btStart(), Qt::LeftButton);
        {
            const LockWait shortWait(20);
            QVERIFY(other.tryLock(0));
            winWithSixOnes(*w);
            QCOMPARE(recorder->settle(), 1);
            QTest::mouseClick(w->surface().btCont(), Qt::LeftButton);
            winWithSixOnes(*w);
            QVERIFY(recorder->settle() >= 2);
            QVERIFY(!QFile::exists(Statistics::fileName()));
            other.unlock();
        }
        QTest::mouseClick(w->surface().btCont(), Qt::LeftButton);
        winWithSixOnes(*w);
        QCOMPARE(recorder->settle(), 0);
        QCOMPARE(Statistics::load(Statistics::fileName()).games.size(), 3);
        {
            const LockWait shortWait(20);
            QVERIFY(other.tryLock(0));
            QTest::mouseClick(w->surface().btCont(), Qt::LeftButton);
            winWithSixOnes(*w);
            QVERIFY(recorder->settle() >= 1);
            other.unlock();
        }
        w.reset();
        QCOMPARE(Statistics::load(Statistics::fileName()).games.size(), 4);
        QVERIFY2(m_prompts.errors.isEmpty(), qPrintable(m_prompts.errors.join(QLatin1Char('|'))));
    }

    void boxesKeepALongTextOnTheScreen_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"message", "error", "question", "name"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void boxesKeepALongTextOnTheScreen()
    {
        // A language text of 2,047 characters without a space: the box wraps
        // it (and cuts what the screen cannot hold) and stays within the
        // screen, its buttons on it.
        QFETCH(QString, kind);
        const QString text(2047, QLatin1Char('W'));
        DialogPrompts prompts;
        QRect box, room;
        QString shown;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            box = dialog->frameGeometry();
            room = dialog->screen()->availableGeometry();
            for (QLabel *label : dialog->findChildren<QLabel *>())
                if (label->text().size() > shown.size())
                    shown = label->text();
            dialog->reject();
        });
        QString name;
        if (kind == "message")
            prompts.showMessage(text);
        else if (kind == "error")
            prompts.showError(text);
        else if (kind == "question")
            prompts.confirm(QStringLiteral("Korvex"), text);
        else
            prompts.askName(QStringLiteral("HiScore"), text, name);
        QVERIFY(box.isValid());
        QVERIFY(box.width() <= room.width() && box.height() <= room.height());
        // Wrapped, and cut in the middle only as far as the screen needs.
        shown.remove(QChar(0x200B));
        QVERIFY(shown == text
                || (shown.size() > 500 && shown.size() < text.size() && shown.count(QChar(0x2026)) == 1
                    && shown.startsWith(QStringLiteral("WWW")) && shown.endsWith(QStringLiteral("WWW"))));
    }

    void damagedStatisticsAreKeptAsideAtTheWin()
    {
        // The game starts and plays over a damaged statistics file; the win
        // keeps it whole beside a new one and tells the player so.
        const QByteArray damaged("\x00\x01 not statistics", 18);
        rig::writeProgramFile(QStringLiteral("KVXStats.ini"), damaged);
        m_prompts.nameAnswers.enqueue(QStringLiteral("Tester"));
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        setRules(g, {800, false});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QCOMPARE(w.surface().lType()->text(), QStringLiteral("Game type:  Normal / 800")); // a new game names its rules
        winWithSixOnes(w);
        const QString aside = Statistics::fileName() + QStringLiteral(".damaged");
        QTRY_VERIFY2(m_prompts.messages.contains(uiText("statKeptAside").arg(QDir::toNativeSeparators(aside))),
                 qPrintable(m_prompts.messages.join(QLatin1Char('|'))));
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
        const StatsData now = Statistics::load(Statistics::fileName());
        QCOMPARE(now.status, StatsData::Ok);
        QCOMPARE(now.games.size(), 1);
        QCOMPARE(now.games[0].winner, 800);
        QVERIFY(m_prompts.errors.isEmpty());
    }

    void saveAndOpenFromTheMenu()
    {
        // Save right after start-up, open it again: paused, Continue shown,
        // the dialogs titled by their actions, the last name offered again.
        TfrmMain w(m_prompts, m_timers, {});
        const QString path = ProgramDir::file(QStringLiteral("first.KVX"));
        m_prompts.fileAnswers.enqueue(path);
        action(w, "aSave")->trigger();
        QCOMPARE(m_prompts.titles.last(), QStringLiteral("Save Game..."));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 116);
        QCOMPARE(bytes.mid(0, 24), QByteArray(24, '\0'));       // six Free dice
        QCOMPARE(bytes.mid(96, 8), QByteArray(8, '\0'));        // SubScore, Total
        QCOMPARE(bytes.mid(104, 4), QByteArray("\x01\0\0\0", 4)); // round 1
        QCOMPARE(bytes.mid(108, 4), QByteArray(4, '\0'));       // no time yet
        QCOMPARE(bytes.mid(112, 4), QByteArray("\xe8\x03\0\0", 4)); // 1000

        action(w, "aSave")->trigger(); // cancelled
        QCOMPARE(m_prompts.lastSuggested, path);

        m_prompts.fileAnswers.enqueue(path);
        action(w, "aOpen")->trigger();
        QCOMPARE(m_prompts.titles.last(), QStringLiteral("Open Game..."));
        QVERIFY(m_prompts.errors.isEmpty());
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!w.surface().btCont()->isHidden());
        QVERIFY(!clockRunning(w.game()));
    }

    void saveAsksBeforeReplacingAndKeepsOffTheGamesFiles()
    {
        // A file is replaced only after a Yes; the game's own files, named in
        // any case or reached through a link, never, with a message naming them.
        TfrmMain w(m_prompts, m_timers, {});
        rig::writeProgramFile(QStringLiteral("old.KVX"), "old");
        rig::writeProgramFile(QStringLiteral("yes.KVX"), "yes");
        QVERIFY(QFile::link(ProgramDir::file(QStringLiteral("KVXStats.ini")), ProgramDir::file(QStringLiteral("link.KVX"))));
        const QStringList names{QStringLiteral("kvxstats.INI"), QStringLiteral("KORVEX.lng"), QStringLiteral("KVXScrT.ini"),
                                QStringLiteral("KVXRules.de.rtf"), QStringLiteral("link.KVX"), QStringLiteral("old.KVX"),
                                QStringLiteral("yes.KVX"), QStringLiteral("new.KVX")};
        m_prompts.confirmAnswers << false << true;
        for (const QString &name : names) {
            m_prompts.fileAnswers.enqueue(ProgramDir::file(name));
            action(w, "aSave")->trigger();
        }
        QStringList refused;
        for (const QString &name : names.mid(0, 5))
            refused << uiText("saveOwnFile").arg(QDir::toNativeSeparators(ProgramDir::file(name)));
        QCOMPARE(m_prompts.errors, refused);
        QCOMPARE(m_prompts.questions.size(), 2);
        QCOMPARE(m_prompts.questions[0], uiText("saveReplace").arg(QDir::toNativeSeparators(ProgramDir::file(names[5]))));
        QVERIFY(!QFileInfo::exists(ProgramDir::file(QStringLiteral("KVXStats.ini"))));
        QCOMPARE(QFileInfo(ProgramDir::file(QStringLiteral("old.KVX"))).size(), 3);
        QCOMPARE(QFileInfo(ProgramDir::file(QStringLiteral("yes.KVX"))).size(), 116);
        QCOMPARE(QFileInfo(ProgramDir::file(QStringLiteral("new.KVX"))).size(), 116);
    }

    void badSavedGamesChangeNothing()
    {
        // A short file and a failed save end with a message; the game and the earlier file stay.
        TfrmMain w(m_prompts, m_timers, {});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(4000);
        const QString good = ProgramDir::file(QStringLiteral("good.KVX"));
        m_prompts.fileAnswers.enqueue(good);
        action(w, "aSave")->trigger();
        rig::writeProgramFile(QStringLiteral("short.KVX"), QByteArray(115, '\0'));
        const Game::Snapshot before = w.game().snapshot();
        m_prompts.fileAnswers.enqueue(ProgramDir::file(QStringLiteral("short.KVX")));
        action(w, "aOpen")->trigger();
        QCOMPARE(m_prompts.errors.size(), 1);
        QVERIFY(m_prompts.errors.last().contains(QStringLiteral("Read beyond end of file")));
        QVERIFY(m_prompts.errors.last().contains(QStringLiteral("short.KVX")));
        QCOMPARE(w.game().elapsedSeconds(), before.elapsedSeconds);
        QCOMPARE(w.game().state().RoundNo, before.roundNo);

        m_prompts.fileAnswers.enqueue(ProgramDir::file(QStringLiteral("no/such/folder/x.KVX")));
        action(w, "aSave")->trigger();
        QCOMPARE(m_prompts.errors.size(), 2);
        QVERIFY(!w.surface().pCover()->isHidden());
        QFile f(good);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.size(), 116);
    }

    void clockShowsOnTheLabel()
    {
        // The clock label follows the ticks; the cover stops it.
        TfrmMain w(m_prompts, m_timers, {});
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time:"));
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(3000);
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:03"));
        action(w, "aPause")->trigger();
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!w.surface().btCont()->isHidden());
        m_timers.advance(5000);
        QCOMPARE(w.game().elapsedSeconds(), 3);
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        m_timers.advance(999);
        QCOMPARE(w.game().elapsedSeconds(), 3);
        m_timers.advance(1);
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:04"));
        QCOMPARE(PlayingSurface::clockCaption(QStringLiteral("Elapsed:"), 363725), QStringLiteral("Elapsed: 101:02:05"));
    }

    void roundButtonsIgnoreCornersAndDisabledState()
    {
        // A click in the corner of Roll's rectangle rolls nothing.
        TfrmMain w(m_prompts, m_timers, {});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(w.game().rollingDice(), 0);
        QVERIFY(w.game().state().NewRound);
    }

    void settingsDialogFlows()
    {
        // Rules opens General even after Language; Cancel leaves the game paused;
        // Save without change starts no new game; a changed band option does.
        TfrmMain w(m_prompts, m_timers, {});
        w.topten();
        TfrmSetup *setup = &w.setup();
        Game &g = w.game();
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(2000);
        QTabWidget *pages = setup->findChild<QTabWidget *>(QStringLiteral("pcMain"));
        QVERIFY(pages);

        QString shownPage;
        m_prompts.onModal = [&](QDialog &) {
            shownPage = pages->currentWidget()->objectName();
            return int(QDialog::Rejected);
        };
        action(w, "aLanguage")->trigger();
        QCOMPARE(shownPage, QStringLiteral("tsLang"));
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!clockRunning(g));
        action(w, "aRules")->trigger();
        QCOMPARE(shownPage, QStringLiteral("tsGen"));
        QCOMPARE(g.elapsedSeconds(), 2);

        m_prompts.onModal = [&](QDialog &dlg) {
            setup->findChild<QAbstractButton *>(QStringLiteral("btSave"))->click();
            return dlg.result();
        };
        action(w, "aSettings")->trigger();
        QVERIFY(QFile::exists(ProgramDir::file(QStringLiteral("Korvex.lng"))));
        QVERIFY(QFile::exists(ProgramDir::file(QStringLiteral("Korvex.cnf"))));
        QVERIFY(!w.surface().pCover()->isHidden()); // still the same game, paused
        QCOMPARE(g.elapsedSeconds(), 2);

        m_prompts.onModal = [&](QDialog &dlg) {
            setup->findChild<QCheckBox *>(QStringLiteral("eValid"))->setChecked(true);
            setup->findChild<QAbstractButton *>(QStringLiteral("btSave"))->click();
            return dlg.result();
        };
        action(w, "aSettings")->trigger();
        QVERIFY(g.gameSettings().Valid);
        QVERIFY(w.surface().pCover()->isHidden()); // a new game runs
        QVERIFY(clockRunning(g));
        QCOMPARE(g.elapsedSeconds(), 0);
    }

    void languageEditorRenamesTheGame()
    {
        // A text changed in the editor reaches the window after Save.
        TfrmMain w(m_prompts, m_timers, {});
        w.topten();
        TfrmSetup *setup = &w.setup();
        m_prompts.onModal = [&](QDialog &dlg) {
            setup->findChild<QLineEdit *>(QStringLiteral("ebtRoll"))->setText(QStringLiteral("Würfeln"));
            setup->findChild<QLineEdit *>(QStringLiteral("elType"))->setText(QStringLiteral("Spiel:"));
            setup->findChild<QAbstractButton *>(QStringLiteral("btSave"))->click();
            return dlg.result();
        };
        action(w, "aLanguage")->trigger();
        QCOMPARE(w.surface().btRoll()->text(), QStringLiteral("Würfeln"));
        QCOMPARE(w.surface().lType()->text(), QStringLiteral("Spiel: Normal / 1000"));
        // A second window over the same folder reads the same texts.
        TfrmMain again(m_prompts, m_timers, {});
        QCOMPARE(again.surface().btRoll()->text(), QStringLiteral("Würfeln"));
    }

    void statisticsFromTheMenu()
    {
        // Nothing of the statistics is made before the player asks for it.
        TfrmMain w(m_prompts, m_timers, {});
        QVERIFY(!w.sideWindows().statistics());
        QVERIFY(!QFile::exists(Statistics::fileName()));
        QVERIFY(menu(w, "mFile")->actions().contains(action(w, "aStatistics")));
        QCOMPARE(action(w, "aStatistics")->text().remove(QLatin1Char('&')), QStringLiteral("Statistics..."));
        setRules(w.game(), {3000, true});
        action(w, "aStatistics")->trigger();
        QVERIFY(w.sideWindows().statistics() && w.sideWindows().statistics()->isVisible());
        QVERIFY(w.sideWindows().statistics()->shownRules() == (RuleSet{3000, true}));
        QVERIFY(!QFile::exists(Statistics::fileName())); // opening reads, never writes
        w.sideWindows().statistics()->close();
    }

    void practiceLeavesTheGameAlone()
    {
        // A costly bank: ten points kept of six ones that would have won at once.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        setRules(g, {800, false});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        QCOMPARE(w.surface().lType()->text(), QStringLiteral("Game type:  Normal / 800")); // a new game names its rules
        rig::roll(w, m_timers);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        rig::clickDie(w, 1);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        rig::roll(w, m_timers);
        QVERIFY(!w.sideWindows().practice());
        QVERIFY(menu(w, "mTools")->actions().contains(action(w, "aPractice")));
        action(w, "aPractice")->trigger();
        PracticeWindow *p = w.sideWindows().practice();
        QVERIFY(p && p->isVisible());
        QVERIFY(w.solver().waitFor({800, false}, 120000));
        p->setSource(PracticeSource::BuiltIn);
        QTRY_VERIFY_WITH_TIMEOUT(p->hasPosition(), 60000);
        const GameState before = g.state();
        const qint32 seconds = g.elapsedSeconds();
        const PracticeChoice plain = plainPlay(p->position());
        PracticeDie dice[7];
        practiceLayout(p->position(), dice);
        for (int n = 1; n <= 6; ++n) {
            int have[7];
            bool sel[7] = {};
            for (int k = 1; k <= 6; ++k)
                sel[k] = p->die(k)->dieState() == TRxDice::Selected;
            selectedCounts(dice, sel, have);
            if (!dice[n].kept && have[dice[n].face] < plain.keep.count[dice[n].face])
                p->toggleDie(n);
        }
        p->answer(plain.bank);
        QVERIFY(p->answered());
        // Nothing of the game moved: its state, its clock, its assisted mark, its files.
        QVERIFY(!w.sideWindows().assisted());
        QCOMPARE(g.elapsedSeconds(), seconds);
        QCOMPARE(g.state().Total, before.Total);
        QCOMPARE(g.state().SubScore, before.SubScore);
        QCOMPARE(g.state().RoundNo, before.RoundNo);
        QVERIFY(!QFile::exists(Statistics::fileName()));
        // The review of the game keeps its costly bank to practise.
        action(w, "aReview")->trigger();
        QTRY_VERIFY(!PracticeFile::load(PracticeFile::fileName()).mine({800, false}).isEmpty());
        const PracticeData d = PracticeFile::load(PracticeFile::fileName());
        QCOMPARE(d.mine({800, false}).first().total, 0);
        QVERIFY(d.mine({800, false}).first().cost >= PracticeRules::keepFrom);
        w.sideWindows().review()->close();
        p->close();
    }

    void topTenFromTheMenu()
    {
        // The top ten opens beside the game and leaves it running.
        TfrmMain w(m_prompts, m_timers, {});
        TfrmTopten *dlg = &w.topten();
        w.setup();
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        action(w, "aTopTen")->trigger();
        QVERIFY(dlg->isVisible());
        QVERIFY(clockRunning(w.game()));
        QVERIFY(w.surface().pCover()->isHidden());
        QVERIFY(QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
    }

    void minimisingPausesARunningGame_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::newRow("playing") << QStringLiteral("playing");
        QTest::newRow("rolling") << QStringLiteral("rolling");
        QTest::newRow("covered") << QStringLiteral("covered");
    }
    void minimisingPausesARunningGame()
    {
        // The clock does not count while the window is minimised: a running game
        // pauses (a roll under way first ends), and restoring leaves it paused.
        QFETCH(QString, phase);
        TfrmMain w(m_prompts, m_timers, {});
        Game &g = w.game();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (phase != QLatin1String("covered")) {
            QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
            m_timers.advance(2000);
        }
        if (phase == QLatin1String("rolling"))
            QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
        w.setWindowState(Qt::WindowMinimized);
        if (phase == QLatin1String("rolling")) {
            QVERIFY(g.rollingDice() > 0);
            QVERIFY(w.surface().pCover()->isHidden());
            QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        }
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!clockRunning(g));
        // Continue only where there is a game to continue: not before the first Start.
        QCOMPARE(w.surface().btCont()->isHidden(), phase == QLatin1String("covered"));
        const int elapsed = g.elapsedSeconds();
        m_timers.advance(7000);
        w.setWindowState(Qt::WindowNoState);
        m_timers.advance(3000);
        QCOMPARE(g.elapsedSeconds(), elapsed);
        QVERIFY(!w.surface().pCover()->isHidden());
        if (phase != QLatin1String("covered")) {
            QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
            m_timers.advance(1000);
            QCOMPARE(g.elapsedSeconds(), elapsed + 1);
        }
    }

    void openedGameShowsItsOwnTime()
    {
        // Right after Open Game the clock shows the opened game's time, not the previous one's.
        TfrmMain w(m_prompts, m_timers, {});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(4000);
        const QString path = ProgramDir::file(QStringLiteral("four.KVX"));
        m_prompts.fileAnswers.enqueue(path);
        action(w, "aSave")->trigger();
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(9000);
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:09"));
        m_prompts.fileAnswers.enqueue(path);
        action(w, "aOpen")->trigger();
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:04"));
        QTest::mouseClick(w.surface().btCont(), Qt::LeftButton);
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:04"));
        m_timers.advance(1000);
        QCOMPARE(w.surface().lTime()->text(), QStringLiteral("Your time: 00:00:05"));
    }

    void escapeClosesTheTopTenAndCancelsTheSettings()
    {
        TfrmMain w(m_prompts, m_timers, {});
        TfrmTopten *top = &w.topten();
        TfrmSetup *setup = &w.setup();
        w.show();
        top->show();
        top->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(top));
        QTest::keyClick(top, Qt::Key_Escape);
        QVERIFY(!top->isVisible());

        bool cancelled = false;
        m_prompts.onModal = [&](QDialog &dlg) {
            QTimer::singleShot(0, &dlg, [&dlg] { QTest::keyClick(&dlg, Qt::Key_Escape); });
            dlg.exec();
            cancelled = dlg.result() == QDialog::Rejected;
            return dlg.result();
        };
        setRules(w.game(), {3000, false});
        action(w, "aSettings")->trigger();
        QVERIFY(cancelled);
        QVERIFY(!setup->isVisible());
        QCOMPARE(w.game().gameSettings().Winner, 3000);
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("Korvex.cnf"))));
    }

    void nameFieldTakesWhatTheTableKeeps_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString twenty = QStringLiteral("abcdefghijklmnopqrst");
        QTest::newRow("ascii") << twenty + QStringLiteral("uvw") << twenty;
        // Accented letters and the euro sign are one byte each in the table.
        QTest::newRow("cp1252") << QStringLiteral("Jos\u00e9 \u20ac\u00e9\u00e8\u00ea\u00eb\u00e0\u00e2\u00e4\u00f4\u00f6\u00fc\u00fb\u00e7xyz")
                                << QStringLiteral("Jos\u00e9 \u20ac\u00e9\u00e8\u00ea\u00eb\u00e0\u00e2\u00e4\u00f4\u00f6\u00fc\u00fb\u00e7xy");
        // Without a form there a character is one "?", a pair included.
        QTest::newRow("pairs") << QString(12, QChar(0x0151)) + QStringLiteral("\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2")
                               << QString(12, QChar(0x0151)) + QStringLiteral("\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2\U0001F3B2");
    }
    void nameFieldTakesWhatTheTableKeeps()
    {
        // The name query stops at the 20 characters a top-ten entry keeps, typed or pasted.
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        DialogPrompts prompts;
        QString pasted;
        int typedLength = -1;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            auto *field = dlg ? dlg->findChild<QLineEdit *>() : nullptr;
            if (field) {
                field->insert(typed); // a paste
                pasted = field->text();
                field->clear();
                for (const QChar c : typed)
                    QTest::keyClick(field, c.unicode() < 128 ? c.toLatin1() : 'x');
                typedLength = int(field->text().size());
                field->clear();
                field->insert(typed);
            }
            if (QWidget *modal = QApplication::activeModalWidget())
                static_cast<QDialog *>(modal)->accept();
        });
        QString text;
        QVERIFY(prompts.askName(QStringLiteral("HiScore"), QStringLiteral("Type Your name: "), text));
        QCOMPARE(pasted, kept);
        QCOMPARE(typedLength, 20);
        QCOMPARE(text, kept);
    }

    void topTenAndAdvisorAreWindowsOfTheirOwn()
    {
        // Not children of the game (a Wayland compositor would keep the
        // keyboard on them), yet gone with it; the top ten leaves it the keyboard.
        QPointer<QWidget> topten, advisor;
        {
            TfrmMain w(m_prompts, m_timers, {});
            topten = &w.topten();
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            action(w, "aTopTen")->trigger();
            action(w, "aAdvisor")->trigger();
            advisor = w.sideWindows().advisor();
            for (QWidget *own : {topten.data(), advisor.data()}) {
                QVERIFY(own && own->isVisible() && own->isWindow());
                QVERIFY(!own->parentWidget());
                // Under X11 they belong to it all the same, so the window
                // manager keeps them in front of it.
                QCOMPARE(own->windowHandle()->transientParent() != nullptr, !WindowSystem::isWayland());
            }
            // The top ten takes the keys; the advisor leaves them with the game.
            QVERIFY(!topten->testAttribute(Qt::WA_ShowWithoutActivating));
            QVERIFY(advisor->testAttribute(Qt::WA_ShowWithoutActivating));
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
        }
        QVERIFY(!topten);
        QVERIFY(!advisor);
    }

    void displaysHandTheFocusToTheFirstDie()
    {
        // The score displays never keep the focus.
        TfrmMain w(m_prompts, m_timers, {});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        w.surface().eScore()->setFocus(Qt::MouseFocusReason);
        QVERIFY(!w.surface().eScore()->hasFocus());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.surface().dice(1)));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
