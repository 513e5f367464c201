// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SideWindows.h"
#include "app/AdvisorWindow.h"
#include "app/ChallengeKeeper.h"
#include "app/Placement.h"
#include "app/PracticeWindow.h"
#include "app/ReviewWindow.h"
#include "app/SideWindow.h"
#include "app/StatisticsWindow.h"
#include "widgets/WindowSystem.h"
#include "game/Game.h"
#include "game/SolveService.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>

SideWindows::SideWindows(QMainWindow &main, Game &game, SolveService &solver, Prompts &prompts,
                         std::function<QRect()> playArea)
    : m_main(main), m_game(game), m_solver(solver), m_prompts(prompts), m_playArea(std::move(playArea))
{
    // Each game starts unassisted unless it is played with the advisor open;
    // a review window left open marks it once it shows the new game. The
    // game prepared after a win stays clean behind the cover until then.
    connect(&m_game, &Game::newGameStarted, this, [this] { m_assisted = advisingInPlay(); });
    connect(&m_game, &Game::positionChanged, this, [this] {
        if (!m_assisted && advisingInPlay())
            m_assisted = true;
    });
    // The game just won stays open to review once the next one begins.
    connect(&m_game, &Game::won, this, [this] {
        m_lastWon = std::make_shared<const GameRecord>(m_game.record());
        if (m_review)
            m_review->setLastWon(m_lastWon);
    });
}

SideWindows::~SideWindows()
{
    // Windows of their own, not children: gone before the game they show.
    delete m_review;
    delete m_practice;
    delete m_advisor;
    delete m_statistics;
}

bool SideWindows::advisingInPlay() const
{
    const GamePhase phase = m_game.phase();
    return m_advisor && m_advisor->isVisible() && phase != GamePhase::Cover && phase != GamePhase::Paused
            && phase != GamePhase::Won && phase != GamePhase::NextGame;
}

void SideWindows::openAdvisor()
{
    if (!m_advisor) {
        // A window of its own: a Wayland compositor keeps the keyboard on a
        // child window while it is open, even when the player clicks the game.
        m_advisor = new AdvisorWindow(m_game, m_solver);
        m_advisor->setGameAssisted([this] { return m_assisted; });
        // It opens beside the game, which keeps the keyboard.
        m_advisor->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    // Over a game in play its advice is in sight at once; over the cover the
    // game stays clean until it is played on with the window open.
    const GamePhase phase = m_game.phase();
    if (phase != GamePhase::Cover && phase != GamePhase::Paused && phase != GamePhase::NextGame)
        m_assisted = true;
    // Each opening finds it beside the game, whole on the game's screen,
    // wherever it was left or whatever screens came and went since.
    m_advisor->present([this](QWidget *w) { placeBeside(w); });
    m_main.activateWindow();
}

void SideWindows::openReview()
{
    // It takes the keys, as a window opened to read does. The game goes on
    // beside it: the review follows it play by play, as the advisor does,
    // and a game reviewed in play is kept out of the top ten, so its clock
    // never reaches the time table.
    if (!m_review) {
        // A window of its own, as the advisor is.
        m_review = new ReviewWindow(m_game, m_solver);
        // The best plays of a game still being played assist it; a game won stays as it was.
        connect(m_review, &ReviewWindow::showsGameInProgress, this, [this] { m_assisted = true; });
        connect(m_review, &ReviewWindow::reviewed, this, [this](const GameRecord &record, const GameReview &review) {
            PracticeWindow::keepMistakes(record, review, m_prompts);
        });
        // A challenge won: both its results beside the rounds lost to decisions.
        if (auto *keeper = m_main.findChild<ChallengeKeeper *>(QString(), Qt::FindDirectChildrenOnly)) {
            m_review->setChallengeResult([keeper = QPointer<ChallengeKeeper>(keeper)](const GameRecord &record) {
                return keeper ? keeper->resultFor(record) : QString();
            });
            connect(keeper, &ChallengeKeeper::resultChanged, m_review, &ReviewWindow::refreshSoon);
        }
    }
    m_review->setLastWon(m_lastWon);
    m_review->present([this](QWidget *w) { placeBeside(w); });
    m_review->activateWindow();
}

void SideWindows::openPractice()
{
    // Practising is not playing: the game's clock waits behind the cover.
    m_game.pause();
    if (!m_practice) {
        // A window of its own, as the review is. It reads the rules in force
        // and nothing else of the game: practising assists no game.
        m_practice = new PracticeWindow(m_solver, m_prompts, [this] {
            return m_game.gameSettings().rules();
        });
    }
    m_practice->present([this](QWidget *w) { placeBeside(w); });
    m_practice->activateWindow();
}

void SideWindows::openStatistics()
{
    // A window opened to read: it takes the keys, and the game waits behind
    // the cover meanwhile, as it does for the settings, so that the time
    // table holds only time spent playing.
    m_game.pause();
    if (!m_statistics) {
        // The best play of the rules shown: solved once for every window.
        m_statistics = new StatisticsWindow(m_prompts, m_solver);
    }
    m_statistics->showRules(m_game.gameSettings().rules());
    m_statistics->present([this](QWidget *w) { placeBeside(w); });
    m_statistics->activateWindow();
}

void SideWindows::applyLanguage()
{
    if (m_advisor)
        m_advisor->refresh(); // its texts too
    if (m_review)
        m_review->refreshSoon();
    if (m_practice && m_practice->isVisible())
        m_practice->refresh();
}

void SideWindows::statisticsRecorded()
{
    if (m_statistics && m_statistics->isVisible())
        m_statistics->showRules(m_game.gameSettings().rules());
}

void SideWindows::placeBeside(QWidget *window)
{
    const QScreen *screen = m_main.screen();
    if (!screen)
        return;
    // Before its first showing a window has no decoration yet; it gets the
    // same as the game's.
    const QSize decoration = window->isVisible() ? window->frameGeometry().size() - window->size()
                                                 : m_main.frameGeometry().size() - m_main.size();
    // A window made smaller to fit asks for its own size again at its next opening.
    QSize inner = window->size();
    if (const auto made = m_madeSmaller.find(window); made != m_madeSmaller.end()) {
        if (made->second.second == inner)
            inner = made->second.first;
        m_madeSmaller.erase(made);
    }
    const QSize outer = inner + decoration;
    // Clear of the game and of every other window of ours in sight.
    QList<QRect> others;
    for (const QWidget *other : {static_cast<QWidget *>(m_advisor), static_cast<QWidget *>(m_statistics),
                                 static_cast<QWidget *>(m_review), static_cast<QWidget *>(m_practice)})
        if (other && other != window && other->isVisible())
            others << other->frameGeometry();
    const QRect available = screen->availableGeometry();
    const bool gameMovable = !m_main.isMaximized() && !m_main.isFullScreen();
    // Where it goes, made no smaller than `smallest`, and how far the game
    // moves aside for it.
    const auto placed = [&](QSize smallest, QPoint &shift) {
        Fit fit = Fit::Covering;
        QRect frame = placeAmongFrame(m_main.frameGeometry(), outer, smallest, available, others, m_playArea(), &fit);
        shift = gameMovable && fit != Fit::Whole ? roomBesideGame(frame, fit, outer, smallest, others) : QPoint();
        return std::make_pair(frame, fit);
    };
    // Made smaller, it keeps a third of its width and a quarter of its
    // height, more where its controls need it; the rest scrolls. Where the
    // screen has room for that, its page keeps its width and scrolls only
    // up and down.
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()) + decoration;
    const QSize narrow = least.expandedTo(QSize(outer.width() / 3, outer.height() / 4));
    QSize page;
    if (const auto *side = qobject_cast<const SideWindow *>(window))
        page = side->pageMinimum() + decoration;
    const QSize readable = narrow.expandedTo(QSize(page.width(), 0)).boundedTo(outer.expandedTo(narrow));
    QPoint shift;
    auto [frame, fit] = placed(readable, shift);
    if (fit == Fit::Covering && readable != narrow) {
        QPoint narrowShift;
        const auto [narrowFrame, narrowFit] = placed(narrow, narrowShift);
        if (narrowFit != Fit::Covering || (frame.intersects(m_playArea()) && !narrowFrame.intersects(m_playArea()))) {
            frame = narrowFrame;
            shift = narrowShift;
        }
    }
    if (!shift.isNull())
        m_main.move(m_main.pos() + shift);
    // A window placed clear of the dice stays in front of the game from its
    // first showing on; one that could not be is left for the player to
    // bring the game in front of.
    if (!window->testAttribute(Qt::WA_WState_Created) && !frame.intersects(m_playArea()))
        keepInFront(window);
    if (frame.size() != outer) {
        window->resize(frame.size() - decoration);
        m_madeSmaller[window] = {inner, window->size()};
    }
    moveFrameTo(window, frame.topLeft());
}

QPoint SideWindows::roomBesideGame(QRect &frame, Fit &fit, QSize outer, QSize smallest, const QList<QRect> &others) const
{
    // No room for the whole window beside the game: the game moves to a side
    // of the screen where it is, if that gives the window more room, clear
    // of the other windows.
    const QRect available = m_main.screen()->availableGeometry();
    const QRect game = m_main.frameGeometry();
    QPoint chosen;
    for (const int x : {available.left(), available.right() + 1 - game.width()}) {
        const QPoint shift(x - game.left(), 0);
        const QRect moved = game.translated(shift);
        if (shift.isNull() || !available.contains(moved)
            || std::any_of(others.begin(), others.end(), [&moved](const QRect &o) { return o.intersects(moved); }))
            continue;
        Fit there = Fit::Covering;
        const QRect r = placeAmongFrame(moved, outer, smallest, available, others, m_playArea().translated(shift), &there);
        const bool better = there < fit
                || (there == fit && there == Fit::Smaller
                    && qint64(r.width()) * r.height() > qint64(frame.width()) * frame.height());
        if (better) {
            chosen = shift;
            frame = r;
            fit = there;
        }
    }
    return chosen;
}

void SideWindows::moveFrameTo(QWidget *window, QPoint at) const
{
    // Once its native window exists, a window takes a point as its client's
    // until the window system has framed it: it gets the game's frame.
    if (window->testAttribute(Qt::WA_WState_Created) && window->frameGeometry() == window->geometry())
        at += m_main.geometry().topLeft() - m_main.frameGeometry().topLeft();
    window->move(at);
}

void SideWindows::keepInFront(QWidget *window) const
{
    // Under X11 the window manager keeps a window that belongs to the game
    // above it, also while the game has the keyboard.
    if (WindowSystem::isWayland())
        return;
    m_main.winId(); // the game's own handle, shown or not
    // X11 lets only dialogs and tool windows belong to another window.
    if (window->windowType() == Qt::Window && !window->testAttribute(Qt::WA_WState_Created))
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog
                               | Qt::WindowMinMaxButtonsHint);
    window->winId();
    if (QWindow *handle = window->windowHandle(); handle && m_main.windowHandle())
        handle->setTransientParent(m_main.windowHandle());
}

void SideWindows::placeBox(QWidget *box) const
{
    const QScreen *screen = m_main.screen();
    if (!screen || !m_main.isVisible())
        return;
    // A box is shown before the window system decorates it.
    const QSize decoration = m_main.frameGeometry().size() - m_main.size();
    const QRect frame = placeBoxFrame(m_main.frameGeometry(), m_playArea(), box->size() + decoration,
                                      screen->availableGeometry());
    moveFrameTo(box, frame.topLeft());
}
