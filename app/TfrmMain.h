// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the menu and its actions around the playing surface. It
// wires the player's clicks and keys to the engine, the engine to the
// surface, the narrator and the windows beside the game.
#pragma once

#include "app/GamePresenter.h"
#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/SolveService.h"
#include "dialogs/SetupHost.h"
#include "base/TRegAuto.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Prompts;
class TimerService;
class TfrmTopten;
class TopTenKeeper;
class GameKeys;
class TfrmSetup;
class Narrator;
class PlayingSurface;
class SideWindows;
class StatisticsRecorder;
class QAction;
class QMenu;

class TfrmMain : public QMainWindow, public SetupHost
{
    Q_OBJECT

public:
    static constexpr int kOuterWidth = 467;
    static constexpr int kOuterHeight = 327;
    static constexpr int kCheatHeight = 364;

    // args: the command line without the program name.
    TfrmMain(Prompts &prompts, TimerService &timers, const QStringList &args,
             QWidget *parent = nullptr);
    ~TfrmMain() override;

    Game &game() { return m_game; }
    GamePresenter &presenter() { return *m_presenter; }
    Prompts &prompts() { return m_prompts; }
    TRegAuto iniCfg;
    TRegAuto iniLng;

    PlayingSurface &surface() const { return *m_surface; }
    Narrator &narrator() const { return *m_narrator; }
    SideWindows &sideWindows() const { return *m_sideWindows; }
    class ChallengeKeeper &challenges() const { return *m_challenge; }
    // The best play's solutions, shared by every window that shows them.
    SolveService &solver() { return m_solver; }

    // The two dialogs, built in this order once the main window is shown, or
    // at their first use; they live as long as it does.
    void buildDialogs();
    TfrmTopten &topten();
    TfrmSetup &setup();

    // "/CHEAT" as the first argument, in any case.
    static bool cheatRequested(const QStringList &args);
    // The outer height as the player's frame would have it.
    int outerHeight() const;
    void setOuterHeight(int outer);

    // The language loader: reads every text and applies it.
    void loadLanguage();

    // What the settings dialog reads and changes.
    QString textInForce(const QString &key) const override;
    const GameSettings &liveSettings() const override { return m_game.gameSettings(); }
    void applySettings(const GameSettings &s) override { m_game.applySettings(s); }
    const GameTexts &liveTexts() const override { return m_presenter->gameTexts(); }
    void applyTexts(const GameTexts &t) override { m_presenter->applyTexts(t); }
    TRegAuto &languageStore() override { return iniLng; }
    TRegAuto &configStore() override { return iniCfg; }
    void showError(const QString &text) override;

signals:
    void exitRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate(const QStringList &args);
    QAction *makeAction(const char *name, const char *caption, void (TfrmMain::*handler)());
    void buildActions();
    void buildMenu();
    void wireSurface();
    void wireGame();
    void applyMenuTexts(const std::function<QString(const char *)> &text);
    void syncState();
    void clickDie(int n);
    void runSetup(bool languagePage);
    void typeTextsChanged();
    void gameTypeTextChanged();
    QString yourCaption() const;
    void applyLanguageToDialogs(const std::array<std::optional<QString>, 41> &texts);
    // A win goes into the statistics and is checked for the top ten.
    bool checkWin(const WinSummary &summary);
    void tellFileProblem(const QString &problem);

    // The menu's handlers.
    void aExitExecute();
    void aTopTenExecute();
    void aRulesExecute();
    void aSettingsExecute();
    void aLanguageExecute();
    void aKeysExecute();
    void aAboutExecute();
    void aSaveExecute();
    void aOpenExecute();

    Prompts &m_prompts;
    GameRandom m_random;
    Game m_game;
    GamePresenter *m_presenter; // the game's child
    SolveService m_solver;
    class ChallengeKeeper *m_challenge = nullptr; // challenge games (app/ChallengeKeeper.h)
    PlayingSurface *m_surface = nullptr;
    Narrator *m_narrator = nullptr;
    SideWindows *m_sideWindows = nullptr;
    StatisticsRecorder *m_recorder = nullptr;
    QAction *m_aNew = nullptr, *m_aPause = nullptr, *m_aOpen = nullptr, *m_aSave = nullptr;
    QAction *m_aTopTen = nullptr, *m_aExit = nullptr, *m_aRules = nullptr, *m_aSettings = nullptr;
    QAction *m_aLanguage = nullptr, *m_aKeys = nullptr, *m_aAbout = nullptr, *m_aAdvisor = nullptr;
    QAction *m_aReview = nullptr, *m_aStatistics = nullptr, *m_aPractice = nullptr;
    QMenu *m_mFile = nullptr, *m_mTools = nullptr, *m_mHelp = nullptr;
    QList<QAction *> m_actions;
    std::unique_ptr<TopTenKeeper> m_topTen;
    std::unique_ptr<GameKeys> m_keys;
    TfrmSetup *m_setup = nullptr;
    QString m_lastSaveName;
    // Settings or language files that could not be read, each told once.
    QStringList m_toldFileProblems;
};
