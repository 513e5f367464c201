// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a player drives it, for the window tests: the
// menu's actions by name, rolls that run out on virtual time, the window
// shown with the keyboard.
#pragma once

#include "app/Mnemonics.h"
#include "app/Narrator.h"
#include "base/ProgramDir.h"
#include "app/PlayingSurface.h"
#include "app/SideWindows.h"
#include "widgets/THemisphereButton.h"
#include "app/TfrmMain.h"
#include "widgets/TRxDice.h"
#include "game/ManualTimerService.h"
#include "game/EngineRig.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <functional>

// A menu action or a menu of a window, by its name.
inline QAction *action(const QWidget &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}
inline QMenu *menu(const QWidget &w, const char *name)
{
    return w.findChild<QMenu *>(QLatin1String(name));
}

namespace rig {

// Runs virtual time until the dice stop.
inline bool settle(TfrmMain &w, ManualTimerService &timers)
{
    return timers.runUntil([&w] { return w.game().rollingDice() == 0; });
}

// A click on Roll, and the dice run out.
inline void roll(TfrmMain &w, ManualTimerService &timers)
{
    QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
    QVERIFY(settle(w, timers));
}

// A click on Roll at a time of day at which the dice come to rest scoring,
// or bust; `whileRolling` is called as they turn.
inline void rollTo(TfrmMain &w, ManualTimerService &timers, bool scores, const std::function<void()> &whileRolling = {})
{
    const qint64 m = midnightFor(w.game(), scores);
    QVERIFY(m >= 0);
    timers.setMsecsSinceMidnightUtc(m);
    QTest::mouseClick(w.surface().btRoll(), Qt::LeftButton);
    if (whileRolling)
        whileRolling();
    QVERIFY(settle(w, timers));
    QCOMPARE(w.game().state().NewRound, !scores);
}

// Rolls until a roll scores (a bust ends the round and a new one begins);
// rollOnce rolls and lets the dice run out, a click on Roll unless given.
inline void rollScoring(TfrmMain &w, ManualTimerService &timers, const std::function<void()> &rollOnce = {})
{
    for (int tries = 0; tries < 20; ++tries) {
        rollOnce ? rollOnce() : roll(w, timers);
        if (QTest::currentTestFailed() || !w.game().state().NewRound)
            return;
    }
    QFAIL("no scoring roll in twenty tries");
}

inline void clickDie(TfrmMain &w, int n)
{
    QTest::mouseClick(w.surface().dice(n), Qt::LeftButton);
}

// A click on each die in turn.
inline void clickAllDice(TfrmMain &w)
{
    for (int n = 1; n <= 6; ++n)
        clickDie(w, n);
}

// From the cover to a scoring roll, whose faces test button `cheat` then
// stages (1: six ones, 4: 1, 1, 1, 5, 5, 5; 0: none).
inline void stage(TfrmMain &w, ManualTimerService &timers, int cheat)
{
    QTest::mouseClick(w.surface().btStart(), Qt::LeftButton);
    rollScoring(w, timers);
    if (cheat > 0)
        QTest::mouseClick(w.surface().cheat(cheat), Qt::LeftButton);
}

// The faces test button `cheat` stages, set without the button: a game
// staged so still goes into the top ten.
inline void setFaces(TfrmMain &w, int cheat)
{
    w.game().stageRoll([cheat](int n) { return cheat == 4 ? (n <= 3 ? 1 : 5) : cheat == 2 ? 5 : cheat == 3 ? 3 : 1; });
}

// A file of that name in the program's folder, holding content.
inline void writeProgramFile(const QString &name, const QByteArray &content)
{
    QFile f(ProgramDir::file(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), qint64(content.size()));
}

// Shown, and holding the keyboard.
inline void showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace rig
