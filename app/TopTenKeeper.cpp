// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TopTenKeeper.h"
#include "app/Narrator.h"
#include "app/SideWindows.h"
#include "app/GamePresenter.h"
#include "base/KvxError.h"
#include "dialogs/TfrmTopten.h"
#include "records/TopTen.h"
#include "records/TopTenCheck.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"
#include "widgets/Prompts.h"

#include <QDate>
#include <QDir>

#include <functional>

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

TopTenKeeper::TopTenKeeper(GamePresenter &presenter, TRegAuto &language, Prompts &prompts, SideWindows &sideWindows,
                           Narrator &narrator)
    : m_view(presenter), m_language(language), m_prompts(prompts), m_sideWindows(sideWindows), m_narrator(narrator)
{
}

TopTenKeeper::~TopTenKeeper()
{
    // Entries whose table was in use get their last try, waiting longer.
    if (waitingTopTenEntries() > 0) {
        TopTenPrompts ui(m_prompts, [] {});
        const LockWait closing(LaterWrites::kLastWaitMs);
        enterWaitingTopTen(ui);
        for (const QString &file : waitingTopTenFiles())
            m_prompts.showError(uiText("fileNotWritten").arg(QDir::toNativeSeparators(file)));
    }
    // A window of its own, not a child of the game's.
    delete m_window;
}

TfrmTopten &TopTenKeeper::window()
{
    if (m_window)
        return *m_window;
    // A window of its own; under X11 it stays in front of the game. It takes
    // the keyboard while it is open, so nothing typed in it reaches the game
    // behind it.
    m_window = new TfrmTopten({&m_view.game().gameSettings(), &m_view.gameTexts(), &m_language, &m_prompts, [this](int type) {
                                  GameSettings s = m_view.game().gameSettings();
                                  s.Type = type;
                                  m_view.game().applySettings(s);
                              }});
    m_sideWindows.keepInFront(m_window);
    return *m_window;
}

bool TopTenKeeper::closeIfOpen()
{
    if (!m_window || !m_window->isVisible())
        return false;
    m_window->btCloseClick();
    return true;
}

bool TopTenKeeper::checkWin(const WinSummary &won)
{
    const QString elapsed = GamePresenter::elapsedText(won.elapsedSeconds);
    TopTenPrompts ui(m_prompts, [this, elapsed] { showAfterCheck(elapsed); });
    try {
        CheckTopTen(won.total, won.roundNo, elapsed, QDate::currentDate(), m_view.gameTexts().msgNewHi, ui);
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
        return false;
    }
    return true;
}

void TopTenKeeper::showAfterCheck(const QString &elapsed)
{
    window().FillTopTen();
    window().show();
    window().activateWindow();
    // Its news is spoken too.
    const QByteArray stamp = topTenStamp(QDate::currentDate(), elapsed);
    const TopTenTable &table = topTenTable();
    for (int n = 1; n <= TopTen::Slots; ++n) {
        if (table.slot(n).Stamp == stamp) {
            m_narrator.placedInTopTen(n);
            break;
        }
    }
}

void TopTenKeeper::show()
{
    // Shown as it was last filled, in front of the game, with the keys.
    window().show();
    window().raise();
    window().activateWindow();
}

QString TopTenKeeper::caption(const QString &key) const
{
    return m_window ? m_window->caption(key) : QString();
}

void TopTenKeeper::applyLanguage(const LanguageTexts &texts)
{
    if (m_window)
        m_window->applyLanguage(texts);
}
