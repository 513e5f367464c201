// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: layout, menu, actions, and the mirror of the engine's state.
#include "app/TfrmMain.h"
#include "app/Prompts.h"
#include "app/ProgramDir.h"
#include "app/AdvisorWindow.h"
#include "app/TEffectLabel.h"
#include "app/THemisphereButton.h"
#include "app/Typeface.h"
#include "game/KvxError.h"
#include "game/TRxDice.h"
#include "game/TimerService.h"
#include "records/SavedGame.h"
#include "records/TfrmTopten.h"
#include "records/TopTenCheck.h"
#include "settings/Config.h"
#include "settings/LanguageTable.h"
#include "settings/TfrmSetup.h"
#include "settings/UiTexts.h"

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

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

// Tells assistive tools about a change nobody has the focus on: the text
// becomes the playing surface's description, so a listener that hears the
// event can read it back. The same text again is announced again.
void announce(QWidget *surface, const QString &text, bool alert)
{
    if (surface->accessibleDescription() != text) {
        surface->setAccessibleDescription(text);
    } else {
        QAccessibleEvent again(surface, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&again);
    }
    if (alert) {
        QAccessibleEvent event(surface, QAccessible::Alert);
        QAccessible::updateAccessibility(&event);
    }
}

// The dice that were just rolled, by number, so a player knows which key
// selects which face.
QString rollText(const Game &game)
{
    QStringList faces;
    for (int n = 1; n <= 6; ++n)
        if (game.die(n).color != DieKept)
            faces << QStringLiteral("die %1: %2").arg(n).arg(game.die(n).value);
    return QStringLiteral("Roll: ") + faces.join(QStringLiteral(", "));
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

// A choice list: an inset frame whose caption carries a navy shadow.
class ChoiceGroup : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter p(this);
        QStyleOptionGroupBox opt;
        initStyleOption(&opt);
        const QRect textRect = style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, this);
        opt.text.clear();
        p.drawComplexControl(QStyle::CC_GroupBox, opt);
        p.setFont(font());
        p.setPen(QColor(0, 0, 128));
        p.drawText(textRect.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, title());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, title());
    }
};

} // namespace

TfrmMain::TfrmMain(Prompts &prompts, TimerService &timers, const QStringList &args, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts), m_game(timers, prompts)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvex"));
    buildActions();
    buildClient();
    connect(&m_game, &Game::stateChanged, this, &TfrmMain::syncState);
    connect(&m_game, &Game::dieChanged, this, &TfrmMain::syncDie);
    connect(&m_game, &Game::clockChanged, this, &TfrmMain::syncClock);
    connect(&m_game, &Game::messageShown, this, [this](const QString &text) { announce(m_client, text, true); });
    // A roll is over when the last die stops; its faces are announced before
    // anything the evaluation may show.
    connect(&m_game, &Game::stateChanged, this, [this, rolling = false]() mutable {
        const bool now = m_game.RollingDice != 0;
        if (rolling && !now)
            announce(m_client, rollText(m_game), false);
        rolling = now;
    });
    m_game.onCheckTopTen = [this] { return runTopTenCheck(); };
    FormCreate(args);
}

TfrmMain::~TfrmMain()
{
    // Windows of their own, not children: gone before the game they show.
    delete m_advisor;
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
    const Config cfg = readConfig(iniCfg);
    m_game.settings.Winner = cfg.Winner;
    m_game.settings.Valid = cfg.Valid;
    m_game.settings.Type = cfg.Type;
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
    aNew = make("aNew", "New Game", nullptr);
    connect(aNew, &QAction::triggered, this, [this] { m_game.aNewExecute(); });
    aPause = make("aPause", "Pause", nullptr);
    connect(aPause, &QAction::triggered, this, [this] { m_game.aPauseExecute(); });
    aOpen = make("aOpen", "Open Game...", &TfrmMain::aOpenExecute);
    aSave = make("aSave", "Save Game...", &TfrmMain::aSaveExecute);
    aTopTen = make("aTopTen", "Top Ten...", &TfrmMain::aTopTenExecute);
    aExit = make("aExit", "Exit", &TfrmMain::aExitExecute);
    aExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    aExit->setShortcutContext(Qt::ApplicationShortcut);
    aRules = make("aRules", "Rules", &TfrmMain::aRulesExecute);
    aSettings = make("aSettings", "Game settings...", &TfrmMain::aSettingsExecute);
    aLanguage = make("aLanguage", "Language editor...", &TfrmMain::aLanguageExecute);
    aAdvisor = make("aAdvisor", "Advisor...", &TfrmMain::aAdvisorExecute);

    QMenuBar *eMenu = menuBar();
    eMenu->setObjectName(QStringLiteral("eMenu"));
    mFile = eMenu->addMenu(QStringLiteral("File"));
    mFile->setObjectName(QStringLiteral("mFile"));
    // The menu items are the actions themselves.
    mFile->addActions({aNew, aPause});
    mFile->addSeparator()->setObjectName(QStringLiteral("N2"));
    mFile->addActions({aOpen, aSave});
    mFile->addSeparator()->setObjectName(QStringLiteral("N3"));
    mFile->addAction(aTopTen);
    mFile->addSeparator()->setObjectName(QStringLiteral("N1"));
    mFile->addAction(aExit);
    mTools = eMenu->addMenu(QStringLiteral("Tools"));
    mTools->setObjectName(QStringLiteral("mTools"));
    mTools->addActions({aRules, aSettings, aLanguage, aAdvisor});
}

void TfrmMain::buildClient()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    setFont(windowFont(11));
    m_client->installEventFilter(this);

    lType = new TEffectLabel(m_client);
    lType->setObjectName(QStringLiteral("lType"));
    lType->setFont(Typeface::font(15, true));
    lType->setAlignment(Qt::AlignCenter);
    lType->setLightColor(Qt::white);
    lType->setShadowColor(QColor(192, 192, 192));
    setColors(lType, kNavy, kPanelGreen);

    for (int n = 1; n <= 6; ++n) {
        auto *d = new TRxDice(m_client);
        d->setObjectName(QStringLiteral("RxDice") + QString::number(n));
        d->setTag(n);
        d->setGeometry(16 + 72 * (n - 1), 40, 66, 66);
        d->setFocusPolicy(Qt::ClickFocus);
        connect(d, &TRxDice::clicked, this, [this, n] { m_game.RxDice1Click(n); });
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
    btRoll = round(m_client, "btRoll", "Roll", QRect(129, 112, 97, 33));
    btDone = round(m_client, "btDone", "Done", QRect(233, 112, 97, 33));
    connect(btRoll, &QAbstractButton::clicked, this, [this] { m_game.btRollClick(); });
    connect(btDone, &QAbstractButton::clicked, this, [this] { m_game.btDoneClick(); });

    auto label = [this](const char *name, const char *caption, QRect geo, Qt::Alignment align) {
        auto *l = new QLabel(QString::fromLatin1(caption), m_client);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(Typeface::font(16));
        l->setAlignment(align | Qt::AlignVCenter);
        l->setGeometry(geo);
        setColors(l, kNavy);
        return l;
    };
    lTime = label("lTime", "Your time:", QRect(0, 155, 217, 22), Qt::AlignLeft);
    lSubTotal = label("lSubTotal", "Subtotal:", QRect(208, 155, 127, 22), Qt::AlignRight);
    lTotal = label("lTotal", "Total:", QRect(208, 187, 127, 22), Qt::AlignRight);
    lRound = label("lRound", "Round:", QRect(208, 219, 127, 22), Qt::AlignRight);
    lYour = label("lYour", "Your score:", QRect(208, 251, 127, 22), Qt::AlignRight);

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
        setColors(e, QApplication::palette().color(QPalette::WindowText), bg);
        e->installEventFilter(this);
        return e;
    };
    eSubScore = display("eSubScore", QRect(336, 152, 121, 28), kPanelGreen, lSubTotal);
    eScore = display("eScore", QRect(336, 184, 121, 28), kPanelGreen, lTotal);
    eRnd = display("eRnd", QRect(336, 216, 57, 28), kPanelSand, lRound);
    eRnd->setText(QStringLiteral("1"));

    eValue = new QLabel(QStringLiteral("0"), m_client);
    eValue->setObjectName(QStringLiteral("eValue"));
    eValue->setGeometry(336, 248, 121, 28);
    eValue->setFont(windowFont(16, true));
    eValue->setAlignment(Qt::AlignCenter);
    eValue->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    eValue->setLineWidth(1);
    eValue->setAccessibleName(lYour->text());
    setColors(eValue, kNavy, kPanelSand);

    rg10 = new ChoiceGroup(m_client);
    rg10->setObjectName(QStringLiteral("rg10"));
    rg10->setGeometry(0, 176, 105, 105);
    buildChoiceList(rg10, 1);
    rg5 = new ChoiceGroup(m_client);
    rg5->setObjectName(QStringLiteral("rg5"));
    rg5->setGeometry(104, 176, 105, 105);
    buildChoiceList(rg5, 5);

    auto cheat = [this](const char *name, const char *caption, int x) {
        auto *b = new QPushButton(QString::fromLatin1(caption), m_client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 288, 75, 25);
        return b;
    };
    Button1 = cheat("Button1", "Cheat 1", 8);
    Button2 = cheat("Button2", "Cheat 5", 88);
    Button3 = cheat("Button3", "Cheat 3", 168);
    Button4 = cheat("Button4", "Cheat 1+5", 248);
    Button1->setProperty("Tag", 1);
    Button2->setProperty("Tag", 5);
    Button3->setProperty("Tag", 3);
    for (QPushButton *b : {Button1, Button2, Button3})
        connect(b, &QPushButton::clicked, this, [this, b] {
            if (m_game.RollingDice != 0)
                return;
            m_game.Button1Click(b->property("Tag").toInt());
            announce(m_client, rollText(m_game), false);
        });
    connect(Button4, &QPushButton::clicked, this, [this] {
        if (m_game.RollingDice != 0)
            return;
        m_game.Button4Click();
        announce(m_client, rollText(m_game), false);
    });

    pCover = new QWidget(m_client);
    pCover->setObjectName(QStringLiteral("pCover"));
    pCover->setAutoFillBackground(true);
    btStart = round(pCover, "btStart", "Start", QRect(100, 96, 124, 41));
    btExit = round(pCover, "btExit", "Exit", QRect(236, 96, 124, 41));
    btCont = round(pCover, "btCont", "Continue", QRect(100, 144, 124, 41));
    connect(btStart, &QAbstractButton::clicked, this, [this] { m_game.btStartClick(); });
    connect(btExit, &QAbstractButton::clicked, aExit, &QAction::trigger);
    connect(btCont, &QAbstractButton::clicked, this, [this] { m_game.btContClick(); });
    pCover->hide();
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
        r->setGeometry(6, 16 + 17 * k, 97, 17);
        r->hide();
        group->addButton(r, k);
        m_choices[row][k] = r;
    }
    connect(group, &QButtonGroup::idClicked, this, [this, face](int id) { m_game.chooseEntry(face, id); });
    box->hide();
}

void TfrmMain::layoutClient()
{
    const int w = m_client->width();
    lType->setGeometry(0, 0, w, 33);
    pCover->setGeometry(0, 33, w, qMax(0, m_client->height() - 33));
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
    const int row = box == rg10 ? 0 : 1;
    if (list.visible) {
        box->setTitle(list.caption);
        for (int k = 0; k < 5; ++k) {
            QRadioButton *r = m_choices[row][k];
            const bool used = k < list.items.size();
            if (used)
                r->setText(list.items.at(k));
            r->setVisible(used);
        }
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
    eSubScore->setText(locale.toString(m_game.eSubScore()));
    eScore->setText(locale.toString(m_game.eScore()));
    eRnd->setText(locale.toString(m_game.eRnd()));
    eValue->setText(m_game.eValue());
    // A display is named by its caption, so its number goes out as its description.
    for (QLabel *e : {eSubScore, eScore, eRnd, eValue})
        e->setAccessibleDescription(e->text());
    lType->setText(m_game.lTypeCaption());
    syncChoice(rg10, m_game.rg10);
    syncChoice(rg5, m_game.rg5);
    const bool menu = m_game.menuEnabled();
    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(menu);
    mFile->menuAction()->setEnabled(menu);
    mTools->menuAction()->setEnabled(menu);
    btRoll->setEnabled(m_game.rollDoneEnabled());
    btDone->setEnabled(m_game.rollDoneEnabled());
    btCont->setVisible(m_game.contVisible());
    if (pCover->isHidden() == m_game.coverVisible()) {
        pCover->setVisible(m_game.coverVisible());
        if (m_game.coverVisible())
            pCover->raise();
    }
}

void TfrmMain::syncClock()
{
    lTime->setText(m_game.lTimeCaption());
}

// ---------------------------------------------------------------- language

void TfrmMain::loadLanguage()
{
    const LanguageTexts t = readLanguage(iniLng, m_topten != nullptr, m_setup != nullptr);
    loadUiTexts(iniLng);
    auto text = [&t](const char *key) { return t[size_t(languageIndex(QString::fromLatin1(key)))].value_or(QString()); };
    btRoll->setText(text("btRoll"));
    btDone->setText(text("btDone"));
    btStart->setText(text("btStart"));
    btCont->setText(text("btCont"));
    applyToTexts(t, m_game.texts);
    applyLanguageToDialogs(t);
    lSubTotal->setText(text("lSubTotal"));
    lTotal->setText(text("lTotal"));
    lRound->setText(text("lRound"));
    eSubScore->setAccessibleName(lSubTotal->text());
    eScore->setAccessibleName(lTotal->text());
    eRnd->setAccessibleName(lRound->text());
    if (m_game.settings.Type == 1 || m_game.settings.Type == 2)
        lYour->setText(m_game.texts.resultLabel(m_game.settings.Type));
    eValue->setAccessibleName(lYour->text());
    m_game.setLTypeCaption(m_game.texts.gameTypeLabel(m_game.settings.Type, m_game.settings.Winner));
    mFile->setTitle(text("mFile"));
    aNew->setText(text("aNew"));
    aOpen->setText(text("aOpen"));
    aSave->setText(text("aSave"));
    aTopTen->setText(text("aTopTen"));
    aExit->setText(text("aExit"));
    btExit->setText(aExit->text());
    mTools->setTitle(text("mTools"));
    aRules->setText(text("aRules"));
    aSettings->setText(text("aSettings"));
    aLanguage->setText(text("aLanguage"));
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
    aSettings->trigger();
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
    const QString path = m_prompts.saveFileName(this, aSave->text(), ProgramDir::get(), m_lastSaveName);
    if (!path.isEmpty()) {
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
    const QString path = m_prompts.openFileName(this, aOpen->text(), ProgramDir::get());
    if (path.isEmpty())
        return;
    try {
        applySavedGame(m_game, readSavedGame(path));
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
    }
    m_game.aPauseExecute();
}

// ---------------------------------------------------------------- focus and keys

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        layoutClient();
    } else if (watched == eScore || watched == eSubScore || watched == eRnd) {
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
    if (m_game.coverVisible()) {
        if (enter) {
            (m_game.contVisible() ? btCont : btStart)->click();
            return;
        }
    } else if (key >= Qt::Key_1 && key <= Qt::Key_6) {
        m_game.RxDice1Click(key - Qt::Key_1 + 1);
        return;
    } else if (key == Qt::Key_R) {
        if (btRoll->isEnabled())
            btRoll->click();
        return;
    } else if (key == Qt::Key_D || enter) {
        if (btDone->isEnabled())
            btDone->click();
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
        m_advisor = new AdvisorWindow(m_game);
        connect(&m_game, &Game::newGameStarted, this,
                [this] { assisted = m_advisor && m_advisor->isVisible(); });
        placeBeside(m_advisor);
    }
    assisted = true;
    m_advisor->show();
    m_advisor->raise();
}

void TfrmMain::placeBeside(QWidget *window) const
{
    // To the right of this window where the screen has room, else to its
    // left, else as far right as it fits; level with this window's top.
    const QRect frame = frameGeometry();
    const QScreen *screen = this->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(frame.topLeft(), window->size());
    const QSize size = window->size();
    const int gap = 8;
    int x = frame.right() + 1 + gap;
    if (x + size.width() > avail.right() + 1 && frame.left() - gap - size.width() >= avail.left())
        x = frame.left() - gap - size.width();
    x = std::max(avail.left(), std::min(x, avail.right() + 1 - size.width()));
    const int y = std::max(avail.top(), std::min(frame.top(), avail.bottom() + 1 - size.height()));
    window->move(x, y);
}

bool TfrmMain::runTopTenCheck()
{
    if (assisted) {
        m_prompts.showMessage(uiText("msgAssisted"));
        return true;
    }
    TopTenPrompts ui(m_prompts, [this] { showToptenAfterCheck(); });
    try {
        CheckTopTen(m_game.gs.Total, m_game.gs.RoundNo, m_game.ElapsedText(), QDate::currentDate(),
                    m_game.texts.msgNewHi, ui);
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
        return false;
    }
    return true;
}

TfrmTopten *TfrmMain::createTopten()
{
    TfrmTopten::Hooks hooks;
    hooks.type = [this] { return m_game.settings.Type; };
    hooks.setType = [this](int type) { m_game.settings.Type = type; };
    hooks.typeLine = [this](int type) { return m_game.texts.gameTypeLabel(type, m_game.settings.Winner); };
    hooks.buttonText = [this](const QString &key, const QString &def) {
        return iniLng.ReadString(QStringLiteral("Button"), key, def);
    };
    hooks.showError = [this](const QString &message) { m_prompts.showError(message); };
    // A window of its own, like the advisor.
    m_topten = new TfrmTopten(hooks);
    return m_topten;
}

void TfrmMain::showToptenAfterCheck()
{
    if (!m_topten)
        return;
    m_topten->FillTopTen();
    m_topten->show();
}

void TfrmMain::aTopTenExecute()
{
    if (!m_topten)
        return;
    // Shown as it was last filled, without taking the focus from the game.
    m_topten->show();
    m_topten->raise();
    activateWindow();
}

void TfrmMain::applyLanguageToDialogs(const LanguageTexts &t)
{
    auto apply = [&t](QAbstractButton *button, const char *key) {
        const auto &value = t[size_t(languageIndex(QString::fromLatin1(key)))];
        if (value)
            button->setText(*value);
    };
    if (m_topten) {
        apply(m_topten->btClose, "btClose");
        apply(m_topten->btClear, "btClear");
        apply(m_topten->btChange, "btChange");
    }
    if (m_setup)
        m_setup->applyLanguage(t);
}

void TfrmMain::runSetup(bool languagePage)
{
    m_game.aPauseExecute();
    if (!m_setup)
        return;
    m_setup->changed = false;
    m_setup->saved = false;
    try {
        m_setup->Fill();
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
        return;
    }
    loadLanguage();
    m_setup->showPage(languagePage);
    if (m_prompts.runModal(*m_setup) != QDialog::Accepted)
        return;
    if (m_setup->saved)
        loadLanguage();
    if (m_setup->changed)
        aNew->trigger();
}

QString TfrmMain::textInForce(const QString &key) const
{
    const GameTexts &t = m_game.texts;
    const QHash<QString, QString> variables{
        {QStringLiteral("s10"), t.s10},           {QStringLiteral("s5"), t.s5},
        {QStringLiteral("lType1"), t.lType1},     {QStringLiteral("lType2"), t.lType2},
        {QStringLiteral("sLGT1"), t.sLGT1},       {QStringLiteral("sLGT2"), t.sLGT2},
        {QStringLiteral("lType"), t.lType},       {QStringLiteral("lTime"), t.lTime},
        {QStringLiteral("msgCrash"), t.msgCrash}, {QStringLiteral("msgFail"), t.msgFail},
        {QStringLiteral("msgBadIn"), t.msgBadIn}, {QStringLiteral("msgExact"), t.msgExact},
        {QStringLiteral("msgWin"), t.msgWin},     {QStringLiteral("msgNewHi"), t.msgNewHi},
        {QStringLiteral("msgNoSel"), t.msgNoSel},
    };
    if (variables.contains(key))
        return variables.value(key);
    if (m_setup) {
        const QString caption = m_setup->caption(key);
        if (!caption.isNull())
            return caption;
    }
    if (m_topten) {
        if (key == QLatin1String("btClose"))
            return m_topten->btClose->text();
        if (key == QLatin1String("btClear"))
            return m_topten->btClear->text();
        if (key == QLatin1String("btChange"))
            return m_topten->btChange->text();
    }
    // Captions of this window: its controls, menus and actions carry the key as their name.
    if (const auto *button = findChild<QAbstractButton *>(key))
        return button->text();
    if (const auto *label = findChild<QLabel *>(key))
        return label->text();
    if (const auto *menu = findChild<QMenu *>(key))
        return menu->title();
    if (const auto *action = findChild<QAction *>(key))
        return action->text();
    const int index = languageIndex(key);
    return index >= 0 ? QString::fromUtf8(kLanguageTable[index].englishDefault) : QString();
}

void TfrmMain::typeTextsChanged()
{
    if (m_game.settings.Type == 1 || m_game.settings.Type == 2)
        lYour->setText(m_game.texts.resultLabel(m_game.settings.Type));
    eValue->setAccessibleName(lYour->text());
}

void TfrmMain::gameTypeTextChanged()
{
    m_game.setLTypeCaption(m_game.texts.gameTypeLabel(m_game.settings.Type, m_game.settings.Winner));
}

void TfrmMain::showError(const QString &text)
{
    m_prompts.showError(text);
}

TfrmSetup *TfrmMain::createSetup()
{
    m_setup = new TfrmSetup(*this, this);
    return m_setup;
}
