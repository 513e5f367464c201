// SPDX-License-Identifier: GPL-3.0-or-later
// Challenge games in the main window: the File menu's Daily Challenge, New
// Challenge..., Challenge Table... and the copy of the code; the code shown
// beside the game type; the best play's race line after each round, worked
// out on the solve worker and never shown ahead of the player; the result at
// the win, kept in the challenge table instead of the top ten and the
// statistics; and the place in the dice a saved game carries.
#pragma once

#include "game/ChallengeRace.h"
#include "game/Game.h"
#include "game/GameRecord.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class TfrmMain;

class ChallengeKeeper : public QObject
{
    Q_OBJECT

public:
    // Puts its actions into `fileMenu` after `after`.
    ChallengeKeeper(TfrmMain &window, QMenu *fileMenu, QAction *after);
    ~ChallengeKeeper() override;

    // Starts a challenge on the table at once (the menu's commands end here).
    void play(const ChallengeCode &code);
    // The menu's New Challenge...: the dialog, opened on a new random code.
    void askAndPlay();
    // The game on the table has been won. For a challenge: its result is
    // shown and kept, and true is returned (no top ten, no statistics).
    bool won(const WinSummary &summary);
    // A saved game has been opened, with the code and place it carried, if any.
    void opened();
    void applyLanguage();

    // What the window shows, for tests and the screen reader.
    QString codeLine() const;
    QString raceLine() const;
    const ChallengeRun *bestRun() const { return m_run ? &*m_run : nullptr; }
    QDialog *tableWindow() const { return m_table; }
    QAction *dailyAction() const { return m_aDaily; }
    QAction *newAction() const { return m_aNew; }
    QAction *tableAction() const { return m_aTable; }
    QAction *copyAction() const { return m_aCopy; }
    QAction *raceAction() const { return m_aRace; }
    // Both results of the last challenge won, your rounds and time and the
    // best play's on the same dice, when `record` is that game's; else empty.
    QString resultFor(const GameRecord &record) const;

signals:
    // The best play's game on the code in force is worked out.
    void raceReady();
    // A challenge was won, or its best play's rounds became known after.
    void resultChanged();

private:
    void newGameStarted();
    void startRace();
    void roundEnded();
    void sync();
    void openTable();
    void fillTable();

    TfrmMain &m_window;
    QAction *m_aDaily = nullptr, *m_aNew = nullptr, *m_aTable = nullptr, *m_aCopy = nullptr, *m_aRace = nullptr;
    QLabel *m_code = nullptr; // on the game-type line
    QLabel *m_race = nullptr; // below the clock
    ChallengeCode m_racing;   // the code the run below is for
    RuleSet m_raceRules;
    std::optional<ChallengeRun> m_run;
    quint64 m_raceTicket = 0; // a run finished for an earlier game is dropped
    bool m_first = false;     // the code was begun here for the first time
    QPointer<QDialog> m_table;
    // The last challenge won, till the next one is.
    struct Won
    {
        GameRecord record;
        ChallengeCode code;
        RuleSet rules;
        qint32 rounds = 0;
        QString time;
        qint32 bestRounds = 0; // 0 while not known
    };
    std::optional<Won> m_won;
    // The best play's rounds on the dice of the game on the table, 0 while not known.
    qint32 bestRounds(const ChallengeCode &code, const RuleSet &rules) const;
};
