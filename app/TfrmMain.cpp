// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: layout, menu, actions, and the mirror of the engine's state.
#include "app/TfrmMain.h"
#include "app/Prompts.h"
#include "app/Appearance.h"
#include "app/ProgramDir.h"
#include "app/AdvisorWindow.h"
#include "app/StatisticsRecorder.h"
#include "app/StatisticsWindow.h"
#include "app/ReviewWindow.h"
#include "app/PracticeWindow.h"
#include "app/Announcer.h"
#include "app/Placement.h"
#include "app/WindowSystem.h"
#include "app/TEffectLabel.h"
#include "app/THemisphereButton.h"
#include "app/Typeface.h"
#include "game/KvxError.h"
#include "game/Scoring.h"
#include "game/TRxDice.h"
#include "game/TimerService.h"
#include "records/SavedGame.h"
#include "records/TfrmTopten.h"
#include "records/TopTen.h"
#include "records/TopTenCheck.h"
#include "settings/Config.h"
#include "settings/LanguageTable.h"
#include "settings/Translations.h"
#include "settings/TfrmSetup.h"
#include "settings/UiTexts.h"

#include <QAccessible>
#include <QTimer>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QGroupBox>
#include <QStyleOptionGroupBox>
#include <QPainter>
#include <qdrawutil.h>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include <algorithm>

namespace {

// The frame the window's outer size is measured with: 4-pixel borders, a
// 23-pixel caption and a 19-pixel menu line. Qt sizes the client, so the
// outer sizes of the layout are turned into client sizes with these.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 50;

const QColor kPanelGreen(192, 220, 192);
const QColor kPanelSand(240, 202, 166);
const QColor kNavy(0, 0, 128);

QFont windowFont(int px, bool bold = false)
{
    QFont f = QApplication::font();
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

void setColors(QWidget *w, const QColor &fg, const QColor &bg = QColor())
{
    QPalette pal = w->palette();
    if (fg.isValid())
        pal.setColor(QPalette::WindowText, fg);
    if (bg.isValid()) {
        pal.setColor(QPalette::Window, bg);
        w->setAutoFillBackground(true);
    }
    w->setPalette(pal);
}

// A choice list: an inset frame whose caption, in a gap of the frame's top
// line, carries a navy shadow. A caption too long for the box is cut. The
// frame closes under the last entry shown, within the window's client area.
class ChoiceGroup : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

    static constexpr int kCaptionLeft = 6;
    // Where entry k lies: as wide as the frame allows, the longest valuation needs it.
    static QRect entryRect(int k) { return QRect(2, 14 + 16 * k, 102, 16); }
    int captionRoom() const { return Appearance::groupCaptionRoom(this); }

    // The frame, in the box's coordinates.
    QRect frameRect() const
    {
        int last = -1;
        for (int k = 0; k < 5; ++k)
            if (const QWidget *entry = findChild<QWidget *>(objectName() + QStringLiteral("_") + QString::number(k)))
                if (!entry->isHidden())
                    last = k;
        int bottom = last >= 0 ? entryRect(last).bottom() + 3 : height() - 1;
        if (parentWidget())
            bottom = std::min(bottom, parentWidget()->height() - y() - 1);
        bottom = std::min(bottom, height() - 1);
        const int top = QFontMetrics(font()).height() / 2;
        return QRect(QPoint(0, top), QPoint(width() - 1, std::max(top + 2, bottom)));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const QString caption = Appearance::fitted(fm, title(), captionRoom());
        const QRect textRect(kCaptionLeft, 0, fm.horizontalAdvance(caption) + 1, fm.height());
        // Drawn here rather than by the style: a style's group frame keeps
        // room of its own above, and the frame is to hug the entries.
        if (!caption.isEmpty())
            p.setClipRegion(QRegion(rect()) - QRegion(textRect.adjusted(-2, 0, 2, 0)));
        qDrawShadeRect(&p, frameRect(), palette(), true, 1);
        p.setClipping(false);
        p.setFont(font());
        p.setPen(QColor(0, 0, 128));
        p.drawText(textRect.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, caption);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, caption);
    }
};

} // namespace

TfrmMain::TfrmMain(Prompts &prompts, TimerService &timers, const QStringList &args, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts), m_game(timers, m_random, *this)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvex"));
    buildActions();
    buildClient();
    connect(&m_game, &Game::stateChanged, this, &TfrmMain::syncState);
    connect(&m_game, &Game::dieChanged, this, &TfrmMain::syncDie);
    connect(&m_game, &Game::clockChanged, this, &TfrmMain::syncClock);
    // A roll's faces are spoken before anything its evaluation may show.
    connect(&m_game, &Game::rolled, this, [this] { m_announcer->say(rollSpoken()); });
    connect(&m_game, &Game::roundEnded, this, &TfrmMain::narrateRoundEnd);
    connect(&m_game, &Game::won, this, [this] { m_announcer->say(wonSpoken()); });
    // Each game starts unassisted unless it is played with the advisor open;
    // a review window left open marks it once it shows the new game. The
    // game prepared after a win stays clean behind the cover until then.
    connect(&m_game, &Game::newGameStarted, this, [this] { assisted = advisingInPlay(); });
    connect(&m_game, &Game::stateChanged, this, [this] {
        if (!assisted && advisingInPlay())
            assisted = true;
    });
    m_recorder = new StatisticsRecorder(m_game, m_solver, m_prompts, this);
    // The costly decisions of a won game go to the practice.
    connect(m_recorder, &StatisticsRecorder::reviewed, this, [this](const GameRecord &record, const GameReview &review) {
        PracticeWindow::keepMistakes(record, review, m_prompts);
    });
    connect(m_recorder, &StatisticsRecorder::recorded, this, [this] {
        if (m_statistics && m_statistics->isVisible())
            m_statistics->showRules({m_game.gameSettings().Winner, m_game.gameSettings().Valid});
    });
    Appearance::showPlainText(this);
    m_prompts.placeBox = [this](QWidget *box) { placeBox(box); };
    FormCreate(args);
}

TfrmMain::~TfrmMain()
{
    m_prompts.placeBox = nullptr;
    // Windows of their own, not children: gone before the game they show.
    delete m_review;
    delete m_practice;
    delete m_advisor;
    delete m_statistics;
    delete m_recorder;
    delete m_topten;
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
    m_game.prepareFirstGame();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    syncState();
}

// ---------------------------------------------------------------- building

void TfrmMain::buildActions()
{
    auto make = [this](const char *name, const char *caption, void (TfrmMain::*handler)()) {
        auto *a = new QAction(QString::fromLatin1(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        if (handler)
            connect(a, &QAction::triggered, this, handler);
        m_actions << a;
        return a;
    };
    m_aNew = make("aNew", "New Game", nullptr);
    connect(m_aNew, &QAction::triggered, this, [this] {
        m_game.aNewExecute();
        m_announcer->say(uiText("sayNewGame"));
    });
    m_aPause = make("aPause", "Pause", nullptr);
    connect(m_aPause, &QAction::triggered, this, [this] { m_game.aPauseExecute(); });
    m_aOpen = make("aOpen", "Open Game...", &TfrmMain::aOpenExecute);
    m_aSave = make("aSave", "Save Game...", &TfrmMain::aSaveExecute);
    m_aTopTen = make("aTopTen", "Top Ten...", &TfrmMain::aTopTenExecute);
    m_aStatistics = make("aStatistics", "Statistics...", &TfrmMain::aStatisticsExecute);
    m_aExit = make("aExit", "Exit", &TfrmMain::aExitExecute);
    m_aExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    m_aExit->setShortcutContext(Qt::ApplicationShortcut);
    m_aRules = make("aRules", "Rules", &TfrmMain::aRulesExecute);
    m_aSettings = make("aSettings", "Game settings...", &TfrmMain::aSettingsExecute);
    m_aLanguage = make("aLanguage", "Language editor...", &TfrmMain::aLanguageExecute);
    m_aAdvisor = make("aAdvisor", "Advisor...", &TfrmMain::aAdvisorExecute);
    m_aReview = make("aReview", "Review Game...", &TfrmMain::aReviewExecute);
    m_aPractice = make("aPractice", "Practice...", &TfrmMain::aPracticeExecute);
    m_aKeys = make("aKeys", "Keyboard Shortcuts", &TfrmMain::aKeysExecute);
    m_aAbout = make("aAbout", "About Korvex", &TfrmMain::aAboutExecute);
    // The keys players try first. An action is disabled with the menu while
    // the dice roll, and its shortcut with it.
    m_aNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_aOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_aSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_aRules->setShortcut(QKeySequence(Qt::Key_F1));
    m_aPause->setShortcuts({QKeySequence(Qt::Key_P), QKeySequence(Qt::Key_Pause)});

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

void TfrmMain::buildClient()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    // The playing surface keeps its light colours under any desktop theme;
    // the menu bar and the dialogs follow the desktop.
    Appearance::applySurface(m_client);
    Appearance::keepHighlightReadable(menuBar());
    for (QMenu *menu : menuBar()->findChildren<QMenu *>())
        Appearance::keepHighlightReadable(menu);
    setFont(windowFont(11));
    m_client->installEventFilter(this);

    m_lType = new TEffectLabel(m_client);
    m_lType->setObjectName(QStringLiteral("lType"));
    m_lType->setFont(Typeface::font(15, true));
    m_lType->setAlignment(Qt::AlignCenter);
    m_lType->setLightColor(Qt::white);
    m_lType->setShadowColor(QColor(192, 192, 192));
    setColors(m_lType, kNavy, kPanelGreen);

    for (int n = 1; n <= 6; ++n) {
        auto *d = new TRxDice(m_client);
        d->setObjectName(QStringLiteral("RxDice") + QString::number(n));
        d->setTag(n);
        d->setGeometry(16 + 72 * (n - 1), 40, 66, 66);
        d->setFocusPolicy(Qt::ClickFocus);
        connect(d, &TRxDice::clicked, this, [this, n] { clickDie(n); });
        m_dice[n] = d;
    }

    auto round = [](QWidget *parent, const char *name, const char *caption, QRect geo) {
        auto *b = new THemisphereButton(QString::fromLatin1(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(Typeface::font(16));
        b->setFaceColor(QColor(64, 243, 12));
        b->setGeometry(geo);
        return b;
    };
    m_btRoll = round(m_client, "btRoll", "Roll", QRect(129, 112, 97, 33));
    m_btDone = round(m_client, "btDone", "Done", QRect(233, 112, 97, 33));
    connect(m_btRoll, &QAbstractButton::clicked, this, [this] {
        m_lastBank = false;
        const GamePosition at = m_game.position();
        m_hotDice = m_game.phase() == GamePhase::Choosing && at.kept + at.selected == 6;
        m_game.btRollClick();
    });
    connect(m_btDone, &QAbstractButton::clicked, this, [this] {
        m_lastBank = true;
        m_game.btDoneClick();
    });

    auto label = [this](const char *name, const char *caption, QRect geo, Qt::Alignment align) {
        // A plain label that cuts a text too long for it (a translation) visibly.
        auto *l = new TEffectLabel(m_client);
        l->setText(QString::fromLatin1(caption));
        l->setLightDepth(0);
        l->setShadowDepth(0);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(Typeface::font(16));
        l->setAlignment(align | Qt::AlignVCenter);
        l->setGeometry(geo);
        setColors(l, kNavy);
        return l;
    };
    m_lTime = label("lTime", "Your time:", QRect(0, 155, 217, 22), Qt::AlignLeft);
    m_lSubTotal = label("lSubTotal", "Subtotal:", QRect(208, 155, 127, 22), Qt::AlignRight);
    m_lTotal = label("lTotal", "Total:", QRect(208, 187, 127, 22), Qt::AlignRight);
    m_lRound = label("lRound", "Round:", QRect(208, 219, 127, 22), Qt::AlignRight);
    m_lYour = label("lYour", "Your score:", QRect(208, 251, 127, 22), Qt::AlignRight);

    auto display = [this](const char *name, QRect geo, const QColor &bg, QLabel *caption) {
        auto *e = new QLabel(QStringLiteral("0"), m_client);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(geo);
        e->setFont(windowFont(16, true));
        e->setAlignment(Qt::AlignCenter);
        e->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        e->setLineWidth(2);
        e->setFocusPolicy(Qt::ClickFocus);
        e->setTextInteractionFlags(Qt::NoTextInteraction);
        e->setAccessibleName(caption->text());
        setColors(e, Appearance::surfacePalette().color(QPalette::WindowText), bg);
        e->installEventFilter(this);
        return e;
    };
    m_eSubScore = display("eSubScore", QRect(336, 152, 121, 28), kPanelGreen, m_lSubTotal);
    m_eScore = display("eScore", QRect(336, 184, 121, 28), kPanelGreen, m_lTotal);
    m_eRnd = display("eRnd", QRect(336, 216, 57, 28), kPanelSand, m_lRound);
    m_eRnd->setText(QStringLiteral("1"));

    m_eValue = new QLabel(QStringLiteral("0"), m_client);
    m_eValue->setObjectName(QStringLiteral("eValue"));
    m_eValue->setGeometry(336, 248, 121, 28);
    m_eValue->setFont(windowFont(16, true));
    m_eValue->setAlignment(Qt::AlignCenter);
    m_eValue->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_eValue->setLineWidth(1);
    m_eValue->setAccessibleName(m_lYour->text());
    setColors(m_eValue, kNavy, kPanelSand);

    m_rg10 = new ChoiceGroup(m_client);
    m_rg10->setObjectName(QStringLiteral("rg10"));
    m_rg10->setGeometry(0, 176, 105, 105);
    buildChoiceList(m_rg10, 1);
    m_rg5 = new ChoiceGroup(m_client);
    m_rg5->setObjectName(QStringLiteral("rg5"));
    m_rg5->setGeometry(104, 176, 105, 105);
    buildChoiceList(m_rg5, 5);

    auto cheat = [this](const char *name, const char *caption, int x) {
        auto *b = new QPushButton(QString::fromLatin1(caption), m_client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 288, 75, 25);
        return b;
    };
    m_Button1 = cheat("Button1", "Cheat 1", 8);
    m_Button2 = cheat("Button2", "Cheat 5", 88);
    m_Button3 = cheat("Button3", "Cheat 3", 168);
    m_Button4 = cheat("Button4", "Cheat 1+5", 248);
    m_Button1->setProperty("Tag", 1);
    m_Button2->setProperty("Tag", 5);
    m_Button3->setProperty("Tag", 3);
    for (QPushButton *b : {m_Button1, m_Button2, m_Button3})
        connect(b, &QPushButton::clicked, this, [this, b] {
            if (m_game.rollingDice() != 0)
                return;
            m_game.Button1Click(b->property("Tag").toInt());
            m_announcer->say(rollSpoken());
        });
    connect(m_Button4, &QPushButton::clicked, this, [this] {
        if (m_game.rollingDice() != 0)
            return;
        m_game.Button4Click();
        m_announcer->say(rollSpoken());
    });

    m_pCover = new QWidget(m_client);
    m_pCover->setObjectName(QStringLiteral("pCover"));
    m_pCover->setAutoFillBackground(true);
    m_btStart = round(m_pCover, "btStart", "Start", QRect(100, 96, 124, 41));
    m_btExit = round(m_pCover, "btExit", "Exit", QRect(236, 96, 124, 41));
    m_btCont = round(m_pCover, "btCont", "Continue", QRect(100, 144, 124, 41));
    connect(m_btStart, &QAbstractButton::clicked, this, [this] { m_game.btStartClick(); });
    connect(m_btExit, &QAbstractButton::clicked, m_aExit, &QAction::trigger);
    connect(m_btCont, &QAbstractButton::clicked, this, [this] { m_game.btContClick(); });
    m_pCover->hide();
    m_announcer = new Announcer(m_client);

    // Tab goes dice, Roll, Done, then the choice lists and the test buttons
    // while they are in sight; the cover keeps it among its own buttons.
    QList<QWidget *> chain;
    for (int n = 1; n <= 6; ++n)
        chain << m_dice[n];
    chain << m_btRoll << m_btDone;
    for (auto &row : m_choices)
        for (QRadioButton *r : row)
            chain << r;
    chain << m_Button1 << m_Button2 << m_Button3 << m_Button4;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
    // While a choice list is shown, Up and Down pick its valuations wherever
    // the focus is on the table; else they go on to the focused control.
    for (const auto &[key, step] : {std::pair{Qt::Key_Up, -1}, std::pair{Qt::Key_Down, 1}}) {
        auto *pick = new QShortcut(QKeySequence(key), this);
        pick->setEnabled(false);
        connect(pick, &QShortcut::activated, this, [this, step = step] { pickChoice(step); });
        m_pickKeys << pick;
    }
    setTabOrder(m_btStart, m_btCont);
    setTabOrder(m_btCont, m_btExit);
    layoutClient();
}

void TfrmMain::buildChoiceList(QGroupBox *box, int face)
{
    QFont caption = QApplication::font();
    caption.setFamily(QStringLiteral("Arial"));
    caption.setPixelSize(11);
    caption.setBold(true);
    box->setFont(caption);
    box->setFocusPolicy(Qt::NoFocus);
    auto *group = new QButtonGroup(box);
    const int row = face == 1 ? 0 : 1;
    for (int k = 0; k < 5; ++k) {
        auto *r = new QRadioButton(box);
        r->setObjectName(box->objectName() + QStringLiteral("_") + QString::number(k));
        r->setFont(windowFont(11));
        r->setGeometry(ChoiceGroup::entryRect(k));
        r->hide();
        group->addButton(r, k);
        m_choices[row][k] = r;
    }
    connect(group, &QButtonGroup::idClicked, this, [this, face, row](int id) {
        m_game.chooseEntry(face, id);
        m_announcer->say(uiText("sayChoice").arg(m_choices[row][id]->accessibleName(),
                                                  QLocale().toString(m_game.eSubScore())));
    });
    box->hide();
}

void TfrmMain::layoutClient()
{
    const int w = m_client->width();
    m_lType->setGeometry(0, 0, w, 33);
    m_pCover->setGeometry(0, 33, w, qMax(0, m_client->height() - 33));
}

// ---------------------------------------------------------------- mirroring the engine

void TfrmMain::syncDie(int n)
{
    const DieModel &d = m_game.die(n);
    m_dice[n]->setRolling(d.rotate || d.timer != 0);
    m_dice[n]->setValue(d.value);
    m_dice[n]->setDieState(d.color);
}

void TfrmMain::syncChoice(QGroupBox *box, const ChoiceList &list)
{
    const int row = box == m_rg10 ? 0 : 1;
    if (list.visible) {
        box->setTitle(list.caption);
        Appearance::markCut(box, list.caption,
                            box->fontMetrics().horizontalAdvance(list.caption)
                                > Appearance::groupCaptionRoom(box));
        for (int k = 0; k < 5; ++k) {
            QRadioButton *r = m_choices[row][k];
            const bool used = k < list.items.size();
            if (used) {
                Appearance::setFittedText(r, list.items.at(k));
                // Named whole, with its points, whether or not it is shown cut.
                const qint32 points = (row == 0 ? m_game.state().OnesChoice : m_game.state().FivesChoice)[k];
                const QString name = uiText("sayEntry").arg(list.items.at(k), QLocale().toString(points));
                if (r->accessibleName() != name)
                    r->setAccessibleName(name);
            }
            r->setVisible(used);
        }
        box->update(); // the frame closes under the last entry
        QButtonGroup *group = m_choices[row][0]->group();
        const QSignalBlocker block(group);
        if (list.itemIndex >= 0 && list.itemIndex < 5) {
            m_choices[row][list.itemIndex]->setChecked(true);
        } else if (QAbstractButton *checked = group->checkedButton()) {
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
        }
    }
    box->setVisible(list.visible);
}

void TfrmMain::syncState()
{
    const QLocale locale;
    m_eSubScore->setText(locale.toString(m_game.eSubScore()));
    m_eScore->setText(locale.toString(m_game.eScore()));
    m_eRnd->setText(locale.toString(m_game.eRnd()));
    m_eValue->setText(m_game.eValue());
    Appearance::condenseToFit(m_eValue, m_eValue->text(), m_eValue->contentsRect().width());
    nameDisplays();
    m_lType->setText(m_game.lTypeCaption());
    syncChoice(m_rg10, m_game.choiceList(1));
    syncChoice(m_rg5, m_game.choiceList(5));
    const bool menu = m_game.menuEnabled();
    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(menu);
    for (QMenu *m : {m_mFile, m_mTools, m_mHelp})
        m->menuAction()->setEnabled(menu);
    m_btRoll->setEnabled(m_game.rollDoneEnabled());
    m_btDone->setEnabled(m_game.rollDoneEnabled());
    m_btCont->setVisible(m_game.contVisible());
    if (m_pCover->isHidden() == m_game.coverVisible()) {
        m_pCover->setVisible(m_game.coverVisible());
        if (m_game.coverVisible())
            m_pCover->raise();
    }
    // A choice list that has just come up is news.
    for (auto [box, list] : {std::pair{m_rg10, &m_game.choiceList(1)}, std::pair{m_rg5, &m_game.choiceList(5)}}) {
        const bool shown = list->visible && !m_game.coverVisible();
        bool &was = box == m_rg10 ? m_rg10Shown : m_rg5Shown;
        if (shown && !was && list->itemIndex >= 0 && list->itemIndex < list->items.size()) {
            const int row = box == m_rg10 ? 0 : 1;
            m_pendingNews = uiText("sayChoiceShown").arg(list->caption,
                                                         m_choices[row][list->itemIndex]->accessibleName());
        }
        was = shown;
    }
    const bool picking = (m_game.choiceList(1).visible || m_game.choiceList(5).visible) && !m_game.coverVisible();
    for (QShortcut *pick : std::as_const(m_pickKeys))
        pick->setEnabled(picking);
    updateFocus();
}

// ---------------------------------------------------------------- focus and speech

void TfrmMain::nameDisplays()
{
    // A display is named by its caption and its value, as flat review reads it;
    // an unchanged name sends nothing.
    const std::pair<QLabel *, QLabel *> named[] = {
        {m_eSubScore, m_lSubTotal}, {m_eScore, m_lTotal}, {m_eRnd, m_lRound}, {m_eValue, m_lYour}};
    for (const auto &[display, caption] : named) {
        const QString name = spokenCaption(caption) + QLatin1Char(' ') + display->text();
        if (display->accessibleName() != name)
            display->setAccessibleName(name);
    }
}

bool TfrmMain::cheatRowShown() const
{
    return m_Button1->geometry().bottom() < m_client->height();
}

void TfrmMain::updateFocus()
{
    if (!m_announcer)
        return; // still being built
    // Only what the player can see takes the focus: behind the cover nothing
    // of the table, and the test buttons only where the window shows them.
    const bool cover = m_game.coverVisible();
    const auto allow = [](QWidget *w, bool on) {
        const Qt::FocusPolicy want = on ? Qt::StrongFocus : Qt::NoFocus;
        if (w->focusPolicy() != want)
            w->setFocusPolicy(want);
    };
    for (int n = 1; n <= 6; ++n)
        allow(m_dice[n], !cover);
    allow(m_btRoll, !cover);
    allow(m_btDone, !cover);
    for (auto &row : m_choices)
        for (QRadioButton *r : row)
            allow(r, !cover);
    for (QPushButton *b : {m_Button1, m_Button2, m_Button3, m_Button4})
        allow(b, !cover && cheatRowShown());
    QWidget *f = focusWidget();
    const bool lost = !f || !f->isVisible() || f->focusPolicy() == Qt::NoFocus
            || (cover && !m_pCover->isAncestorOf(f)) || (!cover && m_pCover->isAncestorOf(f));
    if (lost) {
        QWidget *to = cover ? (m_btCont->isVisible() ? static_cast<QWidget *>(m_btCont) : m_btStart) : m_btRoll;
        to->setFocus(Qt::OtherFocusReason);
    }
}

QString TfrmMain::spokenCaption(const QLabel *caption)
{
    // A caption ends in a colon of its own ("Subtotal:"); a value follows it.
    return caption->text().trimmed();
}

QString TfrmMain::spokenTime(qint32 seconds)
{
    const qint32 h = seconds / 3600, m = (seconds % 3600) / 60, sec = seconds % 60;
    QStringList parts;
    if (h > 0)
        parts << uiPlural("sayHours", h).arg(h);
    if (h > 0 || m > 0)
        parts << uiPlural("sayMinutes", m).arg(m);
    parts << uiPlural("saySeconds", sec).arg(sec);
    return parts.join(QLatin1Char(' '));
}

QString TfrmMain::rollSpoken()
{
    QStringList dice, faces;
    for (int n = 1; n <= 6; ++n) {
        if (m_game.die(n).color == DieKept)
            continue;
        dice << QString::number(n);
        faces << QString::number(m_game.die(n).value);
    }
    QString text = dice.size() == 6 ? uiText("sayRolled").arg(faces.join(QStringLiteral(", ")))
                                    : uiText("sayRolledSome").arg(dice.join(QStringLiteral(", ")),
                                                                  faces.join(QStringLiteral(", ")));
    if (m_hotDice)
        text = uiText("sayHotDice") + QLatin1Char(' ') + text;
    m_hotDice = false;
    return text;
}

QString TfrmMain::stateSpoken() const
{
    const QLocale locale;
    return uiText("sayState").arg(locale.toString(m_game.eScore()), locale.toString(m_game.eRnd()),
                                  locale.toString(m_game.eSubScore()),
                                  spokenCaption(m_lYour) + QLatin1Char(' ') + m_game.eValue(),
                                  spokenTime(m_game.elapsedSeconds()));
}

QString TfrmMain::wonSpoken() const
{
    const QLocale locale;
    return uiPlural("sayWon", m_game.state().RoundNo).arg(locale.toString(m_game.state().Total), locale.toString(m_game.state().RoundNo),
                                spokenTime(m_game.elapsedSeconds()),
                                spokenCaption(m_lYour) + QLatin1Char(' ') + m_game.eValue());
}

void TfrmMain::narrateRoundEnd(qint32 points, int verdict)
{
    const QLocale locale;
    const QString total = locale.toString(m_game.state().Total);
    const QString round = locale.toString(m_game.state().RoundNo);
    if (!m_lastBank)
        m_announcer->say(uiText("sayLost").arg(total, round));
    else if (verdict == int(BankVerdict::Banked))
        m_announcer->say(uiText("sayBanked").arg(locale.toString(points), total, round));
    else
        m_announcer->say(uiText("sayRefused").arg(total, round));
}

void TfrmMain::clickDie(int n)
{
    if (n < 1 || n > 6)
        return;
    int before[7];
    for (int k = 1; k <= 6; ++k)
        before[k] = m_game.DiceState(k);
    m_pendingNews.clear();
    m_game.RxDice1Click(n);
    if (m_game.die(n).value == 1 || m_game.die(n).value == 5)
        m_choiceFace = m_game.die(n).value;
    if (m_game.rollingDice() != 0)
        return; // the dice are turning: a click means nothing yet
    QStringList changedDice, faces;
    bool selected = false;
    for (int k = 1; k <= 6; ++k) {
        if (m_game.DiceState(k) == before[k])
            continue;
        changedDice << QString::number(k);
        faces << QString::number(m_game.die(k).value);
        selected = m_game.DiceState(k) == DieSelected;
    }
    const QString face = QString::number(m_game.die(n).value);
    QString text;
    if (changedDice.isEmpty()) {
        if (m_game.state().NewRound)
            text = uiText("sayRollFirst");
        else if (before[n] == DieKept)
            text = uiText("sayKept").arg(QString::number(n), face);
        else
            text = uiText("sayCannotTake").arg(QString::number(n), face);
    } else {
        const QString which = changedDice.size() == 1
                ? uiText("sayDie").arg(changedDice.constFirst(), faces.constFirst())
                : uiText("sayDice").arg(changedDice.join(QStringLiteral(", ")), faces.join(QStringLiteral(", ")));
        text = uiText(selected ? "saySelected" : "sayReleased")
                       .arg(which, QLocale().toString(m_game.eSubScore()));
    }
    if (!m_pendingNews.isEmpty())
        text += QLatin1Char(' ') + m_pendingNews;
    m_pendingNews.clear();
    m_announcer->say(text);
}

bool TfrmMain::pickChoice(int step)
{
    const bool ones = m_game.choiceList(1).visible, fives = m_game.choiceList(5).visible;
    if (!ones && !fives)
        return false;
    const int row = ones && fives ? (m_choiceFace == 5 ? 1 : 0) : (ones ? 0 : 1);
    const ChoiceList &list = row == 0 ? m_game.choiceList(1) : m_game.choiceList(5);
    const int count = int(list.items.size());
    if (count == 0)
        return false;
    const int at = list.itemIndex < 0 ? (step > 0 ? -1 : count) : list.itemIndex;
    const int to = std::clamp(at + step, 0, count - 1);
    // The entry takes the focus, so the arrows go on in the list itself.
    QRadioButton *entry = m_choices[row][to];
    setAttribute(Qt::WA_KeyboardFocusChange);
    entry->setFocus(Qt::TabFocusReason);
    if (to != list.itemIndex)
        entry->click();
    return true;
}

void TfrmMain::focusDie(int step)
{
    int at = 0;
    for (int n = 1; n <= 6; ++n)
        if (m_dice[n]->hasFocus())
            at = n;
    if (at == 0)
        return;
    setAttribute(Qt::WA_KeyboardFocusChange);
    m_dice[(at - 1 + step + 6) % 6 + 1]->setFocus(Qt::TabFocusReason);
}

void TfrmMain::syncClock()
{
    m_lTime->setText(m_game.lTimeCaption());
}

// ---------------------------------------------------------------- language

void TfrmMain::loadLanguage()
{
    const TRegAuto::Pass pass(iniLng);
    const LanguageTexts t = readLanguage(iniLng, m_topten != nullptr, m_setup != nullptr);
    loadUiTexts(iniLng);
    tellFileProblem(pass.problem());
    // Numbers are written as the language in force writes them.
    QLocale::setDefault(localeFor(languageCode(iniLng)));
    auto text = [&t](const char *key) { return t[size_t(languageIndex(QString::fromLatin1(key)))].value_or(QString()); };
    m_btRoll->setText(text("btRoll"));
    m_btDone->setText(text("btDone"));
    m_btStart->setText(text("btStart"));
    m_btCont->setText(text("btCont"));
    {
        // A choice list in sight takes its new caption with the next redraw.
        GameTexts texts = m_game.gameTexts();
        applyToTexts(t, texts);
        m_game.applyTexts(texts);
    }
    applyLanguageToDialogs(t);
    m_lSubTotal->setText(text("lSubTotal"));
    m_lTotal->setText(text("lTotal"));
    m_lRound->setText(text("lRound"));
    if (GameTexts::knownType(m_game.gameSettings().Type))
        m_lYour->setText(m_game.gameTexts().resultLabel(m_game.gameSettings().Type));
    nameDisplays();
    m_game.setLTypeCaption(m_game.gameTexts().gameTypeLabel(m_game.gameSettings().Type, m_game.gameSettings().Winner));
    m_mFile->setTitle(text("mFile"));
    m_aNew->setText(text("aNew"));
    m_aOpen->setText(text("aOpen"));
    m_aSave->setText(text("aSave"));
    m_aTopTen->setText(text("aTopTen"));
    m_aExit->setText(text("aExit"));
    m_btExit->setText(m_aExit->text());
    m_mTools->setTitle(text("mTools"));
    m_aRules->setText(text("aRules"));
    m_aSettings->setText(text("aSettings"));
    m_aLanguage->setText(text("aLanguage"));
    m_mHelp->setTitle(uiText("mHelp"));
    m_aKeys->setText(uiText("aKeys"));
    m_aAbout->setText(uiText("aAbout"));
    m_aStatistics->setText(uiText("aStatistics"));
    m_aReview->setText(uiText("aReview"));
    m_aPause->setText(uiText("aPause"));
    m_aAdvisor->setText(uiText("aAdvisor"));
    for (QPushButton *b : {m_Button1, m_Button2, m_Button3, m_Button4})
        b->setText(uiText(b->objectName().toLatin1().constData()));
    m_aPractice->setText(uiText("aPractice"));
    for (int n = 1; n <= 6; ++n)
        m_dice[n]->updateAccessibleName();
    applyMnemonics();
    if (m_advisor)
        m_advisor->refresh(); // its texts too
    if (m_review)
        m_review->refreshSoon();
    if (m_practice && m_practice->isVisible())
        m_practice->refresh();
}

QString TfrmMain::plainText(const QObject *item)
{
    const QVariant plain = item->property("plainText");
    if (plain.isValid())
        return plain.toString();
    if (const auto *a = qobject_cast<const QAction *>(item))
        return a->text();
    if (const auto *m = qobject_cast<const QMenu *>(item))
        return m->title();
    return QString();
}

void TfrmMain::applyMnemonics()
{
    // Alt and a letter open a menu, and a letter picks an item in it. The
    // letters are added to what is shown only: the texts in force, which the
    // language editor reads and saves, stay as the file has them.
    const auto mark = [](const QString &plain, QSet<QChar> &used) {
        QString escaped = plain;
        escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
        for (int i = 0; i < escaped.size(); ++i) {
            const QChar c = escaped.at(i).toLower();
            if (escaped.at(i) == QLatin1Char('&')) {
                ++i;
                continue;
            }
            if (c.isLetterOrNumber() && !used.contains(c)) {
                used.insert(c);
                return escaped.left(i) + QLatin1Char('&') + escaped.mid(i);
            }
        }
        return escaped;
    };
    QSet<QChar> bar;
    for (QMenu *menu : {m_mFile, m_mTools, m_mHelp}) {
        const QString plain = menu->title() == menu->property("shownText").toString()
                ? menu->property("plainText").toString() : menu->title();
        menu->setProperty("plainText", plain);
        menu->setTitle(mark(plain, bar));
        menu->setProperty("shownText", menu->title());
        QSet<QChar> items;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                continue;
            // An action in two menus keeps the letter its first menu gave it.
            if (a->property("markedIn").value<QObject *>() && a->property("markedIn").value<QObject *>() != menu) {
                const int at = a->text().indexOf(QRegularExpression(QStringLiteral("&[^&]")));
                if (at >= 0)
                    items.insert(a->text().at(at + 1).toLower());
                continue;
            }
            const QString text = a->text() == a->property("shownText").toString() ? plainText(a) : a->text();
            a->setProperty("plainText", text);
            a->setProperty("markedIn", QVariant::fromValue<QObject *>(menu));
            a->setText(mark(text, items));
            a->setProperty("shownText", a->text());
        }
    }
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
    m_game.aPauseExecute();
    const QString path = m_prompts.saveFileName(this, plainText(m_aSave), ProgramDir::get(), m_lastSaveName);
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty()) {
        // cancelled
    } else if (ProgramDir::isGameFile(path)) {
        // A saved game over the settings, a table or the rules would lose them.
        m_prompts.showError(uiText("saveOwnFile").arg(shown));
    } else if ((QFileInfo::exists(path) || QFileInfo(path).isSymLink())
               && !m_prompts.confirm(plainText(m_aSave), uiText("saveReplace").arg(shown))) {
        // kept as it is
    } else {
        m_lastSaveName = path;
        try {
            writeSavedGame(path, m_game.snapshot());
        } catch (const KvxError &e) {
            m_prompts.showError(e.message());
        }
    }
    m_game.aPauseExecute();
}

void TfrmMain::aOpenExecute()
{
    m_game.aPauseExecute();
    const QString path = m_prompts.openFileName(this, plainText(m_aOpen), ProgramDir::get());
    if (path.isEmpty())
        return;
    try {
        applySavedGame(m_game, readSavedGame(path));
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
    }
    m_game.aPauseExecute();
}

// ---------------------------------------------------------------- help

QList<QPair<QString, QString>> TfrmMain::keyTable() const
{
    const auto keys = [](const QAction *a) {
        QStringList names;
        for (const QKeySequence &k : a->shortcuts())
            names << k.toString(QKeySequence::NativeText);
        return names.join(QStringLiteral(", "));
    };
    // A command as its menu names it, without the dots of a dialog.
    const auto command = [](const QAction *a) {
        QString t = plainText(a);
        while (t.endsWith(QLatin1Char('.')))
            t.chop(1);
        return t.trimmed();
    };
    const QString enter = uiText("keyEnter");
    return {
        {uiText("keyDice"), uiText("keyDiceDoes")},
        {QKeySequence(Qt::Key_R).toString(QKeySequence::NativeText), uiText("keyRollDoes")},
        {QKeySequence(Qt::Key_D).toString(QKeySequence::NativeText) + QStringLiteral(", ") + enter,
         uiText("keyDoneDoes")},
        {enter, uiText("keyCoverDoes")},
        {uiText("keyArrows"), uiText("keyArrowsDoes")},
        {uiText("keyDieMoves"), uiText("keyDieMovesDoes")},
        {QKeySequence(Qt::Key_S).toString(QKeySequence::NativeText), uiText("keyStateDoes")},
        {keys(m_aPause), command(m_aPause)},
        {keys(m_aNew), command(m_aNew)},
        {keys(m_aOpen), command(m_aOpen)},
        {keys(m_aSave), command(m_aSave)},
        {keys(m_aRules), command(m_aRules)},
        {keys(m_aExit), command(m_aExit)},
        {QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText), uiText("keyEscapeDoes")},
    };
}

void TfrmMain::aKeysExecute()
{
    m_game.aPauseExecute();
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("dlgKeys"));
    dlg.setWindowTitle(plainText(m_aKeys));
    auto *box = new QVBoxLayout(&dlg);
    const QList<QPair<QString, QString>> rows = keyTable();
    auto *table = new QTableWidget(int(rows.size()), 2, &dlg);
    table->setObjectName(QStringLiteral("tblKeys"));
    table->setAccessibleName(plainText(m_aKeys));
    table->setHorizontalHeaderLabels({uiText("keyColumnKey"), uiText("keyColumnDoes")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    for (int r = 0; r < rows.size(); ++r) {
        table->setItem(r, 0, new QTableWidgetItem(rows.at(r).first));
        table->setItem(r, 1, new QTableWidgetItem(rows.at(r).second));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    box->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    buttons->button(QDialogButtonBox::Close)->setText(uiText("helpClose"));
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    box->addWidget(buttons);
    // Wide and tall enough for every row without scrolling.
    int width = table->verticalHeader()->width() + 4;
    for (int c = 0; c < 2; ++c)
        width += table->columnWidth(c);
    const int height = table->horizontalHeader()->height() + table->rowHeight(0) * int(rows.size()) + 4;
    table->setMinimumSize(width + 16, height);
    table->setCurrentCell(0, 0);
    m_prompts.runModal(dlg);
}

void TfrmMain::aAboutExecute()
{
    m_game.aPauseExecute();
    QString text = QStringLiteral("<h3>Korvex %1</h3><p>%2</p><p>%3</p>")
                           .arg(QStringLiteral(KORVEX_VERSION), uiText("aboutWhat").toHtmlEscaped(),
                                uiText("aboutLicence").toHtmlEscaped());
    if (Typeface::registeredFontId() >= 0)
        text += QStringLiteral("<p>%1</p>").arg(uiText("aboutTypeface").toHtmlEscaped());
    QMessageBox box(QMessageBox::NoIcon, plainText(m_aAbout), text, QMessageBox::Close, this);
    box.setObjectName(QStringLiteral("dlgAbout"));
    box.button(QMessageBox::Close)->setText(uiText("helpClose"));
    box.setTextFormat(Qt::RichText);
    if (!windowIcon().isNull())
        box.setIconPixmap(windowIcon().pixmap(64, 64));
    m_prompts.runModal(box);
}

// ---------------------------------------------------------------- focus and keys

void TfrmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The clock does not count while the player has put the game away.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        m_game.pauseWhenIdle();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        layoutClient();
        updateFocus(); // the test buttons come into sight, or go
    } else if (watched == m_eScore || watched == m_eSubScore || watched == m_eRnd) {
        // The displays never keep the focus: it goes to the first die (eRndEnter).
        if (event->type() == QEvent::FocusIn) {
            m_dice[1]->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // A held key is one click, as a held mouse button is.
    if (event->isAutoRepeat()
        && (enter || (key >= Qt::Key_1 && key <= Qt::Key_6) || key == Qt::Key_R || key == Qt::Key_D))
        return;
    if (key == Qt::Key_S && !event->isAutoRepeat()) {
        m_announcer->say(stateSpoken());
        return;
    }
    if (key == Qt::Key_Escape && m_topten && m_topten->isVisible()) {
        m_topten->btCloseClick();
        return;
    }
    if (m_game.coverVisible()) {
        if (enter) {
            (m_game.contVisible() ? m_btCont : m_btStart)->click();
            return;
        }
    } else if (key >= Qt::Key_1 && key <= Qt::Key_6) {
        clickDie(key - Qt::Key_1 + 1);
        return;
    } else if (key == Qt::Key_Space || key == Qt::Key_Left || key == Qt::Key_Right
               || key == Qt::Key_Up || key == Qt::Key_Down) {
        // On a die: Space takes or releases it, the arrows go to its neighbours.
        for (int n = 1; n <= 6; ++n) {
            if (!m_dice[n]->hasFocus())
                continue;
            if (key == Qt::Key_Space) {
                if (!event->isAutoRepeat())
                    clickDie(n);
            } else {
                focusDie(key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1);
            }
            return;
        }
    } else if (key == Qt::Key_R) {
        if (m_btRoll->isEnabled())
            m_btRoll->click();
        return;
    } else if (key == Qt::Key_D || enter) {
        if (m_btDone->isEnabled())
            m_btDone->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- the other windows

namespace {
// The top-ten check's questions, asked through the window's prompts.
class TopTenPrompts : public TopTenUi
{
public:
    TopTenPrompts(Prompts &prompts, std::function<void()> show) : m_prompts(prompts), m_show(std::move(show)) {}
    void showMessage(const QString &text) override { m_prompts.showMessage(text); }
    void showError(const QString &text) override { m_prompts.showError(text); }
    bool askName(const QString &caption, const QString &prompt, QString &text) override
    {
        return m_prompts.askName(caption, prompt, text);
    }
    void showTopTen() override { m_show(); }

private:
    Prompts &m_prompts;
    std::function<void()> m_show;
};
} // namespace

void TfrmMain::aAdvisorExecute()
{
    if (!m_advisor) {
        // A window of its own: a Wayland compositor keeps the keyboard on a
        // child window while it is open, even when the player clicks the game.
        m_advisor = new AdvisorWindow(m_game, m_solver);
        m_advisor->setGameAssisted([this] { return assisted; });
        // It opens beside the game, which keeps the keyboard.
        m_advisor->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    // Over a game in play its advice is in sight at once; over the cover the
    // game stays clean until it is played on with the window open.
    if (!m_game.coverVisible())
        assisted = true;
    // Each opening finds it beside this window, whole on this window's screen,
    // wherever it was left or whatever screens came and went since.
    if (!m_advisor->isVisible())
        placeBeside(m_advisor);
    m_advisor->show();
    m_advisor->raise();
    activateWindow();
}

bool TfrmMain::advisingInPlay() const
{
    return m_advisor && m_advisor->isVisible() && !m_game.coverVisible() && !m_game.winning();
}

void TfrmMain::aReviewExecute()
{
    if (!m_review) {
        // A window of its own, as the advisor is.
        m_review = new ReviewWindow(m_game, m_solver);
        // It opens beside the game, which keeps the keyboard.
        m_review->setAttribute(Qt::WA_ShowWithoutActivating);
        // The best plays of a game still being played assist it; a game won stays as it was.
        connect(m_review, &ReviewWindow::showsGameInProgress, this, [this] { assisted = true; });
        connect(m_review, &ReviewWindow::reviewed, this, [this](const GameRecord &record, const GameReview &review) {
            PracticeWindow::keepMistakes(record, review, m_prompts);
        });
    }
    if (!m_review->isVisible())
        placeBeside(m_review);
    m_review->show();
    m_review->raise();
    activateWindow();
}

void TfrmMain::aPracticeExecute()
{
    if (!m_practice) {
        // A window of its own, as the review is. It reads the rules in force
        // and nothing else of the game: practising assists no game.
        m_practice = new PracticeWindow(m_solver, m_prompts, [this] {
            return std::pair<qint32, bool>(m_game.gameSettings().Winner, m_game.gameSettings().Valid);
        });
    }
    if (!m_practice->isVisible())
        placeBeside(m_practice);
    m_practice->show();
    m_practice->raise();
    m_practice->activateWindow();
}

void TfrmMain::placeBeside(QWidget *window)
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // Before its first showing a window has no decoration yet; it gets the
    // same as this one.
    const QSize decoration = window->isVisible() ? window->frameGeometry().size() - window->size()
                                                 : frameGeometry().size() - size();
    const QSize smallest = window->minimumSize().expandedTo(window->minimumSizeHint()) + decoration;
    const QRect available = screen->availableGeometry();
    QRect frame = placeBesideFrame(frameGeometry(), window->size() + decoration, available, playArea(), smallest);
    const auto shown = [window](const QWidget *other) { return other && other != window && other->isVisible(); };
    if (frame.intersects(playArea()) && !isMaximized() && !isFullScreen()
        && !shown(m_advisor) && !shown(m_review) && !shown(m_statistics)) {
        // No room beside the dice: the game moves to a side of the screen
        // where the window fits beside it (unless another stands beside it).
        for (const int x : {available.left(), available.right() + 1 - frameGeometry().width()}) {
            const QPoint shift(x - frameGeometry().left(), 0);
            const QRect moved = frameGeometry().translated(shift), kept = playArea().translated(shift);
            const QRect there = placeBesideFrame(moved, window->size() + decoration, available, kept, smallest);
            if (!there.intersects(kept) && available.contains(moved)) {
                move(pos() + shift);
                frame = there;
                break;
            }
        }
    }
    // A window placed clear of the dice stays in front of the game from its
    // first showing on; one that could not be is left for the player to
    // bring the game in front of.
    if (!window->testAttribute(Qt::WA_WState_Created) && !frame.intersects(playArea()))
        keepInFront(window);
    if (frame.size() != window->size() + decoration)
        window->resize(frame.size() - decoration);
    moveFrameTo(window, frame.topLeft());
}

void TfrmMain::moveFrameTo(QWidget *window, QPoint at) const
{
    // Once its native window exists, a window takes a point as its client's
    // until the window system has framed it: it gets this window's frame.
    if (window->testAttribute(Qt::WA_WState_Created) && window->frameGeometry() == window->geometry())
        at += geometry().topLeft() - frameGeometry().topLeft();
    window->move(at);
}

void TfrmMain::keepInFront(QWidget *window) const
{
    // Under X11 the window manager keeps a window that belongs to the game
    // above it, also while the game has the keyboard.
    if (WindowSystem::isWayland())
        return;
    winId(); // this window's own handle, shown or not
    // X11 lets only dialogs and tool windows belong to another window.
    if (window->windowType() == Qt::Window && !window->testAttribute(Qt::WA_WState_Created))
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog
                               | Qt::WindowMinMaxButtonsHint);
    window->winId();
    if (QWindow *handle = window->windowHandle(); handle && windowHandle())
        handle->setTransientParent(windowHandle());
}

void TfrmMain::placeBox(QWidget *box) const
{
    const QScreen *screen = this->screen();
    if (!screen || !isVisible())
        return;
    // A box is shown before the window system decorates it.
    const QSize decoration = frameGeometry().size() - size();
    const QRect frame = placeBoxFrame(frameGeometry(), playArea(), box->size() + decoration,
                                      screen->availableGeometry());
    moveFrameTo(box, frame.topLeft());
}

QRect TfrmMain::playArea() const
{
    QRect area;
    for (int n = 1; n <= 6; ++n)
        area |= m_dice[n]->geometry();
    area |= m_btRoll->geometry() | m_btDone->geometry() | m_rg10->geometry() | m_rg5->geometry();
    return QRect(m_client->mapToGlobal(area.topLeft()), area.size());
}

void TfrmMain::showMessage(const QString &text)
{
    m_prompts.showMessage(text);
}

bool TfrmMain::runTopTenCheck()
{
    m_recorder->recordWin(assisted);
    if (assisted) {
        m_prompts.showMessage(uiText("msgAssisted"));
        return true;
    }
    TopTenPrompts ui(m_prompts, [this] { showToptenAfterCheck(); });
    try {
        CheckTopTen(m_game.state().Total, m_game.state().RoundNo, m_game.ElapsedText(), QDate::currentDate(),
                    m_game.gameTexts().msgNewHi, ui);
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
        return false;
    }
    return true;
}

void TfrmMain::aStatisticsExecute()
{
    if (!m_statistics) {
        // The best play of the rules shown: solved once for every window.
        m_statistics = new StatisticsWindow(m_prompts, [this](qint32 winner, bool band) {
            return m_solver.request(winner, band);
        });
        connect(&m_solver, &SolveService::solved, m_statistics, &StatisticsWindow::solutionReady);
        // Beside the game, which keeps the keyboard, as the advisor is.
        m_statistics->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    m_statistics->showRules({m_game.gameSettings().Winner, m_game.gameSettings().Valid});
    if (!m_statistics->isVisible())
        placeBeside(m_statistics);
    m_statistics->show();
    m_statistics->raise();
    activateWindow();
}

void TfrmMain::buildDialogs()
{
    topten();
    setup();
}

TfrmTopten &TfrmMain::topten()
{
    if (m_topten)
        return *m_topten;
    // A window of its own, like the advisor; under X11 it stays in front of
    // the game, which keeps the keyboard while it is open.
    m_topten = new TfrmTopten({&m_game.gameSettings(), &m_game.gameTexts(), &iniLng, &m_prompts, [this](int type) {
                                  GameSettings s = m_game.gameSettings();
                                  s.Type = type;
                                  m_game.applySettings(s);
                              }});
    m_topten->setAttribute(Qt::WA_ShowWithoutActivating);
    keepInFront(m_topten);
    return *m_topten;
}

void TfrmMain::showToptenAfterCheck()
{
    topten().FillTopTen();
    topten().show();
    // The window opens beside the game without the focus: its news is spoken.
    const QByteArray stamp = topTenStamp(QDate::currentDate(), m_game.ElapsedText());
    const TopTenTable &table = topTenTable();
    for (int n = 1; n <= TopTen::Slots; ++n) {
        if (table.slot(n).Stamp == stamp) {
            const int type = m_game.gameSettings().Type == 2 ? 2 : 1;
            m_announcer->say(uiText("sayTopTen").arg(type == 2 ? m_game.gameTexts().lType2 : m_game.gameTexts().lType1)
                                     .arg(n));
            break;
        }
    }
}

void TfrmMain::aTopTenExecute()
{
    // Shown as it was last filled, in front of the game, without taking the
    // focus from it.
    topten().show();
    topten().raise();
    activateWindow();
}

void TfrmMain::applyLanguageToDialogs(const LanguageTexts &t)
{
    if (m_topten)
        m_topten->applyLanguage(t);
    if (m_setup)
        m_setup->applyLanguage(t);
}

void TfrmMain::runSetup(bool languagePage)
{
    m_game.aPauseExecute();
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
        return m_game.gameTexts().*kLanguageTable[index].variable;
    // The dialogs' own captions, once they are built.
    if (const QString caption = m_setup ? m_setup->caption(key) : QString(); !caption.isNull())
        return caption;
    if (const QString caption = m_topten ? m_topten->caption(key) : QString(); !caption.isNull())
        return caption;
    // Captions of this window: its controls, menus and actions carry the key as their name.
    if (const auto *button = findChild<QAbstractButton *>(key))
        return button->text();
    if (const auto *label = findChild<QLabel *>(key))
        return label->text();
    if (const auto *menu = findChild<QMenu *>(key))
        return plainText(menu);
    if (const auto *action = findChild<QAction *>(key))
        return plainText(action);
    return index >= 0 ? QString::fromUtf8(kLanguageTable[index].englishDefault) : QString();
}

void TfrmMain::typeTextsChanged()
{
    if (GameTexts::knownType(m_game.gameSettings().Type))
        m_lYour->setText(m_game.gameTexts().resultLabel(m_game.gameSettings().Type));
    nameDisplays();
}

void TfrmMain::gameTypeTextChanged()
{
    m_game.setLTypeCaption(m_game.gameTexts().gameTypeLabel(m_game.gameSettings().Type, m_game.gameSettings().Winner));
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
