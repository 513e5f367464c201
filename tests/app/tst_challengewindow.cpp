// SPDX-License-Identifier: GPL-3.0-or-later
// Challenge games in the real window: two copies given the same code roll
// the same dice whatever their clocks say, another code rolls others; the
// dialog, the code line, the saved place and the result at the win.
#include "app/ChallengeKeeper.h"
#include "app/ReviewWindow.h"
#include "app/SideWindows.h"
#include "records/ChallengeFile.h"
#include "records/SavedGame.h"
#include "base/UiTexts.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"
#include "support/WindowRig.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

class TestChallengeWindow : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;

    // A window of its own, its clock at `midnightMs`, given `code` through
    // New Challenge... as a player types it; the faces of its first roll.
    static QString firstRoll(const QString &code, qint64 midnightMs)
    {
        ManualTimerService timers;
        FakePrompts prompts;
        QString offered;
        prompts.onModal = [&](QDialog &d) {
            auto *field = d.findChild<QLineEdit *>(QStringLiteral("eChallengeCode"));
            if (!field || field->accessibleName() != QLatin1String("Challenge code"))
                return 0;
            offered = field->text();
            d.show();
            field->setText(code);
            QTest::keyClick(field, Qt::Key_Return); // Enter plays
            return d.result();
        };
        TfrmMain w(prompts, timers, {});
        action(w, "aNewChallenge")->trigger();
        if (ChallengeCode::parse(offered).isEmpty() || !w.game().challenge().active())
            return QStringLiteral("no challenge (offered %1)").arg(offered);
        timers.setMsecsSinceMidnightUtc(midnightMs);
        QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
        if (!rig::settle(w, timers))
            return QStringLiteral("dice still turning");
        QString faces;
        for (int n = 1; n <= 6; ++n)
            faces += QString::number(w.surface().dice(n)->value());
        return faces;
    }

private slots:
    void init() { QVERIFY(m_folder.make()); }
    void cleanup() { m_folder.remove(); }

    void sameCodeSameDice()
    {
        const QString a = firstRoll(QStringLiteral("7kqd m2wx"), 1000);
        const QString b = firstRoll(QStringLiteral("7KQD-M2WX"), 55555555);
        QCOMPARE(a, QStringLiteral("441222"));
        QCOMPARE(b, a);
        QCOMPARE(firstRoll(QStringLiteral("2222-2222"), 1000), QStringLiteral("616135"));
    }

    void badCodeIsRefused()
    {
        ManualTimerService timers;
        FakePrompts prompts;
        prompts.onModal = [](QDialog &d) {
            auto *field = d.findChild<QLineEdit *>(QStringLiteral("eChallengeCode"));
            d.show();
            field->setText(QStringLiteral("OOOO-1111"));
            QTest::keyClick(field, Qt::Key_Return);
            const int shown = d.isVisible(); // still open: refused
            d.reject();
            return shown ? 0 : 1;
        };
        TfrmMain w(prompts, timers, {});
        action(w, "aNewChallenge")->trigger();
        QCOMPARE(prompts.errors.size(), 1);
        QVERIFY(prompts.errors[0].contains(QLatin1String("OOOO-1111")));
        QVERIFY(!w.game().challenge().active());
    }

    void keyTableListsTheChallengeCommands()
    {
        ManualTimerService timers;
        FakePrompts prompts;
        TfrmMain w(prompts, timers, {});
        QStringList rows;
        prompts.onModal = [&](QDialog &d) {
            if (auto *table = d.findChild<QTableWidget *>())
                for (int r = 0; r < table->rowCount(); ++r)
                    rows << table->item(r, 0)->text() + QLatin1Char('|') + table->item(r, 1)->text();
            return int(QDialog::Rejected);
        };
        action(w, "aKeys")->trigger();
        // After New Game, as the File menu has them.
        const int at = int(rows.indexOf(QStringLiteral("Ctrl+N|New Game")));
        QVERIFY2(at > 0, qPrintable(rows.join(QLatin1Char('\n'))));
        QCOMPARE(rows.value(at + 1), QStringLiteral("Ctrl+Shift+N|New Challenge"));
        QCOMPARE(rows.value(at + 2), QStringLiteral("Ctrl+Shift+C|Copy Challenge Code"));
    }

    void dailyCodeShownCopiedSavedAndOpened()
    {
        ManualTimerService timers;
        FakePrompts prompts;
        TfrmMain w(prompts, timers, {});
        ChallengeKeeper &keeper = w.challenges();
        QVERIFY(!action(w, "aCopyChallenge")->isEnabled());
        action(w, "aDailyChallenge")->trigger();
        const ChallengeCode today = ChallengeCode::daily(QDate::currentDate());
        QCOMPARE(w.game().challenge().code(), today);
        auto *line = w.findChild<QLabel *>(QStringLiteral("lChallenge"));
        QVERIFY(line && !line->isHidden());
        QCOMPARE(line->text(), uiText("chalLine").arg(today.text()));
        QCOMPARE(line->accessibleDescription(), today.spelt());
        action(w, "aCopyChallenge")->trigger();
        QCOMPARE(QApplication::clipboard()->text(), today.text());
        rig::roll(w, timers);
        // The race line waits for the player's rounds: none done yet.
        QVERIFY(keeper.raceLine().isEmpty());

        // Saved: the ordinary record, then the code and the place.
        const QString path = m_folder.filePath(QStringLiteral("c.kvx"));
        prompts.fileAnswers.enqueue(path);
        action(w, "aSave")->trigger();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), SavedGame::RecordSize + ChallengeFile::kTrailerSize);
        QCOMPARE(bytes.left(SavedGame::RecordSize), encodeSavedGame(w.game().snapshot()));

        ManualTimerService timers2;
        FakePrompts prompts2;
        TfrmMain w2(prompts2, timers2, {});
        prompts2.fileAnswers.enqueue(path);
        action(w2, "aOpen")->trigger();
        QVERIFY(prompts2.errors.isEmpty());
        QCOMPARE(w2.game().challenge().code(), today);
        QCOMPARE(w2.game().challenge().round(), w.game().challenge().round());
        QCOMPARE(w2.game().challenge().roll(), w.game().challenge().roll());

        // An ordinary game again: 116 bytes, and opening one ends the challenge.
        action(w, "aNew")->trigger();
        QVERIFY(!w.game().challenge().active());
        QVERIFY(line->isHidden());
        const QString plain = m_folder.filePath(QStringLiteral("p.kvx"));
        prompts.fileAnswers.enqueue(plain);
        action(w, "aSave")->trigger();
        QCOMPARE(QFileInfo(plain).size(), qint64(SavedGame::RecordSize));
        prompts2.fileAnswers.enqueue(plain);
        action(w2, "aOpen")->trigger();
        QVERIFY(!w2.game().challenge().active());
    }

    void winSaysBothResultsAndSkipsTheTopTen()
    {
        ManualTimerService timers;
        FakePrompts prompts;
        TfrmMain w(prompts, timers, {QStringLiteral("/CHEAT")});
        Game &g = w.game();
        w.challenges().play(ChallengeCode::parse(QStringLiteral("22222222")));
        // The best play's game on the code, worked out on the worker.
        QTRY_VERIFY_WITH_TIMEOUT(w.challenges().bestRun() != nullptr, 120000);
        const ChallengeRun best = *w.challenges().bestRun();
        QVERIFY(best.rounds > 0);
        rig::roll(w, timers); // 6 1 6 1 3 5: it scores
        QVERIFY(!g.state().NewRound);
        // One round banked: the race line tells where the best play stood after it.
        rig::clickDie(w, 2);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        QCOMPARE(w.challenges().raceLine(),
                 best.wonBy(1) ? uiText("chalRaceWon").arg(best.rounds)
                               : uiText("chalRaceAfter").arg(QLocale().toString(best.totalAfter(1)), QStringLiteral("1")));
        action(w, "aShowRace")->setChecked(false);
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("lRace"))->isHidden());
        action(w, "aShowRace")->setChecked(true);
        // To the win: 990 banked, then six ones staged by a test button.
        restoreWith(g, [](Game::Snapshot &s) { s.total = 200; });
        rig::rollScoring(w, timers);
        QTest::mouseClick(w.surface().cheat(1), Qt::LeftButton);
        rig::clickAllDice(w);
        QTest::mouseClick(w.surface().btDone(), Qt::LeftButton);
        const QString said = prompts.messages.join(QLatin1Char('|'));
        QVERIFY2(said.contains(QLatin1String("Challenge 2222-2222 won")), qPrintable(said));
        QVERIFY(said.contains(uiText("chalWinBest").arg(QString::number(best.rounds)).left(30)));
        QVERIFY(said.contains(uiText("chalNoTopTen")));
        // The review says both results beside the rounds lost to decisions,
        // for this game only.
        w.sideWindows().openReview();
        ReviewWindow *review = w.sideWindows().review();
        QTRY_VERIFY_WITH_TIMEOUT(review->review().finished, 60000);
        const QString summary = review->lSummary()->text();
        // The same two results as the box at the win.
        const QString box = prompts.messages.filter(QLatin1String("2222-2222")).value(0);
        QVERIFY2(summary.startsWith(box.section(QLatin1Char('\n'), 0, 0) + QLatin1Char(' ') + box.section(QLatin1Char('\n'), 1, 1)),
                 qPrintable(summary));
        QVERIFY(summary.contains(uiText("chalWinBest").arg(QString::number(best.rounds)).section(QStringLiteral("%2"), 0, 0)));
        QVERIFY(summary.contains(uiText("chalWinLost").section(QLatin1Char('%'), 0, 0)));
        QVERIFY(!summary.contains(uiText("revLostRounds").section(QLatin1Char('%'), 0, 0)));
        QVERIFY(w.challenges().resultFor(GameRecord()).isEmpty());
        // Neither the top ten nor the statistics took it; made with a test
        // button, the challenge table does not either.
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXScrP.ini"))));
        QVERIFY(!QFile::exists(ProgramDir::file(QStringLiteral("KVXStats.ini"))));
        QCOMPARE(ChallengeFile::load(ChallengeFile::fileName()).results.size(), 0);
        QCOMPARE(ChallengeFile::load(ChallengeFile::fileName()).timesBegun(ChallengeCode::parse("22222222")), 1);
    }
};

QTEST_MAIN(TestChallengeWindow)
#include "tst_challengewindow.moc"
