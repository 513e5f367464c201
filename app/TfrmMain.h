// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the playing surface, its menu and actions. It shows the
// engine's state and forwards the player's clicks and keys to it.
#pragma once

#include "game/Game.h"
#include "game/GameRandom.h"
#include "game/SolveService.h"
#include "settings/SetupHost.h"
#include "settings/TRegAuto.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class Prompts;
class TimerService;
class TRxDice;
class THemisphereButton;
class TEffectLabel;
class TfrmTopten;
class TfrmSetup;
class AdvisorWindow;
class StatisticsRecorder;
class StatisticsWindow;
class ReviewWindow;
class PracticeWindow;
class Announcer;
class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QShortcut;

class TfrmMain : public QMainWindow, public SetupHost, private GameUi
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
    Prompts &prompts() { return m_prompts; }
    TRegAuto iniCfg;
    TRegAuto iniLng;

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

    // Actions and handlers.
    // The Help menu: Rules again, a table of the keys, About.
    void aKeysExecute();
    void aAboutExecute();
    // An action's or menu's text as the language file has it, without the
    // letter marked for Alt.
    static QString plainText(const QObject *item);
    // Every key of the game and what it does, in the texts in force.
    QList<QPair<QString, QString>> keyTable() const;
    void aExitExecute();
    void aTopTenExecute();
    void aRulesExecute();
    void aSettingsExecute();
    void aLanguageExecute();
    // The advisor: a game it was open during is kept out of the top-ten tables.
    void aAdvisorExecute();
    // Moves a window of our own next to this one, on the same screen, clear
    // of the dice and the round buttons.
    void placeBeside(QWidget *window);
    // Moves a message box off the dice and the round buttons.
    void placeBox(QWidget *box) const;
    // The dice, Roll, Done and the choice lists, on the screen: what a
    // window must not hide.
    QRect playArea() const;
    AdvisorWindow *advisorWindow() const { return m_advisor; }
    // The review of the game in progress or of the game just won.
    void aReviewExecute();
    ReviewWindow *reviewWindow() const { return m_review; }
    // Single decisions to practise, beside the game and apart from it.
    void aPracticeExecute();
    PracticeWindow *practiceWindow() const { return m_practice; }
    // The best play's solutions, shared by every window that shows them.
    SolveService &solver() { return m_solver; }
    bool assisted = false;
    // Every won game goes into the statistics, assisted or not.
    void aStatisticsExecute();
    StatisticsWindow *statisticsWindow() const { return m_statistics; }
    void aSaveExecute();
    void aOpenExecute();

    TRxDice *dice(int n) const { return m_dice[n]; }
    // The window's controls, for tests and tools.
    QAction *aNew() const { return m_aNew; }
    QAction *aPause() const { return m_aPause; }
    QAction *aOpen() const { return m_aOpen; }
    QAction *aSave() const { return m_aSave; }
    QAction *aTopTen() const { return m_aTopTen; }
    QAction *aExit() const { return m_aExit; }
    QAction *aRules() const { return m_aRules; }
    QAction *aSettings() const { return m_aSettings; }
    QAction *aLanguage() const { return m_aLanguage; }
    QMenu *mFile() const { return m_mFile; }
    QMenu *mTools() const { return m_mTools; }
    QAction *aKeys() const { return m_aKeys; }
    QAction *aAbout() const { return m_aAbout; }
    QMenu *mHelp() const { return m_mHelp; }
    QAction *aAdvisor() const { return m_aAdvisor; }
    QAction *aReview() const { return m_aReview; }
    QAction *aPractice() const { return m_aPractice; }
    QAction *aStatistics() const { return m_aStatistics; }
    THemisphereButton *btRoll() const { return m_btRoll; }
    THemisphereButton *btDone() const { return m_btDone; }
    THemisphereButton *btStart() const { return m_btStart; }
    THemisphereButton *btExit() const { return m_btExit; }
    THemisphereButton *btCont() const { return m_btCont; }
    TEffectLabel *lType() const { return m_lType; }
    QLabel *lTime() const { return m_lTime; }
    QLabel *lSubTotal() const { return m_lSubTotal; }
    QLabel *lTotal() const { return m_lTotal; }
    QLabel *lRound() const { return m_lRound; }
    QLabel *lYour() const { return m_lYour; }
    QLabel *eSubScore() const { return m_eSubScore; }
    QLabel *eScore() const { return m_eScore; }
    QLabel *eRnd() const { return m_eRnd; }
    QLabel *eValue() const { return m_eValue; }
    QGroupBox *rg10() const { return m_rg10; }
    QGroupBox *rg5() const { return m_rg5; }
    QPushButton *Button1() const { return m_Button1; }
    QPushButton *Button2() const { return m_Button2; }
    QPushButton *Button3() const { return m_Button3; }
    QPushButton *Button4() const { return m_Button4; }
    QWidget *pCover() const { return m_pCover; }
    QWidget *client() const { return m_client; }
    // Where spoken news goes out; tests read what it said.
    Announcer *announcer() const { return m_announcer; }
    // What S speaks: total, round, subtotal, score and the clock.
    QString stateSpoken() const;
    // Seconds as a player would say them ("4 minutes 12 seconds").
    static QString spokenTime(qint32 seconds);

    // What the settings dialog reads and changes.
    QString textInForce(const QString &key) const override;
    const GameSettings &liveSettings() const override { return m_game.gameSettings(); }
    void applySettings(const GameSettings &s) override { m_game.applySettings(s); }
    const GameTexts &liveTexts() const override { return m_game.gameTexts(); }
    void applyTexts(const GameTexts &t) override { m_game.applyTexts(t); }

private:
    // The engine's boxes are the window's; a win is checked for the top ten.
    void showMessage(const QString &text) override;
    bool checkWin(const WinSummary &) override { return runTopTenCheck(); }

public:
    TRegAuto &languageStore() override { return iniLng; }
    TRegAuto &configStore() override { return iniCfg; }
    void showError(const QString &text) override;

signals:
    void exitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The controls, built once by the constructor.
    QAction *m_aNew = nullptr, *m_aPause = nullptr, *m_aOpen = nullptr, *m_aSave = nullptr;
    QAction *m_aTopTen = nullptr, *m_aExit = nullptr, *m_aRules = nullptr, *m_aSettings = nullptr;
    QAction *m_aLanguage = nullptr, *m_aKeys = nullptr, *m_aAbout = nullptr, *m_aAdvisor = nullptr;
    QAction *m_aReview = nullptr, *m_aStatistics = nullptr, *m_aPractice = nullptr;
    QMenu *m_mFile = nullptr, *m_mTools = nullptr, *m_mHelp = nullptr;
    THemisphereButton *m_btRoll = nullptr, *m_btDone = nullptr, *m_btStart = nullptr, *m_btExit = nullptr, *m_btCont = nullptr;
    TEffectLabel *m_lType = nullptr;
    QLabel *m_lTime = nullptr, *m_lSubTotal = nullptr, *m_lTotal = nullptr, *m_lRound = nullptr, *m_lYour = nullptr;
    QLabel *m_eSubScore = nullptr, *m_eScore = nullptr, *m_eRnd = nullptr, *m_eValue = nullptr;
    QGroupBox *m_rg10 = nullptr, *m_rg5 = nullptr;
    QPushButton *m_Button1 = nullptr, *m_Button2 = nullptr, *m_Button3 = nullptr, *m_Button4 = nullptr;
    QWidget *m_pCover = nullptr;
    void FormCreate(const QStringList &args);
    void buildActions();
    void buildClient();
    void buildChoiceList(QGroupBox *box, int face);
    void syncState();
    void syncDie(int n);
    void syncClock();
    void syncChoice(QGroupBox *box, const ChoiceList &list);
    void runSetup(bool languagePage);
    void typeTextsChanged();
    void gameTypeTextChanged();
    void applyLanguageToDialogs(const std::array<std::optional<QString>, 41> &texts);
    bool runTopTenCheck();
    void showToptenAfterCheck();
    void layoutClient();
    void applyMnemonics();
    bool cheatRowShown() const;
    bool advisingInPlay() const;
    void keepInFront(QWidget *window) const;
    void moveFrameTo(QWidget *window, QPoint at) const;
    bool pickChoice(int step);
    void updateFocus();
    void nameDisplays();
    void clickDie(int n);
    void focusDie(int step);
    QString rollSpoken();
    QString wonSpoken() const;
    void narrateRoundEnd(qint32 points, int verdict);
    static QString spokenCaption(const QLabel *caption);

    Prompts &m_prompts;
    GameRandom m_random;
    Game m_game;
    SolveService m_solver;
    AdvisorWindow *m_advisor = nullptr;
    StatisticsWindow *m_statistics = nullptr;
    StatisticsRecorder *m_recorder = nullptr;
    ReviewWindow *m_review = nullptr;
    PracticeWindow *m_practice = nullptr;
    QWidget *m_client = nullptr;
    TRxDice *m_dice[7] = {};
    QRadioButton *m_choices[2][5] = {};
    QList<QAction *> m_actions;
    TfrmTopten *m_topten = nullptr;
    TfrmSetup *m_setup = nullptr;
    QString m_lastSaveName;
    // Settings or language files that could not be read, each told once.
    QStringList m_toldFileProblems;
    void tellFileProblem(const QString &problem);
    Announcer *m_announcer = nullptr;
    bool m_hotDice = false;
    bool m_lastBank = false;
    bool m_rg10Shown = false, m_rg5Shown = false;
    int m_choiceFace = 1; // the list the arrow keys work, when both are shown
    QList<QShortcut *> m_pickKeys;
    QString m_pendingNews;
};
