// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GamePresenter.h"
#include "game/Scoring.h"
#include "base/UiTexts.h"
#include "widgets/Prompts.h"

#include <limits>

namespace {

int saturate(qint64 v)
{
    return int(qBound(qint64(std::numeric_limits<qint32>::min()), v, qint64(std::numeric_limits<qint32>::max())));
}

} // namespace

GamePresenter::GamePresenter(Game &game, Prompts &prompts, QObject *parent)
    : QObject(parent), m_game(game), m_prompts(prompts)
{
    connect(&m_game, &Game::positionChanged, this, &GamePresenter::positionChanged);
    connect(&m_game, &Game::newGameStarted, this, [this] {
        m_rollDoneEnabled = true;
        m_ratingDue = true;
        m_testButtons = false;
    });
    connect(&m_game, &Game::gameOpened, this, [this] {
        eRndChange(m_game.position());
        emit changed();
    });
    connect(&m_game, &Game::rollRefused, this, [this] { ShowMsg(texts.msgNoSel); });
    // The penalty or the lost points are on the display before their box.
    connect(&m_game, &Game::roundLost, this, [this](qint32 points) { EndRound(points); });
    connect(&m_game, &Game::bankRefused, this, &GamePresenter::bankRefused);
    connect(&m_game, &Game::roundsUsedUp, this, [this](qint32 rounds) {
        ShowMsg(uiText("msgRoundsUsedUp").arg(QString::number(rounds)));
    });
    connect(&m_game, &Game::won, this, &GamePresenter::ShowWin);
}

void GamePresenter::applyTexts(const GameTexts &t)
{
    texts = t;
    rg10.caption = texts.s10;
    rg5.caption = texts.s5;
}

// ---------------------------------------------------------------- the engine's outcomes

void GamePresenter::positionChanged(const GamePosition &p, GamePhase phase)
{
    m_eSubScore = saturate(qint64(p.roundPoints) + p.selection);
    if (m_eScore != p.total) {
        m_eScore = p.total;
        eScoreChange(p);
    }
    if (m_eRnd != p.roundNo || m_ratingDue) {
        m_eRnd = p.roundNo;
        m_ratingDue = false;
        eRndChange(p);
    }
    m_menuEnabled = phase != GamePhase::Rolling;
    m_coverVisible = phase == GamePhase::Cover || phase == GamePhase::Paused || phase == GamePhase::NextGame;
    if (m_coverVisible)
        m_contVisible = phase != GamePhase::Cover;
    syncChoice(rg10, 1);
    syncChoice(rg5, 5);
    emit changed();
}

void GamePresenter::syncChoice(ChoiceList &list, int face)
{
    const ChoiceOffer &offer = m_game.choices(face);
    list.visible = offer.offered();
    if (!list.visible)
        return;
    list.caption = face == 1 ? texts.s10 : texts.s5;
    list.items.clear();
    for (const ChoiceEntry &e : offer.entries)
        list.items << e.text;
    list.itemIndex = offer.chosen;
}

void GamePresenter::eScoreChange(const GamePosition &p)
{
    const int type = m_game.gameSettings().Type;
    if (type == 1)
        m_rating = p.roundNo == 0 ? 0 : ::rating(p.total, p.roundNo);
    else if (type == 2)
        m_rating.reset();
}

void GamePresenter::eRndChange(const GamePosition &p)
{
    const int type = m_game.gameSettings().Type;
    if (type == 1)
        m_rating = p.roundNo == 1 ? 0 : ::rating(p.total, qint64(p.roundNo) - 1);
    else if (type == 2)
        m_rating.reset();
}

void GamePresenter::EndRound(qint32 points)
{
    ShowMsg(points < 0 ? texts.msgCrash : texts.msgFail);
}

void GamePresenter::bankRefused(BankVerdict verdict, qint32 winner)
{
    if (verdict == BankVerdict::Band)
        ShowMsg(texts.msgBadIn);
    else
        ShowMsg(texts.msgExact, winner);
}

void GamePresenter::ShowWin(const WinSummary &engineSummary)
{
    WinSummary summary = engineSummary;
    summary.testButtonsUsed = m_testButtons;
    ShowMsg(texts.msgWin);
    m_rollDoneEnabled = false;
    emit changed();
    emit won(summary);
    if (summary.testButtonsUsed) {
        if (recordWin)
            recordWin(summary);
        ShowMsg(uiText("msgTestButtons"));
    } else if (checkWin && !checkWin(summary)) {
        return;
    }
    // The game won stays on record behind the cover.
    m_game.prepareGame();
}

void GamePresenter::ShowMsg(const QString &text, qint64 number)
{
    QString shown = text;
    if (number != -1) {
        // Left to right, never looking again at what was put in.
        const QString value = QString::number(number);
        const QString mark = QStringLiteral("%1");
        QString out;
        int from = 0;
        for (int at = shown.indexOf(mark); at >= 0; at = shown.indexOf(mark, from)) {
            out += shown.mid(from, at - from) + value;
            from = at + mark.size();
        }
        out += shown.mid(from);
        shown = out;
    }
    m_prompts.showMessage(shown);
}

QString GamePresenter::elapsedText(qint32 s)
{
    const qint32 hours = s / 3600;
    const qint32 minutes = (s % 3600) / 60;
    const qint32 seconds = s - 3600 * hours - 60 * minutes;
    auto two = [](qint32 v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return two(hours) + two(minutes) + two(seconds);
}

// ---------------------------------------------------------------- the player's actions

void GamePresenter::btRollClick()
{
    m_game.roll();
}

void GamePresenter::btDoneClick()
{
    m_game.bank();
}

void GamePresenter::RxDice1Click(int n)
{
    m_game.clickDie(n);
}

void GamePresenter::chooseEntry(int face, int index)
{
    m_game.choose(face, index);
}

void GamePresenter::pressTestButton(const std::function<int(int)> &faceOfDie)
{
    // Taken only with the dice at rest in play; the game counts apart from then on.
    const GamePhase phase = m_game.phase();
    if (m_game.rollingDice() != 0 || (phase != GamePhase::Choosing && phase != GamePhase::BeforeFirstRoll))
        return;
    m_testButtons = true;
    m_game.stageRoll(faceOfDie);
}

void GamePresenter::Button1Click(int face)
{
    if (face >= 1 && face <= 6)
        pressTestButton([face](int) { return face; });
}

void GamePresenter::Button4Click()
{
    pressTestButton([](int n) { return n <= 3 ? 1 : 5; });
}

void GamePresenter::aNewExecute()
{
    m_game.newGame();
}

void GamePresenter::aPauseExecute()
{
    m_game.pause();
}

void GamePresenter::btStartClick()
{
    m_game.newGame();
}

void GamePresenter::btContClick()
{
    m_game.resume();
}
