// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader learns from the main window: the dice by number, face
// and state; the displays by caption and value; every roll and every message
// as an event.
#include "app/ProgramDir.h"
#include "app/THemisphereButton.h"
#include "app/TfrmMain.h"
#include "game/TRxDice.h"
#include "game/TimerService.h"
#include "support/AccessibilityRecorder.h"
#include "support/FakePrompts.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestScreenReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
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
            names << said(w.dice(n));
        return names;
    }
    void roll(TfrmMain &w)
    {
        QTest::mouseClick(w.btRoll, Qt::LeftButton);
        QVERIFY(m_timers.runUntil([&w] { return w.game().RollingDice == 0; }));
    }
    void rollScoring(TfrmMain &w)
    {
        for (int tries = 0; tries < 20; ++tries) {
            roll(w);
            if (!w.game().gs.NewRound)
                return;
        }
        QFAIL("no scoring roll in twenty tries");
    }
    void needListening()
    {
        if (!m_listening)
            QSKIP("accessibility cannot be switched on without the platform's private headers");
    }
    // What the playing surface announced, in order, as the text it carried.
    static QStringList heardOn(TfrmMain &w, QAccessible::Event type = QAccessible::DescriptionChanged)
    {
        QStringList out;
        for (const auto &e : AccessibilityRecorder::of(type, w.client()))
            out << e.description;
        return out;
    }

private slots:
    void initTestCase() { m_listening = AccessibilityRecorder::start(); }
    void init()
    {
        m_dir = new QTemporaryDir;
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
        m_prompts = FakePrompts();
        AccessibilityRecorder::clear();
    }
    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void diceNamesAfterAStagedRollAndASelection()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.btStart, Qt::LeftButton);
        rollScoring(w);
        QTest::mouseClick(w.Button4, Qt::LeftButton); // 1, 1, 1, 5, 5, 5
        QCOMPARE(diceNames(w), QStringList({"Die 1: 1, free", "Die 2: 1, free", "Die 3: 1, free",
                                            "Die 4: 5, free", "Die 5: 5, free", "Die 6: 5, free"}));
        AccessibilityRecorder::clear();
        QTest::mouseClick(w.dice(5), Qt::LeftButton);
        QTest::mouseClick(w.dice(2), Qt::LeftButton);
        QCOMPARE(said(w.dice(5)), QStringLiteral("Die 5: 5, selected"));
        QCOMPARE(said(w.dice(2)), QStringLiteral("Die 2: 1, selected"));
        QCOMPARE(said(w.dice(1)), QStringLiteral("Die 1: 1, free"));
        // Letting a die go again says so.
        QTest::mouseClick(w.dice(2), Qt::LeftButton);
        QCOMPARE(said(w.dice(2)), QStringLiteral("Die 2: 1, free"));
        // Rolling on keeps the selection: kept, and the other dice show their new faces.
        QTest::mouseClick(w.btRoll, Qt::LeftButton);
        QCOMPARE(said(w.dice(5)), QStringLiteral("Die 5: 5, kept"));
        QVERIFY(m_timers.runUntil([&w] { return w.game().RollingDice == 0; }));
        for (int n = 1; n <= 6; ++n) {
            const QString state = n == 5 ? QStringLiteral("kept") : QStringLiteral("free");
            QCOMPARE(said(w.dice(n)),
                     QStringLiteral("Die %1: %2, %3").arg(n).arg(w.dice(n)->value()).arg(state));
        }

        if (!m_listening)
            return;
        // Each change of a die reached the listeners with the new name.
        QStringList names;
        for (const auto &e : AccessibilityRecorder::of(QAccessible::NameChanged, w.dice(2)))
            if (names.isEmpty() || names.last() != e.name)
                names << e.name;
        QCOMPARE(names.mid(0, 2), QStringList({"Die 2: 1, selected", "Die 2: 1, free"}));
    }

    void displaysAreNamedByTheirCaptionsAndTellTheirValues()
    {
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QCOMPARE(said(w.eScore), QStringLiteral("Total:"));
        QCOMPARE(said(w.eSubScore), QStringLiteral("Subtotal:"));
        QCOMPARE(said(w.eRnd), QStringLiteral("Round:"));
        QCOMPARE(said(w.eValue), QStringLiteral("Your score:"));
        QCOMPARE(said(w.eRnd, QAccessible::Description), QStringLiteral("1"));

        QTest::mouseClick(w.btStart, Qt::LeftButton);
        rollScoring(w);
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        for (int n = 1; n <= 6; ++n)
            QTest::mouseClick(w.dice(n), Qt::LeftButton);
        QCOMPARE(said(w.eSubScore, QAccessible::Description), QLocale().toString(800));
        AccessibilityRecorder::clear();
        QTest::mouseClick(w.btDone, Qt::LeftButton);
        QCOMPARE(said(w.eScore, QAccessible::Description), QLocale().toString(800));
        QCOMPARE(said(w.eRnd, QAccessible::Description), QStringLiteral("2"));
        QCOMPARE(said(w.eValue, QAccessible::Description), QStringLiteral("80000"));
        if (m_listening) {
            const auto changes = AccessibilityRecorder::of(QAccessible::DescriptionChanged, w.eScore);
            QVERIFY(!changes.isEmpty());
            QCOMPARE(changes.last().description, QLocale().toString(800));
        }

        // A new language renames the displays with their captions.
        QFile lng(ProgramDir::file(QStringLiteral("Korvex.lng")));
        QVERIFY(lng.open(QIODevice::WriteOnly));
        lng.write("[Label]\r\nlTotal=Summe:\r\nlRound=Runde:\r\nlSubTotal=Zwischensumme:\r\n");
        lng.close();
        w.loadLanguage();
        QCOMPARE(said(w.eScore), QStringLiteral("Summe:"));
        QCOMPARE(said(w.eRnd), QStringLiteral("Runde:"));
        QCOMPARE(said(w.eSubScore), QStringLiteral("Zwischensumme:"));
        QCOMPARE(said(w.eScore, QAccessible::Description), QLocale().toString(800));
    }

    void everyRollIsAnnouncedBeforeWhatFollows()
    {
        needListening();
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.btStart, Qt::LeftButton);
        AccessibilityRecorder::clear();
        roll(w);
        QStringList faces;
        for (int n = 1; n <= 6; ++n)
            faces << QStringLiteral("die %1: %2").arg(n).arg(w.dice(n)->value());
        QStringList heard = heardOn(w);
        QVERIFY(!heard.isEmpty());
        QCOMPARE(heard.first(), QStringLiteral("Roll: ") + faces.join(QStringLiteral(", ")));
        if (w.game().gs.NewRound) { // a bust: its message comes after the faces
            QCOMPARE(heard, QStringList({heard.first(), QStringLiteral("Ooops ! This is -100 point!")}));
            QCOMPARE(heardOn(w, QAccessible::Alert), QStringList{heard.last()});
        } else {
            QCOMPARE(heard.size(), 1);
            QVERIFY(heardOn(w, QAccessible::Alert).isEmpty()); // a roll is news, not an alert
        }

        // A staged roll is a roll too; a roll after keeping dice names only the rolled ones.
        rollScoring(w);
        QTest::mouseClick(w.Button4, Qt::LeftButton);
        heard = heardOn(w);
        QCOMPARE(heard.last(), QStringLiteral("Roll: die 1: 1, die 2: 1, die 3: 1, die 4: 5, die 5: 5, die 6: 5"));
        QTest::mouseClick(w.dice(1), Qt::LeftButton);
        QTest::mouseClick(w.dice(6), Qt::LeftButton);
        AccessibilityRecorder::clear();
        roll(w);
        heard = heardOn(w);
        QVERIFY(!heard.isEmpty());
        QVERIFY2(heard.first().startsWith(QStringLiteral("Roll: die 2: ")), qPrintable(heard.first()));
        QVERIFY(!heard.first().contains(QStringLiteral("die 1:")));
        QVERIFY(!heard.first().contains(QStringLiteral("die 6:")));
    }

    void everyMessageIsAnAlertCarryingItsText()
    {
        needListening();
        TfrmMain w(m_prompts, m_timers, {QStringLiteral("/CHEAT")});
        QTest::mouseClick(w.btStart, Qt::LeftButton);
        rollScoring(w);
        AccessibilityRecorder::clear();
        // Roll with nothing selected, twice: the same message is heard twice.
        QTest::mouseClick(w.btRoll, Qt::LeftButton);
        QTest::mouseClick(w.btRoll, Qt::LeftButton);
        const QString noSel = QStringLiteral("You did'n selected any dice !");
        QCOMPARE(heardOn(w, QAccessible::Alert), QStringList({noSel, noSel}));
        QCOMPARE(heardOn(w), QStringList({noSel, noSel}));
        QCOMPARE(m_prompts.messages.size(), 2);

        // A bank past the winning total: the message with its number put in.
        w.game().gs.Total = 990;
        QTest::mouseClick(w.Button1, Qt::LeftButton);
        QTest::mouseClick(w.dice(1), Qt::LeftButton);
        QTest::mouseClick(w.dice(2), Qt::LeftButton);
        AccessibilityRecorder::clear();
        QTest::mouseClick(w.btDone, Qt::LeftButton);
        QCOMPARE(m_prompts.messages.size(), 3);
        QCOMPARE(heardOn(w, QAccessible::Alert), QStringList{m_prompts.messages.last()});
        QVERIFY(m_prompts.messages.last().contains(QStringLiteral("1000")));
    }
};

QTEST_MAIN(TestScreenReader)
#include "tst_screenreader.moc"
