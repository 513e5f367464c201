// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the menu, its actions, the keys, and the wiring of the
// engine to the playing surface, the narrator and the windows beside it.
#include "app/TfrmMain.h"
#include "app/Announcer.h"
#include "app/GameKeys.h"
#include "widgets/Appearance.h"
#include "app/HelpDialogs.h"
#include "app/Mnemonics.h"
#include "app/Narrator.h"
#include "app/PlayingSurface.h"
#include "app/PracticeWindow.h"
#include "base/ProgramDir.h"
#include "widgets/Prompts.h"
#include "app/SideWindows.h"
#include "app/StatisticsRecorder.h"
#include "app/TopTenKeeper.h"
#include "widgets/THemisphereButton.h"
#include "base/KvxError.h"
#include "game/TimerService.h"
#include "records/SavedGame.h"
#include "settings/Config.h"
#include "base/LanguageTable.h"
#include "base/Translations.h"
#include "dialogs/TfrmSetup.h"
#include "base/UiTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include "app/ChallengeKeeper.h"
#include "records/ChallengeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// The frame the window's outer size is measured with: 4-pixel borders, a
// 23-pixel caption and a 19-pixel menu line. Qt sizes the client, so the
// outer sizes of the layout are turned into client sizes with these.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 50;

} // namespace

TfrmMain::TfrmMain(Prompts &prompts, TimerService &timers, const QStringList &args, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts), m_game(timers, m_random),
      m_presenter(new GamePresenter(m_game, prompts, &m_game))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvex"));
    buildActions();
    buildMenu();
    m_surface = new PlayingSurface(*m_presenter, this);
    setCentralWidget(m_surface);
    // The menu bar and the dialogs follow the desktop.
    Appearance::keepHighlightReadable(menuBar());
    for (QMenu *menu : {m_mFile, m_mTools, m_mHelp})
        Appearance::keepHighlightReadable(menu);
    QFont font = QApplication::font();
    font.setPixelSize(11);
    setFont(font);
    auto *announcer = new Announcer(m_surface);
    wireSurface();
    connect(m_presenter, &GamePresenter::changed, this, &TfrmMain::syncState);
    connect(&m_game, &Game::dieChanged, m_surface, &PlayingSurface::syncDie);
    connect(&m_game, &Game::clockChanged, m_surface, &PlayingSurface::syncClock);
    m_narrator = new Narrator(*m_presenter, announcer, [this] { return m_surface->lYour()->text(); }, this);
    m_sideWindows = new SideWindows(*this, m_game, m_solver, m_prompts, [this] { return m_surface->playArea(); });
    m_topTen = std::make_unique<TopTenKeeper>(*m_presenter, iniLng, m_prompts, *m_sideWindows, *m_narrator);
    m_challenge = new ChallengeKeeper(*this, m_mFile, m_aPause); // challenge games
    m_keys = std::make_unique<GameKeys>(*m_presenter, *m_surface,
                                        GameKeys::Actions{[this](int n) { clickDie(n); },
                                                          [this] { m_narrator->say(m_narrator->stateSpoken()); },
                                                          [this] { return m_topTen->closeIfOpen(); }});
    wireGame();
    m_presenter->checkWin = [this](const WinSummary &summary) { return checkWin(summary); };
    // A win made with the test buttons: counted apart in the statistics, or,
    // in a challenge, told with its results but kept nowhere.
    m_presenter->recordWin = [this](const WinSummary &summary) {
        if (!m_challenge->won(summary))
            m_recorder->recordWin(summary, m_sideWindows->assisted());
    };
    Appearance::showPlainText(this);
    m_prompts.placeBox = [this](QWidget *box) { m_sideWindows->placeBox(box); };
    FormCreate(args);
}

TfrmMain::~TfrmMain()
{
    m_prompts.placeBox = nullptr;
    // Windows of their own, not children: gone before the game they show.
    delete m_sideWindows;
    delete m_recorder;
    PracticeWindow::writeWaiting(m_prompts);
    m_topTen.reset();
}

void TfrmMain::wireGame()
{
    m_recorder = new StatisticsRecorder(m_game, m_solver, m_prompts, this);
    // The costly decisions of a won game go to the practice.
    connect(m_recorder, &StatisticsRecorder::reviewed, this, [this](const GameRecord &record, const GameReview &review) {
        PracticeWindow::keepMistakes(record, review, m_prompts);
    });
    connect(m_recorder, &StatisticsRecorder::recorded, m_sideWindows, &SideWindows::statisticsRecorded);
}

bool TfrmMain::cheatRequested(const QStringList &args)
{
    return !args.isEmpty() && args.constFirst().toUpper() == QStringLiteral("/CHEAT");
}

int TfrmMain::outerHeight() const
{
    return height() - menuBar()->sizeHint().height() + kFrameHeight;
}

void TfrmMain::setOuterHeight(int outer)
{
    resize(kOuterWidth - kFrameWidth, outer - kFrameHeight + menuBar()->sizeHint().height());
}

void TfrmMain::FormCreate(const QStringList &args)
{
    setOuterHeight(kOuterHeight);
    if (cheatRequested(args))
        setOuterHeight(kCheatHeight);
    if (ProgramDir::get().isEmpty())
        ProgramDir::set(ProgramDir::fromExecutable(QCoreApplication::applicationFilePath()));
    iniCfg.setIniFile(ProgramDir::file(QStringLiteral("Korvex.cnf")));
    iniLng.setIniFile(ProgramDir::file(QStringLiteral("Korvex.lng")));
    {
        const TRegAuto::Pass pass(iniCfg);
        m_game.applySettings(readConfig(iniCfg));
        tellFileProblem(pass.problem());
    }
    loadLanguage();
    m_game.prepareGame();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    syncState();
}

// ---------------------------------------------------------------- building

QAction *TfrmMain::makeAction(const char *name, const char *caption, void (TfrmMain::*handler)())
{
    auto *a = new QAction(QString::fromLatin1(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    if (handler)
        connect(a, &QAction::triggered, this, handler);
    m_actions << a;
    return a;
}

void TfrmMain::buildActions()
{
    m_aNew = makeAction("aNew", "New Game", nullptr);
    connect(m_aNew, &QAction::triggered, this, [this] {
        m_presenter->aNewExecute();
        m_narrator->newGame();
    });
    m_aPause = makeAction("aPause", "Pause", nullptr);
    connect(m_aPause, &QAction::triggered, this, [this] { m_presenter->aPauseExecute(); });
    m_aOpen = makeAction("aOpen", "Open Game...", &TfrmMain::aOpenExecute);
    m_aSave = makeAction("aSave", "Save Game...", &TfrmMain::aSaveExecute);
    m_aTopTen = makeAction("aTopTen", "Top Ten...", &TfrmMain::aTopTenExecute);
    m_aStatistics = makeAction("aStatistics", "Statistics...", nullptr);
    connect(m_aStatistics, &QAction::triggered, this, [this] { m_sideWindows->openStatistics(); });
    m_aExit = makeAction("aExit", "Exit", &TfrmMain::aExitExecute);
    m_aExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    m_aExit->setShortcutContext(Qt::ApplicationShortcut);
    m_aRules = makeAction("aRules", "Rules", &TfrmMain::aRulesExecute);
    m_aSettings = makeAction("aSettings", "Game settings...", &TfrmMain::aSettingsExecute);
    m_aLanguage = makeAction("aLanguage", "Language editor...", &TfrmMain::aLanguageExecute);
    m_aAdvisor = makeAction("aAdvisor", "Advisor...", nullptr);
    connect(m_aAdvisor, &QAction::triggered, this, [this] { m_sideWindows->openAdvisor(); });
    m_aReview = makeAction("aReview", "Review Game...", nullptr);
    connect(m_aReview, &QAction::triggered, this, [this] { m_sideWindows->openReview(); });
    m_aPractice = makeAction("aPractice", "Practice...", nullptr);
    connect(m_aPractice, &QAction::triggered, this, [this] { m_sideWindows->openPractice(); });
    m_aKeys = makeAction("aKeys", "Keyboard Shortcuts", &TfrmMain::aKeysExecute);
    m_aAbout = makeAction("aAbout", "About Korvex", &TfrmMain::aAboutExecute);
    // The keys players try first. An action is disabled with the menu while
    // the dice roll, and its shortcut with it.
    m_aNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_aOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_aSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_aRules->setShortcut(QKeySequence(Qt::Key_F1));
    m_aPause->setShortcuts({QKeySequence(Qt::Key_P), QKeySequence(Qt::Key_Pause)});
}

void TfrmMain::buildMenu()
{
    QMenuBar *eMenu = menuBar();
    eMenu->setObjectName(QStringLiteral("eMenu"));
    m_mFile = eMenu->addMenu(QStringLiteral("File"));
    m_mFile->setObjectName(QStringLiteral("mFile"));
    // The menu items are the actions themselves.
    m_mFile->addActions({m_aNew, m_aPause});
    m_mFile->addSeparator()->setObjectName(QStringLiteral("N2"));
    m_mFile->addActions({m_aOpen, m_aSave});
    m_mFile->addSeparator()->setObjectName(QStringLiteral("N3"));
    m_mFile->addActions({m_aTopTen, m_aStatistics});
    m_mFile->addSeparator()->setObjectName(QStringLiteral("N1"));
    m_mFile->addAction(m_aExit);
    m_mTools = eMenu->addMenu(QStringLiteral("Tools"));
    m_mTools->setObjectName(QStringLiteral("mTools"));
    m_mTools->addActions({m_aRules, m_aSettings, m_aLanguage, m_aAdvisor, m_aReview, m_aPractice});
    m_mHelp = eMenu->addMenu(QStringLiteral("Help"));
    m_mHelp->setObjectName(QStringLiteral("mHelp"));
    m_mHelp->addActions({m_aRules, m_aKeys});
    m_mHelp->addSeparator();
    m_mHelp->addAction(m_aAbout);
}

void TfrmMain::wireSurface()
{
    PlayingSurface *s = m_surface;
    connect(s, &PlayingSurface::dieClicked, this, &TfrmMain::clickDie);
    connect(s->btRoll(), &QAbstractButton::clicked, this, [this] {
        m_narrator->rollPressed();
        m_presenter->btRollClick();
    });
    connect(s->btDone(), &QAbstractButton::clicked, this, [this] {
        m_narrator->donePressed();
        m_presenter->btDoneClick();
    });
    connect(s, &PlayingSurface::choiceClicked, this, [this](int face, int entry) {
        m_presenter->chooseEntry(face, entry);
        m_narrator->choiceTaken(face, entry);
    });
    // The test buttons stage a roll: ones, fives, threes, ones and fives.
    for (int i = 1; i <= 4; ++i)
        connect(s->cheat(i), &QPushButton::clicked, this, [this, b = s->cheat(i)] {
            if (m_game.rollingDice() != 0)
                return;
            if (b->property("Tag").isValid())
                m_presenter->Button1Click(b->property("Tag").toInt());
            else
                m_presenter->Button4Click();
            m_narrator->staged();
        });
    connect(s->btStart(), &QAbstractButton::clicked, this, [this] { m_presenter->btStartClick(); });
    connect(s->btExit(), &QAbstractButton::clicked, m_aExit, &QAction::trigger);
    connect(s->btCont(), &QAbstractButton::clicked, this, [this] { m_presenter->btContClick(); });
}

// ---------------------------------------------------------------- mirroring the engine

void TfrmMain::syncState()
{
    const bool menu = m_presenter->menuEnabled();
    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(menu);
    for (QMenu *m : {m_mFile, m_mTools, m_mHelp})
        m->menuAction()->setEnabled(menu);
    m_surface->sync();
}

void TfrmMain::clickDie(int n)
{
    if (n < 1 || n > 6)
        return;
    m_narrator->beforeDieClick();
    m_presenter->RxDice1Click(n);
    m_surface->noteFaceClicked(m_game.die(n).value);
    m_narrator->dieClicked(n);
}

// ---------------------------------------------------------------- language

void TfrmMain::loadLanguage()
{
    const TRegAuto::Pass pass(iniLng);
    const LanguageTexts t = readLanguage(iniLng, m_topTen->built(), m_setup != nullptr);
    loadUiTexts(iniLng);
    tellFileProblem(pass.problem());
    // Numbers are written as the language in force writes them.
    QLocale::setDefault(localeFor(languageCode(iniLng)));
    auto text = [&t](const char *key) { return t[size_t(languageIndex(QString::fromLatin1(key)))].value_or(QString()); };
    {
        // A choice list in sight takes its new caption with the next redraw.
        GameTexts texts = m_presenter->gameTexts();
        applyToTexts(t, texts);
        m_presenter->applyTexts(texts);
    }
    applyLanguageToDialogs(t);
    m_surface->applyTexts(text, yourCaption());
    m_surface->showGameType();
    applyMenuTexts(text);
    m_surface->btExit()->setText(m_aExit->text());
    if (m_challenge)
        m_challenge->applyLanguage(); // challenge games: their menu items, before the letters are given
    Mnemonics::apply({m_mFile, m_mTools, m_mHelp});
    m_sideWindows->applyLanguage();
}

void TfrmMain::applyMenuTexts(const std::function<QString(const char *)> &text)
{
    m_mFile->setTitle(text("mFile"));
    m_mTools->setTitle(text("mTools"));
    for (QAction *a : {m_aNew, m_aOpen, m_aSave, m_aTopTen, m_aExit, m_aRules, m_aSettings, m_aLanguage})
        a->setText(text(a->objectName().toLatin1().constData()));
    m_mHelp->setTitle(uiText("mHelp"));
    for (QAction *a : {m_aKeys, m_aAbout, m_aStatistics, m_aReview, m_aPause, m_aAdvisor, m_aPractice})
        a->setText(uiText(a->objectName().toLatin1().constData()));
}

QString TfrmMain::yourCaption() const
{
    // A game type without a caption of its own keeps the one shown.
    return GameTexts::knownType(m_game.gameSettings().Type) ? m_presenter->gameTexts().resultLabel(m_game.gameSettings().Type) : QString();
}

// ---------------------------------------------------------------- handlers

void TfrmMain::aExitExecute()
{
    emit exitRequested();
    hide();
    QCoreApplication::quit();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, even with the top ten open.
    event->accept();
    emit exitRequested();
    QCoreApplication::quit();
}

void TfrmMain::aRulesExecute()
{
    m_aSettings->trigger();
}

void TfrmMain::aSettingsExecute()
{
    runSetup(false);
}

void TfrmMain::aLanguageExecute()
{
    runSetup(true);
}

void TfrmMain::aSaveExecute()
{
    m_presenter->aPauseExecute();
    const QString path = m_prompts.saveFileName(this, Mnemonics::plainText(m_aSave), ProgramDir::get(), m_lastSaveName);
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty()) {
        // cancelled
    } else if (ProgramDir::isGameFile(path)) {
        // A saved game over the settings, a table or the rules would lose them.
        m_prompts.showError(uiText("saveOwnFile").arg(shown));
    } else if ((QFileInfo::exists(path) || QFileInfo(path).isSymLink())
               && !m_prompts.confirm(Mnemonics::plainText(m_aSave), uiText("saveReplace").arg(shown))) {
        // kept as it is
    } else {
        m_lastSaveName = path;
        try {
            ChallengeFile::writeGame(path, m_game.snapshot(), m_game.challenge()); // ordinary: 116 bytes
        } catch (const KvxError &e) {
            m_prompts.showError(e.message());
        }
    }
    m_presenter->aPauseExecute();
}

void TfrmMain::aOpenExecute()
{
    m_presenter->aPauseExecute();
    const QString path = m_prompts.openFileName(this, Mnemonics::plainText(m_aOpen), ProgramDir::get());
    if (path.isEmpty())
        return;
    try {
        const Game::Snapshot saved = readSavedGame(path);
        const auto place = ChallengeFile::readPlace(path, saved.roundNo); // challenge: code and place
        m_game.restore(saved, place.value_or(ChallengeDice()));
        m_challenge->opened();
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
    }
    m_presenter->aPauseExecute();
}

// ---------------------------------------------------------------- help

void TfrmMain::aKeysExecute()
{
    m_presenter->aPauseExecute();
    HelpDialogs::showKeys(this, m_prompts, Mnemonics::plainText(m_aKeys),
                          {m_aPause, m_aNew, m_aOpen, m_aSave, m_aRules, m_aExit, m_challenge->newAction(),
                           m_challenge->copyAction()});
}

void TfrmMain::aAboutExecute()
{
    m_presenter->aPauseExecute();
    HelpDialogs::showAbout(this, m_prompts, Mnemonics::plainText(m_aAbout));
}

// ---------------------------------------------------------------- keys

void TfrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The clock does not count while the player has put the game away.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        m_game.pauseWhenIdle();
}

void TfrmMain::keyPressEvent(QKeyEvent *event)
{
    if (!m_keys->keyPressed(event))
        QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- the other windows

bool TfrmMain::checkWin(const WinSummary &summary)
{
    if (m_challenge->won(summary))
        return true; // a challenge: its own table, not the top ten nor the statistics
    m_recorder->recordWin(summary, m_sideWindows->assisted());
    if (m_sideWindows->assisted()) {
        m_prompts.showMessage(uiText("msgAssisted"));
        return true;
    }
    return m_topTen->checkWin(summary);
}

void TfrmMain::buildDialogs()
{
    topten();
    setup();
}

void TfrmMain::aTopTenExecute()
{
    m_topTen->show();
}

TfrmTopten &TfrmMain::topten()
{
    return m_topTen->window();
}

void TfrmMain::applyLanguageToDialogs(const LanguageTexts &t)
{
    m_topTen->applyLanguage(t);
    if (m_setup)
        m_setup->applyLanguage(t);
}

void TfrmMain::runSetup(bool languagePage)
{
    m_presenter->aPauseExecute();
    TfrmSetup &dialog = setup();
    try {
        dialog.Fill();
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
        return;
    }
    loadLanguage();
    dialog.showPage(languagePage);
    const int outcome = m_prompts.runModal(dialog);
    if (outcome != TfrmSetup::Saved && outcome != TfrmSetup::SavedNewSettings)
        return;
    loadLanguage();
    syncState(); // captions and numbers in the new language
    if (outcome == TfrmSetup::SavedNewSettings)
        m_aNew->trigger();
}

QString TfrmMain::textInForce(const QString &key) const
{
    const int index = languageIndex(key);
    if (index >= 0 && kLanguageTable[index].variable)
        return m_presenter->gameTexts().*kLanguageTable[index].variable;
    // The dialogs' own captions, once they are built.
    if (const QString caption = m_setup ? m_setup->caption(key) : QString(); !caption.isNull())
        return caption;
    if (const QString caption = m_topTen->caption(key); !caption.isNull())
        return caption;
    // Captions of this window: its controls, menus and actions carry the key as their name.
    if (const QString caption = m_surface->caption(key); !caption.isNull())
        return caption;
    for (const QMenu *menu : {m_mFile, m_mTools, m_mHelp})
        if (menu->objectName() == key)
            return Mnemonics::plainText(menu);
    for (const QAction *action : m_actions)
        if (action->objectName() == key)
            return Mnemonics::plainText(action);
    return index >= 0 ? QString::fromUtf8(kLanguageTable[index].englishDefault) : QString();
}

void TfrmMain::typeTextsChanged()
{
    m_surface->setYourCaption(yourCaption());
}

void TfrmMain::gameTypeTextChanged()
{
    m_surface->showGameType();
}

void TfrmMain::tellFileProblem(const QString &problem)
{
    if (problem.isEmpty() || m_toldFileProblems.contains(problem))
        return;
    m_toldFileProblems << problem;
    // Once the window is up, not in the middle of building it.
    QTimer::singleShot(0, this, [this, problem] { m_prompts.showError(uiText("fileNotRead").arg(problem)); });
}

void TfrmMain::showError(const QString &text)
{
    m_prompts.showError(text);
}

TfrmSetup &TfrmMain::setup()
{
    if (!m_setup) {
        m_setup = new TfrmSetup(*this, this);
        connect(m_setup, &TfrmSetup::typeTextsChanged, this, &TfrmMain::typeTextsChanged);
        connect(m_setup, &TfrmSetup::gameTypeTextChanged, this, &TfrmMain::gameTypeTextChanged);
    }
    return *m_setup;
}
