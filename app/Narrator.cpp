// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Narrator.h"
#include "app/Announcer.h"
#include "app/PlayingSurface.h"
#include "game/Game.h"
#include "game/Scoring.h"
#include "base/UiTexts.h"

#include <QLocale>
#include <QStringList>

Narrator::Narrator(Game &game, Announcer *announcer, std::function<QString()> yourCaption, QObject *parent)
    : QObject(parent), m_game(game), m_announcer(announcer), m_yourCaption(std::move(yourCaption))
{
    connect(&m_game, &Game::selectionChanged, this, [this](const QVector<int> &dice, bool selected) {
        m_changed = dice;
        m_changedSelected = selected;
    });
    // A choice list that comes up is news, told after the click that brought it.
    connect(&m_game, &Game::choicesShown, this, [this](int face) {
        const ChoiceList &list = m_game.choiceList(face);
        if (!m_game.coverVisible() && list.itemIndex >= 0 && list.itemIndex < list.items.size())
            m_pendingNews = uiText("sayChoiceShown").arg(list.caption, entryName(face == 1 ? 0 : 1, list.itemIndex));
    });
    connect(&m_game, &Game::roundEnded, this, &Narrator::roundEnded);
    connect(&m_game, &Game::won, this, [this] { say(wonSpoken()); });
    // A roll's faces are spoken before anything its evaluation may show.
    connect(&m_game, &Game::rolled, this, [this](const QVector<int> &, bool hotDice) { say(rollSpoken(hotDice)); });
}

void Narrator::say(const QString &text)
{
    m_announcer->say(text);
}

QString Narrator::entryName(int row, int k) const
{
    // An entry is named whole, with its points, whether or not it is shown cut.
    const ChoiceList &list = row == 0 ? m_game.choiceList(1) : m_game.choiceList(5);
    const qint32 points = (row == 0 ? m_game.state().OnesChoice : m_game.state().FivesChoice)[k];
    return uiText("sayEntry").arg(list.items.at(k), QLocale().toString(points));
}

QString Narrator::yourSpoken() const
{
    // A caption ends in a colon of its own ("Your score:"); the value follows it.
    return m_yourCaption().trimmed() + QLatin1Char(' ') + PlayingSurface::ratingText(m_game.rating());
}

void Narrator::rollPressed()
{
    m_lastBank = false;
}

void Narrator::donePressed()
{
    m_lastBank = true;
}

void Narrator::staged()
{
    say(rollSpoken(false));
}

void Narrator::newGame()
{
    say(uiText("sayNewGame"));
}

void Narrator::choiceTaken(int face, int entry)
{
    say(uiText("sayChoice").arg(entryName(face == 1 ? 0 : 1, entry), QLocale().toString(m_game.eSubScore())));
}

void Narrator::placedInTopTen(int n)
{
    const int type = m_game.gameSettings().Type == 2 ? 2 : 1;
    say(uiText("sayTopTen").arg(type == 2 ? m_game.gameTexts().lType2 : m_game.gameTexts().lType1, QString::number(n)));
}

QString Narrator::spokenTime(qint32 seconds)
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

QString Narrator::rollSpoken(bool hotDice)
{
    QStringList dice, faces;
    for (int n = 1; n <= 6; ++n) {
        if (m_game.die(n).color == DieKept)
            continue;
        dice << QString::number(n);
        faces << QString::number(m_game.die(n).value);
    }
    QString text = dice.size() == 6 ? uiText("sayRolled").arg(faces.join(QStringLiteral(", ")))
                                    : uiPlural("sayRolledSome", dice.size()).arg(dice.join(QStringLiteral(", ")),
                                                                                 faces.join(QStringLiteral(", ")));
    if (hotDice)
        text = uiText("sayHotDice") + QLatin1Char(' ') + text;
    return text;
}

QString Narrator::stateSpoken() const
{
    const QLocale locale;
    return uiText("sayState").arg(locale.toString(m_game.eScore()), locale.toString(m_game.eRnd()),
                                  locale.toString(m_game.eSubScore()), yourSpoken(),
                                  spokenTime(m_game.elapsedSeconds()));
}

QString Narrator::wonSpoken() const
{
    const QLocale locale;
    return uiPlural("sayWon", m_game.state().RoundNo).arg(locale.toString(m_game.state().Total), locale.toString(m_game.state().RoundNo),
                                spokenTime(m_game.elapsedSeconds()), yourSpoken());
}

void Narrator::roundEnded(qint32 points, int verdict)
{
    const QLocale locale;
    const QString total = locale.toString(m_game.state().Total);
    const QString round = locale.toString(m_game.state().RoundNo);
    if (!m_lastBank)
        say(uiText("sayLost").arg(total, round));
    else if (verdict == int(BankVerdict::Banked))
        say(uiText("sayBanked").arg(locale.toString(points), total, round));
    else
        say(uiText("sayRefused").arg(total, round));
}

void Narrator::beforeDieClick()
{
    m_changed.clear();
    m_pendingNews.clear();
}

void Narrator::dieClicked(int n)
{
    if (m_game.rollingDice() != 0)
        return; // the dice are turning: a click means nothing yet
    QStringList changedDice, faces;
    for (int k : std::as_const(m_changed)) {
        changedDice << QString::number(k);
        faces << QString::number(m_game.die(k).value);
    }
    const QString face = QString::number(m_game.die(n).value);
    QString text;
    if (changedDice.isEmpty()) {
        if (m_game.state().NewRound)
            text = uiText("sayRollFirst");
        else if (m_game.dieState(n) == DieKept)
            text = uiText("sayKept").arg(QString::number(n), face);
        else
            text = uiText("sayCannotTake").arg(QString::number(n), face);
    } else {
        const QString which = changedDice.size() == 1
                ? uiText("sayDie").arg(changedDice.constFirst(), faces.constFirst())
                : uiText("sayDice").arg(changedDice.join(QStringLiteral(", ")), faces.join(QStringLiteral(", ")));
        text = uiText(m_changedSelected ? "saySelected" : "sayReleased").arg(which, QLocale().toString(m_game.eSubScore()));
    }
    if (!m_pendingNews.isEmpty())
        text += QLatin1Char(' ') + m_pendingNews;
    m_pendingNews.clear();
    say(text);
}
