// SPDX-License-Identifier: GPL-3.0-or-later
// Playing by keyboard: every game key does what the click it stands for does,
// in every phase, whichever control holds the focus. The cheat buttons are
// clicked with the mouse, and only to stage known rolls; everything the game
// itself is asked to do comes from key presses.
#include "base/ProgramDir.h"
#include "support/WindowRig.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

class TestKeyboard : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    ManualTimerService m_timers;
    FakePrompts m_prompts;

    // A key as the player types it: to whatever control has the focus.
    static void type(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        QVERIFY2(target, "no window takes the keys");
        QTest::keyClick(target, key, mods);
    }
    static int state(TfrmMain &w, int n) { return w.surface().dice(n)->dieState(); }

    // R, then the dice run out on virtual time.
    void rollByKey(TfrmMain &w)
    {
        type(Qt::Key_R);
        QVERIFY(w.game().rollingDice() > 0);
        QVERIFY(rig::settle(w, m_timers));
    }
    void rollScoringByKey(TfrmMain &w) { rig::rollScoring(w, m_timers, [&] { rollByKey(w); }); }
    // Starts from the cover and has a scoring roll on the table.
    void startAndRoll(TfrmMain &w)
    {
        rig::showActive(w);
        type(Qt::Key_Return);
        QVERIFY(w.surface().pCover()->isHidden());
        rollScoringByKey(w);
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.make());
        m_prompts = FakePrompts();
    }
    void cleanup() { m_folder.remove(); }

    void wholeGameToTheWinByKeys()
    {
        // Enter, R, digits, arrows in a choice list, D and Enter carry a game
        // from the cover to the win and into the next game.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        w.buildDialogs();
        m_prompts.nameAnswers.enqueue(QStringLiteral("Keys"));
        Game &g = w.game();
        rig::showActive(w);

        QVERIFY(!w.surface().pCover()->isHidden());
        type(Qt::Key_Return);
        QVERIFY(w.surface().pCover()->isHidden());
        QVERIFY(clockRunning(g));

        rollScoringByKey(w);
        rig::setFaces(w, 1); // six ones, staged so the win still goes into the top ten
        for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6})
            type(k);
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(state(w, n), int(TRxDice::Selected));
        QVERIFY(!w.surface().rg10()->isHidden());
        QCOMPARE(g.state().SelScore, 800);

        // Tab leads into the list; the arrows pick another valuation there.
        QRadioButton *full = w.surface().choice(0, 0);
        for (int i = 0; i < 12 && QApplication::focusWidget() != full; ++i)
            type(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(full));
        type(Qt::Key_Down);
        QVERIFY(w.surface().choice(0, 1)->isChecked());
        QCOMPARE(g.state().SelScore, 410);
        type(Qt::Key_Up);
        QVERIFY(full->isChecked());
        QCOMPARE(g.state().SelScore, 800);

        // D banks, even with the focus in the list.
        type(Qt::Key_D);
        QCOMPARE(g.state().Total, 800);
        QCOMPARE(g.state().RoundNo, 2);
        QVERIFY(w.surface().rg10()->isHidden());

        rollScoringByKey(w);
        rig::setFaces(w, 2); // six fives
        for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5})
            type(k);
        QCOMPARE(g.state().SelScore, 200);
        QVERIFY(!w.surface().rg5()->isHidden());

        // While the top-ten check runs, Roll and Done are off and so are R, D and Enter.
        bool checkedDuringWin = false;
        m_prompts.onMessage = [&](const QString &text) {
            if (text != QStringLiteral("You have a new high score!"))
                return;
            checkedDuringWin = true;
            QVERIFY(!w.surface().btRoll()->isEnabled());
            const int shown = m_prompts.messages.size();
            for (Qt::Key k : {Qt::Key_R, Qt::Key_D, Qt::Key_Return})
                QTest::keyClick(&w, k);
            QCOMPARE(g.rollingDice(), 0);
            QCOMPARE(m_prompts.messages.size(), shown);
        };
        type(Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(checkedDuringWin);
        QVERIFY(m_prompts.messages.contains(QStringLiteral("Congratulation !")));
        QCOMPARE(g.state().Total, 0); // the next game is prepared
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!w.surface().btCont()->isHidden());

        // Enter on the cover now continues into the fresh game.
        type(Qt::Key_Return);
        QVERIFY(w.surface().pCover()->isHidden());
        QVERIFY(clockRunning(g));
        QCOMPARE(g.state().RoundNo, 1);
    }

    void coverTakesOnlyEnter()
    {
        // Behind the cover the dice, Roll and Done cannot be reached, by key neither.
        TfrmMain w(m_prompts, m_timers, {});
        Game &g = w.game();
        rig::showActive(w);
        for (Qt::Key k : {Qt::Key_1, Qt::Key_6, Qt::Key_R, Qt::Key_D})
            type(k);
        QVERIFY(!w.surface().pCover()->isHidden());
        QCOMPARE(g.rollingDice(), 0);
        QVERIFY(!clockRunning(g));
        QVERIFY(m_prompts.messages.isEmpty());

        // Start; pause with points on the board; then Enter is Continue, not a new game.
        type(Qt::Key_Return);
        rollScoringByKey(w);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        type(Qt::Key_1);
        type(Qt::Key_D);
        QCOMPARE(g.state().Total, 10);
        m_timers.advance(3000);
        const int elapsed = g.elapsedSeconds();
        action(w, "aPause")->trigger();
        QVERIFY(!w.surface().btCont()->isHidden());
        type(Qt::Key_1);
        type(Qt::Key_R);
        QCOMPARE(g.rollingDice(), 0);
        type(Qt::Key_Return);
        QVERIFY(w.surface().pCover()->isHidden());
        QCOMPARE(g.state().Total, 10);
        QCOMPARE(g.elapsedSeconds(), elapsed);
        QVERIFY(clockRunning(g));
    }

    void keysDuringARollActAsClicksWould()
    {
        // While the dice turn: digits and D are ignored; R is refused as a
        // click on Roll is, with the message; the menu (Alt+X) is off.
        TfrmMain w(m_prompts, m_timers, {});
        Game &g = w.game();
        QSignalSpy exits(&w, &TfrmMain::exitRequested);
        rig::showActive(w);
        type(Qt::Key_Return);
        type(Qt::Key_R);
        QVERIFY(g.rollingDice() > 0);
        const int subScore = g.state().SubScore;
        for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_D})
            type(k);
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(state(w, n), int(TRxDice::Free));
        QCOMPARE(g.state().SubScore, subScore);
        QVERIFY(g.rollingDice() > 0);
        type(Qt::Key_X, Qt::AltModifier);
        QCOMPARE(exits.count(), 0);

        type(Qt::Key_R);
        QCOMPARE(m_prompts.messages, QStringList{QStringLiteral("You did'n selected any dice !")});
        QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
        QCOMPARE(m_prompts.messages.size(), 2);
        QCOMPARE(m_prompts.messages.at(1), m_prompts.messages.at(0));
        QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
    }

    void keysMatchClicksAfterARoll()
    {
        // The same key sequence and the same click sequence from the same
        // staged table end in the same state.
        auto play = [this](bool byKey) {
            TfrmMain w(m_prompts, m_timers, {});
            startAndRoll(w);
            QTest::mouseClick(w.surface().cheat(4), Qt::LeftButton); // staging: 1, 1, 1, 5, 5, 5
            const int dice[] = {2, 4, 2, 1, 3, 6};
            for (int n : dice) {
                if (byKey)
                    type(Qt::Key(Qt::Key_0 + n));
                else
                    QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
            }
            QStringList seen;
            for (int n = 1; n <= 6; ++n)
                seen << QString::number(state(w, n));
            seen << QString::number(w.game().state().SelScore) << QString::number(w.surface().rg10()->isVisible())
                 << QString::number(w.surface().rg5()->isVisible());
            if (byKey)
                type(Qt::Key_R);
            else
                QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
            seen << QString::number(w.game().state().SubScore) << QString::number(w.game().rollingDice());
            m_timers.runUntil([&w] { return w.game().rollingDice() == 0; });
            return seen;
        };
        const QStringList clicks = play(false);
        const QStringList keys = play(true);
        QCOMPARE(keys, clicks);
        // Two ones and two fives as singles; die 2 was selected and let go again.
        QCOMPARE(clicks.mid(0, 7), QStringList({"1", "0", "1", "1", "0", "1", "30"}));
    }

    void keysReachTheWindowFromEveryControl_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("die") << QStringLiteral("RxDice3");
        QTest::newRow("round button") << QStringLiteral("btDone");
        QTest::newRow("cheat button") << QStringLiteral("Button2");
        QTest::newRow("choice list") << QStringLiteral("rg10_0");
    }
    void keysReachTheWindowFromEveryControl()
    {
        // Digits, R and D work whichever control holds the focus.
        QFETCH(QString, focus);
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        startAndRoll(w);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        for (int n = 1; n <= 3; ++n)
            QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
        QVERIFY(!w.surface().rg10()->isHidden());
        QWidget *target = w.findChild<QWidget *>(focus);
        QVERIFY(target);
        target->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), target);

        // Down and Up pick a valuation of the list shown; the entry takes the focus.
        type(Qt::Key_Down);
        QCOMPARE(g.state().SelScore, 30);
        QVERIFY(w.surface().choice(0, 1)->hasFocus());
        type(Qt::Key_Up);
        QCOMPARE(g.state().SelScore, 100);
        target->setFocus(Qt::TabFocusReason);

        type(Qt::Key_4);
        QCOMPARE(state(w, 4), int(TRxDice::Selected));
        QCOMPARE(g.state().SelScore, 200);
        type(Qt::Key_4);
        QCOMPARE(state(w, 4), int(TRxDice::Free));
        type(Qt::Key_R);
        QVERIFY(g.rollingDice() > 0);
        QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        if (g.state().NewRound)
            return; // the roll after the set was a bust: the round is over
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        if (QApplication::focusWidget() != target && target->isVisible())
            target->setFocus(Qt::TabFocusReason);
        const int total = g.state().Total;
        type(Qt::Key_D);
        QCOMPARE(g.state().Total, total + 100);
    }

    void upAndDownMoveBetweenTheDiceWithoutAList()
    {
        TfrmMain w(m_prompts, m_timers, {});
        startAndRoll(w);
        w.surface().dice(2)->setFocus(Qt::TabFocusReason);
        type(Qt::Key_Down);
        QVERIFY(w.surface().dice(3)->hasFocus());
    }

    void enterOnAPushButtonIsDone()
    {
        // Enter on a cheat button (a push button outside a dialog) is Done, not a press.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        startAndRoll(w);
        QTest::mouseClick(w.surface().cheat(2), Qt::LeftButton);
        type(Qt::Key_6);
        w.surface().cheat(3)->setFocus(Qt::TabFocusReason);
        type(Qt::Key_Return);
        QCOMPARE(g.state().Total, 5);
        QCOMPARE(w.surface().dice(1)->value(), 5); // Button3 would have staged threes
    }

    void heldKeysDoNotRepeat()
    {
        // A held digit is one click, not a toggle per repeat.
        TfrmMain w(m_prompts, m_timers, {});
        startAndRoll(w);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        type(Qt::Key_2);
        QCOMPARE(state(w, 2), int(TRxDice::Selected));
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"), true);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : &w, &repeat);
        QCOMPARE(state(w, 2), int(TRxDice::Selected));
        QKeyEvent repeatRoll(QEvent::KeyPress, Qt::Key_R, Qt::NoModifier, QStringLiteral("r"), true);
        QApplication::sendEvent(&w, &repeatRoll);
        QCOMPARE(w.game().rollingDice(), 0);
    }

    void standardKeysInEveryPhase_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("phase"); // cover, playing or rolling
        QTest::addColumn<QString>("effect");
        const struct { const char *name; int key; int mods; const char *effect; } keys[] = {
            {"Ctrl+N", Qt::Key_N, Qt::ControlModifier, "new"},
            {"Ctrl+O", Qt::Key_O, Qt::ControlModifier, "open"},
            {"Ctrl+S", Qt::Key_S, Qt::ControlModifier, "save"},
            {"Ctrl+Q", Qt::Key_Q, Qt::ControlModifier, "exit"},
            {"F1", Qt::Key_F1, Qt::NoModifier, "rules"},
            {"P", Qt::Key_P, Qt::NoModifier, "pause"},
            {"Pause", Qt::Key_Pause, Qt::NoModifier, "pause"},
        };
        for (const auto &k : keys) {
            QTest::addRow("%s playing", k.name) << k.key << k.mods << "playing" << k.effect;
            // While the dice roll the menu is off, and every shortcut with it.
            QTest::addRow("%s rolling", k.name) << k.key << k.mods << "rolling" << "none";
        }
        QTest::addRow("Ctrl+N cover") << int(Qt::Key_N) << int(Qt::ControlModifier) << "cover" << "new";
        QTest::addRow("P cover") << int(Qt::Key_P) << int(Qt::NoModifier) << "cover" << "cover";
    }
    void standardKeysInEveryPhase()
    {
        // Each standard key does what its menu command does, and nothing while the dice roll.
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, phase);
        QFETCH(QString, effect);
        TfrmMain w(m_prompts, m_timers, {});
        w.buildDialogs();
        Game &g = w.game();
        QSignalSpy exits(&w, &TfrmMain::exitRequested);
        rig::showActive(w);
        if (phase != QLatin1String("cover")) {
            type(Qt::Key_Return);
            m_timers.advance(3000);
            QCOMPARE(g.elapsedSeconds(), 3);
        }
        if (phase == QLatin1String("rolling")) {
            type(Qt::Key_R);
            QVERIFY(g.rollingDice() > 0);
        }
        int answered = -1;
        m_prompts.onModal = [&answered](QDialog &dlg) {
            answered = dlg.findChild<QTabWidget *>() ? dlg.findChild<QTabWidget *>()->currentIndex() : -2;
            return int(QDialog::Rejected);
        };
        type(Qt::Key(key), Qt::KeyboardModifiers(mods));
        if (phase == QLatin1String("rolling")) {
            QVERIFY(g.rollingDice() > 0); // the key changed nothing in the roll
            QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        }

        QString seen = QStringLiteral("none");
        if (exits.count() == 1)
            seen = QStringLiteral("exit");
        else if (!m_prompts.titles.isEmpty())
            seen = m_prompts.titles.last() == Mnemonics::plainText(action(w, "aOpen")) ? QStringLiteral("open") : QStringLiteral("save");
        else if (answered == 0)
            seen = QStringLiteral("rules"); // the settings dialog on its General page
        else if (w.surface().pCover()->isHidden() && g.elapsedSeconds() == 0 && g.state().RoundNo == 1 && clockRunning(g))
            seen = QStringLiteral("new");
        else if (!w.surface().pCover()->isHidden() && phase != QLatin1String("cover"))
            seen = QStringLiteral("pause");
        else if (!w.surface().pCover()->isHidden())
            seen = w.surface().btCont()->isHidden() ? QStringLiteral("none") : QStringLiteral("cover");
        QCOMPARE(seen, effect);
        QVERIFY(m_prompts.questions.isEmpty()); // leaving asks nothing either
        if (phase == QLatin1String("rolling")) {
            QVERIFY(clockRunning(g)); // the clock ran on through the roll
            QVERIFY(g.elapsedSeconds() >= 3);
        } else if (effect != QLatin1String("new") && phase != QLatin1String("cover")) {
            QCOMPARE(g.elapsedSeconds(), 3);
        }
        if (effect == QLatin1String("pause") || effect == QLatin1String("open") || effect == QLatin1String("save")
            || effect == QLatin1String("rules"))
            QVERIFY(!clockRunning(g));
    }

    void shortcutsShowBesideTheirCommands()
    {
        // The menus show each command's keys, and the Help menu follows Tools.
        TfrmMain w(m_prompts, m_timers, {});
        const QList<QPair<QAction *, QString>> expected{
            {action(w, "aNew"), QStringLiteral("Ctrl+N")},  {action(w, "aOpen"), QStringLiteral("Ctrl+O")},
            {action(w, "aSave"), QStringLiteral("Ctrl+S")}, {action(w, "aRules"), QStringLiteral("F1")},
            {action(w, "aExit"), QStringLiteral("Alt+X")},  {action(w, "aPause"), QStringLiteral("P")},
        };
        for (const auto &[action, keys] : expected)
            QCOMPARE(action->shortcut().toString(), keys);
        QVERIFY(action(w, "aExit")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
        QVERIFY(action(w, "aPause")->shortcuts().contains(QKeySequence(Qt::Key_Pause)));
        const QList<QAction *> bar = w.menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar.at(2)->menu(), menu(w, "mHelp"));
        QCOMPARE(Mnemonics::plainText(menu(w, "mHelp")), QStringLiteral("Help"));
        QVERIFY(menu(w, "mHelp")->actions().contains(action(w, "aRules")));
        QVERIFY(menu(w, "mHelp")->actions().contains(action(w, "aKeys")));
        QVERIFY(menu(w, "mHelp")->actions().contains(action(w, "aAbout")));
    }

    void helpDialogsPauseAndTellEveryKey()
    {
        // Keyboard Shortcuts lists every key with its command; About names the
        // version and the licence. Both pause the game first, as every dialog does.
        TfrmMain w(m_prompts, m_timers, {});
        Game &g = w.game();
        rig::showActive(w);
        type(Qt::Key_Return);
        QStringList keysShown, doesShown;
        QString about;
        m_prompts.onModal = [&](QDialog &dlg) {
            if (auto *table = dlg.findChild<QTableWidget *>()) {
                for (int r = 0; r < table->rowCount(); ++r) {
                    keysShown << table->item(r, 0)->text();
                    doesShown << table->item(r, 1)->text();
                }
            } else if (auto *box = qobject_cast<QMessageBox *>(&dlg)) {
                about = box->windowTitle() + QLatin1Char('|') + box->text();
            }
            return int(QDialog::Rejected);
        };
        action(w, "aKeys")->trigger();
        QVERIFY(!w.surface().pCover()->isHidden());
        QVERIFY(!clockRunning(g));
        for (const char *k : {"1 to 6", "R", "D, Enter", "Enter", "Arrow keys", "P, Pause", "Ctrl+N", "Ctrl+O",
                              "Ctrl+S", "F1", "Alt+X, Ctrl+Q", "Esc", "S", "Arrow keys, Space on a die"})
            QVERIFY2(keysShown.contains(QString::fromLatin1(k)), k);
        QCOMPARE(keysShown.size(), doesShown.size());
        QVERIFY(doesShown.contains(QStringLiteral("Open Game")));
        QVERIFY(!doesShown.contains(QString()));

        action(w, "aAbout")->trigger();
        QVERIFY(about.startsWith(QStringLiteral("About Korvex|")));
        QVERIFY(about.contains(QStringLiteral("Korvex " KORVEX_VERSION)));
        QVERIFY(about.contains(QStringLiteral("GPL-3.0-or-later")));
    }

    void modifiedKeysAreNotGameKeys()
    {
        // Alt, Ctrl and Meta combinations stay with the menu and the shortcuts.
        TfrmMain w(m_prompts, m_timers, {});
        Game &g = w.game();
        QSignalSpy exits(&w, &TfrmMain::exitRequested);
        startAndRoll(w);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        type(Qt::Key_1, Qt::AltModifier);
        type(Qt::Key_1, Qt::ControlModifier);
        type(Qt::Key_R, Qt::ControlModifier);
        type(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(state(w, 1), int(TRxDice::Free));
        QCOMPARE(g.rollingDice(), 0);
        QVERIFY(m_prompts.messages.isEmpty());
        // Shift does not hide a letter: Shift+R is R.
        type(Qt::Key_1);
        type(Qt::Key_R, Qt::ShiftModifier);
        QVERIFY(g.rollingDice() > 0);
        QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        type(Qt::Key_X, Qt::AltModifier);
        QCOMPARE(exits.count(), 1);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
