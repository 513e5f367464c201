// SPDX-License-Identifier: GPL-3.0-or-later
// The practice window driven by the game's keys: a built-in position answered
// with the best play and with the plain rule's, Next, Again, the player's own
// positions, and what is spoken.
#include "app/Announcer.h"
#include "app/PracticeWindow.h"
#include "game/SolveService.h"
#include "widgets/TRxDice.h"
#include "base/ProgramDir.h"
#include "base/UiTexts.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class TestPracticeWindow : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;
    FakePrompts m_prompts;
    std::unique_ptr<SolveService> m_solver;

    // Selects the dice of a keep with the die keys, as a player would.
    static void selectByKeys(PracticeWindow &w, const KeepOption &keep)
    {
        for (int pass = 0; pass < 6; ++pass) {
            for (int n = 1; n <= 6; ++n) {
                int have[7] = {};
                for (int k = 1; k <= 6; ++k)
                    if (w.die(k)->dieState() == TRxDice::Selected)
                        have[w.die(k)->value()] += 1;
                const int f = w.die(n)->value();
                if (w.die(n)->dieState() == TRxDice::Free && have[f] < keep.count[f])
                    QTest::keyClick(&w, char('0' + n));
            }
        }
        if (keep.onesEntry > 0)
            w.cbOnes()->setCurrentIndex(keep.onesEntry);
        if (keep.fivesEntry > 0)
            w.cbFives()->setCurrentIndex(keep.fivesEntry);
    }

private slots:
    void initTestCase()
    {
        m_solver = std::make_unique<SolveService>();
        QVERIFY(m_solver->waitFor({1000, false}, 300000));
    }
    void init() { QVERIFY(m_folder.make()); }
    void cleanup() { m_folder.remove(); }

    void builtInByKeys()
    {
        PracticeWindow w(*m_solver, m_prompts, [] { return RuleSet{1000, false}; });
        QStringList said;
        connect(w.announcer(), &Announcer::said, this, [&](const QString &t) { said << t; });
        w.show();
        // Nothing of the player's own yet.
        QVERIFY(!w.hasPosition());
        QCOMPARE(w.lPosition()->text(), uiText("pracNoMine").arg(1000));
        w.setSource(PracticeSource::BuiltIn);
        QTRY_VERIFY_WITH_TIMEOUT(w.hasPosition(), 60000);
        QVERIFY(!said.isEmpty() && said.last().startsWith(uiText("pracSayPosition").section(QLatin1Char(':'), 0, 0)));
        const PracticePosition first = w.position();
        const auto sol = m_solver->solution({1000, false});
        const AdvisorAction best = sol->rankActions(first.total, first.roundPoints, first.rolled).first();

        // The game's keys reach the dice even from a focused list.
        w.cbSource()->setFocus();
        selectByKeys(w, best.keep);
        QTest::keyClick(&w, best.bank ? Qt::Key_Return : Qt::Key_R);
        QVERIFY(w.answered());
        QVERIFY(w.verdict().answeredBest);
        QCOMPARE(w.verdict().best.rounds, best.rounds);
        QVERIFY(w.lVerdict()->text().contains(QLocale().toString(best.rounds, 'f', 3)));
        QVERIFY(w.lvTop()->count() >= 1);
        QVERIFY(w.lvTop()->item(0)->text().endsWith(uiText("pracYours")));
        QVERIFY(said.last().startsWith(w.lVerdict()->text().section(QLatin1Char('\n'), 0, 0)));
        QVERIFY(!w.btRoll()->isVisible() && w.btNext()->isVisible());
        QCOMPARE(PracticeFile::load(PracticeFile::fileName()).attempts.size(), 1);
        QCOMPARE(w.tbProgress()->item(0, 1)->text(), QStringLiteral("1"));

        // Again: the same position, nothing selected; the plain rule's play costs what it says.
        QTest::keyClick(&w, Qt::Key_A);
        QVERIFY(!w.answered() && w.position().samePlace(first));
        const PracticeChoice plain = plainPlay(first);
        selectByKeys(w, plain.keep);
        QTest::keyClick(&w, plain.bank ? Qt::Key_D : Qt::Key_R);
        QVERIFY(w.answered());
        QVERIFY(!w.verdict().answeredBest);
        QCOMPARE(w.verdict().cost, first.cost);
        // Wrong: back soon, so another comes first; Enter goes on.
        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!w.answered() && w.hasPosition());
        QVERIFY(!w.position().samePlace(first));
        // Rolling on with nothing taken is no play.
        QTest::keyClick(&w, Qt::Key_R);
        QVERIFY(!w.answered());
        QCOMPARE(w.lVerdict()->text(), uiText("advSelectFirst"));
        // The progress follows the source at once: none of the player's own tried.
        QCOMPARE(w.tbProgress()->item(0, 1)->text(), QStringLiteral("2"));
        w.setSource(PracticeSource::Mine);
        QCOMPARE(w.tbProgress()->item(0, 1)->text(), QStringLiteral("0"));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(m_prompts.errors.isEmpty());
    }

    void myOwnPositions()
    {
        PracticePosition p;
        p.total = 300;
        p.roundPoints = 150;
        p.kept[1] = 1;
        p.rolled[1] = 2;
        p.rolled[2] = 1;
        p.rolled[3] = 1;
        p.rolled[4] = 1;
        p.cost = 0.8;
        PracticePosition other = p;
        other.winner = 2000;
        QVERIFY(PracticeFile::addMine(PracticeFile::fileName(), {p, other}).isEmpty());
        PracticeWindow w(*m_solver, m_prompts, [] { return RuleSet{1000, false}; });
        w.show();
        QVERIFY(w.hasPosition());
        QVERIFY(w.position().samePlace(p));
        QCOMPARE(w.die(1)->dieState(), int(TRxDice::Kept));
        QVERIFY(w.lStatus()->text().contains(uiText("pracOtherRules").arg(1)));
        // A die kept back cannot be taken; a lone 2 neither.
        QTest::keyClick(&w, '1');
        QTest::keyClick(&w, '4');
        for (int n = 1; n <= 6; ++n)
            QVERIFY(w.die(n)->dieState() != TRxDice::Selected);
        QTest::mouseClick(w.die(2), Qt::LeftButton);
        QCOMPARE(w.die(2)->dieState(), int(TRxDice::Selected));
        QTest::mouseClick(w.btDone(), Qt::LeftButton);
        QVERIFY(w.answered());
        QVERIFY(w.verdict().chosen.refused);
        QCOMPARE(w.verdict().reason, PracticeReason::BankRefused);
        QVERIFY(w.lVerdict()->text().contains(uiText("pracWhyBand").arg(460)));
    }

    void aPercentInTheFolderNameStaysInTheNotice()
    {
        // The file's name is filled in with the count of lines in one step.
        const QString name = QStringLiteral("p%1 %2");
        QVERIFY(QDir(m_folder.path()).mkdir(name));
        ProgramDir::set(m_folder.filePath(name) + QLatin1Char('/'));
        QFile f(PracticeFile::fileName());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Practice]\r\nVersion=1\r\n[Positions]\r\n1=m,1000,0,100,15,15,1333,0.3000,0,0,\r\n2=m,1000,x\r\n");
        f.close();
        PracticeWindow w(*m_solver, m_prompts, [] { return RuleSet{1000, false}; });
        w.show();
        QVERIFY2(w.lStatus()->text().contains(uiText("pracPartial").arg(QDir::toNativeSeparators(f.fileName()), "1")),
                 qPrintable(w.lStatus()->text()));
    }
};

QTEST_MAIN(TestPracticeWindow)
#include "tst_practicewindow.moc"
