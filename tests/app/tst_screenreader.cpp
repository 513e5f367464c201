// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader learns from the main window: the dice by number, face
// and state; the displays by caption and value; every roll and every message
// as an event.
#include "app/Announcer.h"
#include "base/ProgramDir.h"
#include "game/GameRandom.h"
#include "support/WindowRig.h"
#include "widgets/Prompts.h"
#include "support/AccessibilityRecorder.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QPushButton>
#include <QtTest>

class TestScreenReader : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    ManualTimerService m_timers;
    FakePrompts m_prompts;
    bool m_listening = false;

    // What an assistive tool reads from an object.
    static QString said(QObject *o, QAccessible::Text what = QAccessible::Name)
    {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(o);
        return iface ? iface->text(what) : QString();
    }
    static QStringList diceNames(TfrmMain &w)
    {
        QStringList names;
        for (int n = 1; n <= 6; ++n)
            names << said(w.surface().dice(n));
        return names;
    }

private slots:
    void initTestCase() { m_listening = AccessibilityRecorder::start(); }
    void init()
    {
        QVERIFY(m_folder.make());
        m_prompts = FakePrompts();
        AccessibilityRecorder::clear();
    }
    void cleanup() { m_folder.remove(); }

    void diceNamesAfterAStagedRollAndASelection()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        rig::stage(w, m_timers, 4); // 1, 1, 1, 5, 5, 5
        QCOMPARE(diceNames(w), QStringList({"Die 1: 1, free", "Die 2: 1, free", "Die 3: 1, free",
                                            "Die 4: 5, free", "Die 5: 5, free", "Die 6: 5, free"}));
        AccessibilityRecorder::clear();
        QTest::mouseClick(w.surface().dice(5), Qt::LeftButton);
        QTest::mouseClick(w.surface().dice(2), Qt::LeftButton);
        QCOMPARE(said(w.surface().dice(5)), QStringLiteral("Die 5: 5, selected"));
        QCOMPARE(said(w.surface().dice(2)), QStringLiteral("Die 2: 1, selected"));
        QCOMPARE(said(w.surface().dice(1)), QStringLiteral("Die 1: 1, free"));
        // Letting a die go again says so.
        QTest::mouseClick(w.surface().dice(2), Qt::LeftButton);
        QCOMPARE(said(w.surface().dice(2)), QStringLiteral("Die 2: 1, free"));
        // Rolling on keeps the selection: kept, and the other dice show their new faces.
        QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
        QCOMPARE(said(w.surface().dice(5)), QStringLiteral("Die 5: 5, kept"));
        QVERIFY(m_timers.runUntil([&w] { return w.game().rollingDice() == 0; }));
        for (int n = 1; n <= 6; ++n) {
            const QString state = n == 5 ? QStringLiteral("kept") : QStringLiteral("free");
            QCOMPARE(said(w.surface().dice(n)),
                     QStringLiteral("Die %1: %2, %3").arg(n).arg(w.surface().dice(n)->value()).arg(state));
        }

        if (!m_listening)
            return;
        // Each change of a die reached the listeners with the new name.
        QStringList names;
        for (const auto &e : AccessibilityRecorder::of(QAccessible::NameChanged, w.surface().dice(2)))
            if (names.isEmpty() || names.last() != e.name)
                names << e.name;
        QCOMPARE(names.mid(0, 2), QStringList({"Die 2: 1, selected", "Die 2: 1, free"}));
    }

    void displaysAreNamedByTheirCaptionsAndTheirValues()
    {
        // Flat review reads each display as "caption value"; an action that
        // leaves a display unchanged sends nothing for it.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QCOMPARE(said(w.surface().eScore()), QStringLiteral("Total: 0"));
        QCOMPARE(said(w.surface().eSubScore()), QStringLiteral("Subtotal: 0"));
        QCOMPARE(said(w.surface().eRnd()), QStringLiteral("Round: 1"));
        QCOMPARE(said(w.surface().eValue()), QStringLiteral("Your score: 0"));

        rig::stage(w, m_timers, 1);
        AccessibilityRecorder::clear();
        rig::clickAllDice(w);
        QCOMPARE(said(w.surface().eSubScore()), QStringLiteral("Subtotal: ") + QLocale().toString(800));
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        QCOMPARE(said(w.surface().eScore()), QStringLiteral("Total: ") + QLocale().toString(800));
        QCOMPARE(said(w.surface().eRnd()), QStringLiteral("Round: 2"));
        QCOMPARE(said(w.surface().eValue()), QStringLiteral("Your score: 80000"));
        if (m_listening) {
            for (QLabel *display : {w.surface().eScore(), w.surface().eSubScore(), w.surface().eRnd(), w.surface().eValue()}) {
                QVERIFY(AccessibilityRecorder::of(QAccessible::DescriptionChanged, display).isEmpty());
                QStringList names;
                for (const auto &e : AccessibilityRecorder::of(QAccessible::NameChanged, display))
                    names << e.name;
                QCOMPARE(names.size(), QSet<QString>(names.cbegin(), names.cend()).size()); // each value once
            }
        }

        // A new language renames the displays with their captions.
        rig::writeProgramFile(QStringLiteral("Korvex.lng"), "[Label]\r\nlTotal=Summe:\r\nlRound=Runde:\r\nlSubTotal=Zwischensumme:\r\n");
        w.loadLanguage();
        action(w, "aPause")->trigger();
        QCOMPARE(said(w.surface().eScore()), QStringLiteral("Summe: ") + QLocale().toString(800));
        QCOMPARE(said(w.surface().eRnd()), QStringLiteral("Runde: 2"));
    }

    void everyResultIsSpokenInItsOrder()
    {
        // What a listener hears, the game's messages in brackets: the faces
        // of every roll before anything the roll brings, a selection with its
        // subtotal, a bank with the total and round.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QStringList heard;
        w.show(); // news appears only in a window on the screen
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        connect(w.narrator().announcer(), &Announcer::said, &w, [&heard](const QString &t) { heard << t; });
        m_prompts.onMessage = [&heard](const QString &t) { heard << QLatin1Char('[') + t + QLatin1Char(']'); };
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        rig::roll(w, m_timers);
        QStringList faces;
        for (int n = 1; n <= 6; ++n)
            faces << QString::number(w.surface().dice(n)->value());
        QVERIFY(!heard.isEmpty());
        QCOMPARE(heard.first(), QStringLiteral("Rolled %1.").arg(faces.join(QStringLiteral(", "))));
        if (w.game().state().NewRound) // a bust: its message and the loss follow the faces
            QCOMPARE(heard.mid(1), QStringList({"[Ooops ! This is -100 point!]", "Round lost; total -100, round 2."}));
        else
            QCOMPARE(heard.size(), 1);

        rig::rollScoring(w, m_timers);
        heard.clear();
        QTest::mouseClick(w.surface().cheat(4), Qt::LeftButton); // 1, 1, 1, 5, 5, 5
        for (Qt::Key k : {Qt::Key_5, Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_5})
            QTest::keyClick(&w, k);
        QCOMPARE(heard, QStringList({"Rolled 1, 1, 1, 5, 5, 5.",
                                     "Die 5 (5) selected, subtotal 5.",
                                     "Die 1 (1) selected, subtotal 15.",
                                     "Die 2 (1) selected, subtotal 25.",
                                     "Die 3 (1) selected, subtotal 105. "
                                     "10 Points: choose with Tab and the arrow keys; now Full : 100: 100.",
                                     "Die 5 (5) released, subtotal 100."}));
        heard.clear();
        QTest::keyClick(&w, Qt::Key_D);
        const qint32 total = w.game().state().Total;
        QCOMPARE(heard, QStringList{QStringLiteral("Banked 100; total %1, round %2.")
                                            .arg(QLocale().toString(total))
                                            .arg(w.game().state().RoundNo)});

        // Rolling on names only the dice rolled; a bust then speaks its message and the loss.
        rig::rollScoring(w, m_timers);
        QTest::mouseClick(w.surface().cheat(4), Qt::LeftButton);
        QTest::keyClick(&w, Qt::Key_4);
        heard.clear();
        rig::roll(w, m_timers);
        QVERIFY2(heard.value(0).startsWith(QStringLiteral("Rolled dice 1, 2, 3, 5, 6: ")), qPrintable(heard.value(0)));
        if (w.game().state().NewRound) {
            QCOMPARE(heard.mid(1), QStringList({"[You failed this round...]",
                                                QStringLiteral("Round lost; total %1, round %2.")
                                                        .arg(QLocale().toString(total))
                                                        .arg(w.game().state().RoundNo)}));
        }
        if (!m_listening)
            return;
        // Each piece of news reaches the listeners as a notification appearing.
        const auto shown = AccessibilityRecorder::of(QAccessible::ObjectShow, w.narrator().announcer());
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().name, w.narrator().announcer()->text());
        QCOMPARE(QAccessible::queryAccessibleInterface(w.narrator().announcer())->role(), QAccessible::Notification);
    }

    void whatADieKeyCannotDoIsSaid_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("die");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("before the first roll") << QString() << 1 << QStringLiteral("Roll first.");
        QTest::newRow("kept") << QStringLiteral("kept") << 4
                              << QStringLiteral("Die 4 (5) is kept from an earlier roll.");
    }
    void whatADieKeyCannotDoIsSaid()
    {
        QFETCH(QString, stage);
        QFETCH(int, die);
        QFETCH(QString, spoken);
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        if (stage == QLatin1String("kept")) {
            rig::rollScoring(w, m_timers);
            QTest::mouseClick(w.surface().cheat(4), Qt::LeftButton);
            QTest::keyClick(&w, Qt::Key_4);
            rig::roll(w, m_timers);
            if (w.game().state().NewRound)
                return; // the roll on was a bust: nothing is kept any more
        }
        QTest::keyClick(&w, Qt::Key(Qt::Key_0 + die));
        QCOMPARE(w.narrator().announcer()->text(), spoken);
    }

    void aFaceThatScoresOnlyInASetSaysSo()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        rig::stage(w, m_timers, 0);
        w.game().stageRoll([](int n) { return n == 4 ? 3 : n < 4 ? 1 : 5; }); // one three among ones and fives
        QTest::keyClick(&w, Qt::Key_4);
        QCOMPARE(w.narrator().announcer()->text(),
                 QStringLiteral("Die 4 (3) cannot be taken: it scores only in a set of three or more."));
        QCOMPARE(w.surface().dice(4)->dieState(), int(TRxDice::Free));
        // Of four, a click takes the first three as a set.
        w.game().stageRoll([](int n) { return n <= 4 ? 3 : 5; });
        QTest::keyClick(&w, Qt::Key_4);
        QCOMPARE(w.narrator().announcer()->text(), QStringLiteral("Dice 1, 2, 3 (3, 3, 3) selected, subtotal 30."));
    }

    void choiceEntriesTellTheirPointsAndSpeakTheSubtotal()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        rig::stage(w, m_timers, 1); // six ones
        for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4})
            QTest::keyClick(&w, k);
        auto *second = w.findChild<QRadioButton *>(QStringLiteral("rg10_1"));
        QVERIFY(second);
        QCOMPARE(said(second), QStringLiteral("100 + (1 * 10): 110"));
        QTest::mouseClick(second, Qt::LeftButton);
        QCOMPARE(w.narrator().announcer()->text(), QStringLiteral("100 + (1 * 10): 110, subtotal 110."));
    }

    void narrationNeedsNoWindow()
    {
        // The narrator hears the engine alone: a roll's faces once the dice stop.
        GameRandom random;
        Game g(m_timers, random);
        GamePresenter presenter(g, m_prompts);
        Announcer announcer(nullptr);
        Narrator narrator(presenter, &announcer, [] { return QStringLiteral("Your score:"); });
        QStringList heard;
        connect(&announcer, &Announcer::said, &announcer, [&heard](const QString &t) { heard << t; });
        g.prepareGame();
        g.newGame();
        narrator.rollPressed();
        g.roll();
        QVERIFY(heard.isEmpty());
        QVERIFY(m_timers.runUntil([&heard] { return !heard.isEmpty(); }));
        QVERIFY2(heard.first().startsWith(QStringLiteral("Rolled ")), qPrintable(heard.first()));
        // Six ones taken: the engine says all six roll again.
        g.stageRoll([&](int) { return 1; });
        for (int n = 1; n <= 6; ++n)
            g.clickDie(n);
        g.roll();
        QVERIFY(m_timers.runUntil([&g] { return g.rollingDice() == 0; }));
        QVERIFY2(heard.last().startsWith(QStringLiteral("Hot dice, all six roll again. Rolled ")), qPrintable(heard.last()));
        QVERIFY(narrator.stateSpoken().contains(QStringLiteral("Your score: ")));
    }

    void stateOnDemand()
    {
        // S speaks the whole state, the clock as words.
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
        m_timers.advance(252000);
        QTest::keyClick(&w, Qt::Key_S);
        QCOMPARE(w.narrator().announcer()->text(),
                 QStringLiteral("Total 0, round 1, subtotal 0, Your score: 0, time 4 minutes 12 seconds."));
        QCOMPARE(Narrator::spokenTime(1), QStringLiteral("1 second"));
        QCOMPARE(Narrator::spokenTime(3661), QStringLiteral("1 hour 1 minute 1 second"));
        QCOMPARE(Narrator::spokenTime(7200), QStringLiteral("2 hours 0 minutes 0 seconds"));
    }

    void focusStaysOnWhatCanBeSeen_data()
    {
        QTest::addColumn<bool>("cheat");
        QTest::newRow("normal height") << false;
        QTest::newRow("/CHEAT") << true;
    }
    void focusStaysOnWhatCanBeSeen()
    {
        // The cover keeps Tab among its buttons; in play Tab goes dice, Roll,
        // Done, and reaches the test buttons only where the window shows them.
        QFETCH(bool, cheat);
        TfrmMain w(m_prompts, m_timers, cheat ? QStringList{QStringLiteral("/CHEAT")} : QStringList{});
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.surface().btStart()));
        QSet<QString> visited;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QSet<QString>({"btStart", "btExit"}));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QStringList order;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        const QStringList game{"RxDice1", "RxDice2", "RxDice3", "RxDice4", "RxDice5", "RxDice6", "btRoll", "btDone"};
        if (cheat) {
            QVERIFY(order.contains(QStringLiteral("Button1")));
        } else {
            for (const QString &name : order)
                QVERIFY2(game.contains(name), qPrintable(name));
        }
        // The arrows go from die to die, Space takes a die as its number does.
        w.surface().dice(6)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.surface().dice(6), Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.surface().dice(1)));
        QTest::keyClick(w.surface().dice(1), Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.surface().dice(6)));

        // A pause puts the focus on Continue; nothing under the cover keeps it.
        action(w, "aPause")->trigger();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.surface().btCont()));
        QVERIFY(!w.surface().cheat(1)->focusPolicy());
    }

    void aBoxMovedInSightSaysWhereItNowStands()
    {
        // Placed, then moved by the window system or grown by its text: its
        // button's accessible place follows.
        if (!m_listening)
            QSKIP("accessibility cannot be switched on here");
        DialogPrompts prompts;
        qsizetype told = -1;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            AccessibilityRecorder::clear();
            box->move(box->pos() + QPoint(147, 29));
            QCoreApplication::processEvents();
            told = AccessibilityRecorder::of(QAccessible::LocationChanged, box->button(QMessageBox::Ok)).size();
            box->accept();
        });
        prompts.showMessage(QStringLiteral("Statistics saved."));
        QVERIFY(told > 0);
    }

    void menusOpenByAltAndALetter()
    {
        TfrmMain w(m_prompts, m_timers, {});
        QCOMPARE(menu(w, "mFile")->title(), QStringLiteral("&File"));
        QCOMPARE(menu(w, "mTools")->title(), QStringLiteral("&Tools"));
        QCOMPARE(menu(w, "mHelp")->title(), QStringLiteral("&Help"));
        // Every item of a menu has a letter of its own.
        for (QMenu *menu : {menu(w, "mFile"), menu(w, "mTools"), menu(w, "mHelp")}) {
            QSet<QChar> letters;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                const int at = a->text().indexOf(QLatin1Char('&'));
                QVERIFY2(at >= 0, qPrintable(a->text()));
                letters << a->text().at(at + 1).toLower();
            }
            QCOMPARE(letters.size(), int(menu->actions().size()) - int(std::count_if(
                    menu->actions().cbegin(), menu->actions().cend(), [](QAction *a) { return a->isSeparator(); })));
        }
        // What the language editor reads stays the text of the file.
        QCOMPARE(w.textInForce(QStringLiteral("aNew")), QStringLiteral("New Game"));
        QCOMPARE(w.textInForce(QStringLiteral("mFile")), QStringLiteral("File"));
    }
};

QTEST_MAIN(TestScreenReader)
#include "tst_screenreader.moc"
