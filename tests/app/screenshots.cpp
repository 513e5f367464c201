// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window and the two dialogs in the states worth reviewing,
// as PNG files, with staged rolls on virtual time. Not a test: run it through
// scripts/screenshots.sh.
// Usage: korvex_screenshots OUTPUT_FOLDER
//        korvex_screenshots --faces FILE   (the six dice in each state, zoomed)
#include "app/AdvisorWindow.h"
#include "base/ProgramDir.h"
#include "app/StatisticsWindow.h"
#include "app/ReviewWindow.h"
#include "app/PlayingSurface.h"
#include "app/SideWindows.h"
#include "widgets/THemisphereButton.h"
#include "app/TfrmMain.h"
#include "game/AutoPlay.h"
#include "game/EngineRig.h"
#include "game/EngineRig.h"
#include "widgets/TRxDice.h"
#include "game/ManualTimerService.h"
#include "dialogs/TfrmTopten.h"
#include "dialogs/TfrmSetup.h"
#include "support/Contrast.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtCore/qtestsupport_core.h>

#include <cmath>
#include <cstdio>

namespace {

bool save(QWidget *w, const QDir &out, const QString &name)
{
    QCoreApplication::processEvents();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The faces test button 4 sets (1, 1, 1, 5, 5, 5), staged without the button
// so that the game won below still goes into the top ten.
void stageOnesAndFives(TfrmMain &w)
{
    w.game().stageRoll([](int n) { return n <= 3 ? 1 : 5; });
}

// Rolls until a roll scores; the faces are staged afterwards anyway.
bool rollScoring(TfrmMain &w, ManualTimerService &timers)
{
    for (int tries = 0; tries < 20; ++tries) {
        w.surface().btRoll()->click();
        if (!timers.runUntil([&w] { return w.game().rollingDice() == 0; }))
            return false;
        if (!w.game().state().NewRound)
            return true;
    }
    return false;
}

// The six faces on the Free, Selected and Kept colours at scale factor 1,
// zoomed four times without smoothing, so single pixels can be judged.
bool saveFaces(const QString &path)
{
    const int zoom = 4;
    QImage sheet(6 * 72 + 6, 3 * 72 + 6, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (int state = 0; state < 3; ++state) {
        for (int face = 1; face <= 6; ++face) {
            TRxDice die;
            die.setValue(face);
            die.setDieState(state);
            p.drawImage(QPoint(6 + 72 * (face - 1), 6 + 72 * state), die.grab().toImage());
        }
    }
    p.end();
    if (!sheet.scaled(sheet.size() * zoom).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Saves w once more under a dark desktop style (the one Debian ships in
// adwaita-qt6) as NAME-adwaita-dark, when that style is installed; then the
// style before it is back.
bool saveInDarkStyle(QWidget *w, const QDir &out, const QString &name)
{
    const QString before = QApplication::style()->name();
    QStyle *dark = QStyleFactory::create(QStringLiteral("Adwaita-Dark"));
    if (!dark)
        return true;
    QApplication::setStyle(dark);
    QApplication::setPalette(dark->standardPalette());
    const bool ok = save(w, out, name + QStringLiteral("-adwaita-dark"));
    QApplication::setStyle(before);
    QApplication::setPalette(QApplication::style()->standardPalette());
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--faces")
        return saveFaces(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    // Settings, texts and tables of a fresh installation, in a folder of their own.
    QTemporaryDir home;
    ProgramDir::set(home.path() + QLatin1Char('/'));
    QFile::copy(QStringLiteral(KORVEX_RULES_FILE), ProgramDir::file(QStringLiteral("KVXRules.rtf")));

    ManualTimerService timers;
    FakePrompts prompts;
    prompts.nameAnswers.enqueue(QStringLiteral("Reviewer"));
    TfrmMain w(prompts, timers, {QStringLiteral("/CHEAT")});
    TfrmTopten *topten = &w.topten();
    TfrmSetup *setup = &w.setup();
    // The start at the normal height; then the cheat row comes into view for staging.
    w.setOuterHeight(TfrmMain::kOuterHeight);
    w.show();
    bool ok = save(&w, out, QStringLiteral("main-start"));
    w.setOuterHeight(TfrmMain::kCheatHeight);

    // Mid-round: dice 1 and 4 kept from the last roll, die 2 selected now.
    w.surface().btStart()->click();
    ok = ok && rollScoring(w, timers);
    stageOnesAndFives(w); // 1, 1, 1, 5, 5, 5
    w.surface().dice(1)->setFocus();
    for (int n : {1, 4})
        emit w.surface().dice(n)->clicked();
    w.surface().btRoll()->click();
    ok = ok && timers.runUntil([&w] { return w.game().rollingDice() == 0; });
    stageOnesAndFives(w);
    emit w.surface().dice(2)->clicked();
    timers.advance(83000);
    ok = ok && save(&w, out, QStringLiteral("main-midround"));

    // Both choice lists: three ones and three fives selected.
    w.surface().btDone()->click();
    ok = ok && rollScoring(w, timers);
    stageOnesAndFives(w);
    for (int n = 1; n <= 6; ++n)
        emit w.surface().dice(n)->clicked();
    ok = ok && save(&w, out, QStringLiteral("main-choices"));
    // The same under a dark desktop theme: only the menu bar follows it.
    QApplication::setPalette(TestPalettes::dark());
    ok = ok && save(&w, out, QStringLiteral("main-choices-dark"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    ok = ok && saveInDarkStyle(&w, out, QStringLiteral("main-choices"));

    // Paused with a game to continue.
    w.findChild<QAction *>(QStringLiteral("aPause"))->trigger();
    ok = ok && save(&w, out, QStringLiteral("main-paused"));

    // A won game enters the top ten, which then shows it.
    w.surface().btCont()->click();
    restoreWith(w.game(), [](auto &s) { s.total = 850; });
    w.surface().btDone()->click(); // banks the 150 above: 1000
    topten->show();
    ok = ok && save(topten, out, QStringLiteral("topten"));
    QApplication::setPalette(TestPalettes::dark());
    ok = ok && save(topten, out, QStringLiteral("topten-dark"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    ok = ok && saveInDarkStyle(topten, out, QStringLiteral("topten"));

    setup->Fill();
    setup->showPage(false);
    setup->show();
    ok = ok && save(setup, out, QStringLiteral("settings-general"));
    ok = ok && saveInDarkStyle(setup, out, QStringLiteral("settings-general"));
    setup->showPage(true);
    ok = ok && save(setup, out, QStringLiteral("settings-language"));
    setup->hide();

    // The advisor beside a new game, after its first roll that scores.
    w.findChild<QAction *>(QStringLiteral("aAdvisor"))->trigger();
    AdvisorWindow *advisor = w.sideWindows().advisor();
    // At the size of a desktop with room for it, whatever the offscreen screen holds.
    if (advisor)
        advisor->resize(560, 240);
    ok = ok && advisor && advisor->waitForSolution(60000);
    w.findChild<QAction *>(QStringLiteral("aNew"))->trigger();
    w.surface().btStart()->click();
    ok = ok && rollScoring(w, timers);
    w.surface().cheat(4)->click(); // 1, 1, 1, 5, 5, 5
    ok = ok && advisor && save(advisor, out, QStringLiteral("advisor"));

    // The statistics of a known file of 60 games at 1000 beside the best play,
    // the rounds lost to decisions falling as the player learns.
    {
        StatsData known;
        for (int i = 0; i < 60; ++i) {
            StatsGame g;
            g.when = QDateTime(QDate(2026, 10, 1), QTime(19, 30)).addSecs(qint64(i) * 86400);
            g.rounds = 17 + (i * 37) % 19 + (i * 11) % 5;
            g.seconds = 240 + (i * 53) % 400;
            g.rating = 100000 / g.rounds;
            g.decisionsLost = std::max(0.1, 3.6 - 0.05 * i + 0.7 * std::sin(i * 2.3) + 0.3 * std::cos(i * 0.7));
            g.luck = 0.25 * ((i * 29) % 13) - 1.5;
            g.assisted = i % 17 == 5;
            known.addGame(g);
        }
        QFile file(Statistics::fileName());
        ok = ok && file.open(QIODevice::WriteOnly) && file.write(Statistics::format(known)) > 0;
        file.close();
        StatisticsWindow stats(prompts, w.solver());
        stats.showRules({1000, false});
        while (stats.reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        stats.resize(1100, 680);
        stats.show();
        ok = ok && save(&stats, out, QStringLiteral("statistics"));
        QApplication::setPalette(TestPalettes::dark());
        ok = ok && save(&stats, out, QStringLiteral("statistics-dark"));
        QApplication::setPalette(QApplication::style()->standardPalette());
        ok = ok && saveInDarkStyle(&stats, out, QStringLiteral("statistics"));
    }

    // Three translations, picked in the language editor as a player would:
    // both choice lists, and the rules in that language.
    if (advisor)
        advisor->hide();

    // The review of a game won by banking at 30 points, a blunder selected.
    playGame(w.game(), timers, simpleStrategy({1000, false}, 30, 0), 9001);
    w.findChild<QAction *>(QStringLiteral("aReview"))->trigger();
    ReviewWindow *review = w.sideWindows().review();
    ok = ok && review && w.solver().waitFor({1000, false}, 60000)
            && QTest::qWaitFor([&] { return !w.solver().jobsPending() && review->review().finished; }, 60000);
    QCoreApplication::processEvents();
    if (review) {
        for (int i = int(review->review().decisions.size()) - 1; i >= 0; --i) {
            if (review->review().decisions[size_t(i)].cls == DecisionClass::Blunder) {
                review->lvDecisions()->setCurrentRow(i);
                break;
            }
        }
    }
    if (review)
        review->resize(700, 560);
    ok = ok && review && review->review().finished && save(review, out, QStringLiteral("review"));
    QApplication::setPalette(TestPalettes::dark());
    ok = ok && review && save(review, out, QStringLiteral("review-dark"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    ok = ok && review && saveInDarkStyle(review, out, QStringLiteral("review"));
    if (review)
        review->hide();
    const QDir rulesDir = QFileInfo(QStringLiteral(KORVEX_RULES_FILE)).dir();
    for (const char *code : {"de", "hu", "pl"}) {
        const QString name = QStringLiteral("KVXRules.%1.rtf").arg(QLatin1String(code));
        QFile::copy(rulesDir.filePath(QStringLiteral("rules/") + name), ProgramDir::file(name));
        setup->Fill();
        setup->pickLanguage(QLatin1String(code));
        ok = ok && setup->Save();
        w.loadLanguage();
        w.findChild<QAction *>(QStringLiteral("aNew"))->trigger();
        ok = ok && rollScoring(w, timers);
        w.surface().cheat(4)->click(); // 1, 1, 1, 5, 5, 5
        for (int n = 1; n <= 6; ++n)
            emit w.surface().dice(n)->clicked();
        timers.advance(125000);
        ok = ok && save(&w, out, QStringLiteral("main-choices-%1").arg(QLatin1String(code)));
        setup->Fill();
        setup->showPage(false);
        setup->show();
        ok = ok && save(setup, out, QStringLiteral("settings-general-%1").arg(QLatin1String(code)));
        setup->hide();
    }

    if (!ok) {
        std::fprintf(stderr, "a step did not come out as staged\n");
        return 1;
    }
    return 0;
}
