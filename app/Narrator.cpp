// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Narrator.h"
#include "app/Announcer.h"
#include "app/GamePresenter.h"
#include "app/PlayingSurface.h"
#include "game/Game.h"
#include "game/Scoring.h"
#include "base/UiTexts.h"

#include <QLocale>
#include <QStringList>

Narrator::Narrator(GamePresenter &presenter, Announcer *announcer, std::function<QString()> yourCaption,
                   QObject *parent)
    : QObject(parent), m_view(presenter), m_game(presenter.game()), m_announcer(announcer), m_yourCaption(std::move(yourCaption))
{
    connect(&m_game, &Game::selectionChanged, this, [this](const QVector<int> &dice, bool selected) {
        m_changed = dice;
        m_changedSelected = selected;
    });
    // A choice list that comes up is news, told after the click that brought it.
    connect(&m_game, &Game::choicesOffered, this, [this](int face, const ChoiceOffer &offer) {
        if (!m_view.coverVisible() && offer.chosen >= 0 && offer.chosen < offer.entries.size())
            m_pendingNews = uiText("sayChoiceShown").arg(m_view.choiceList(face).caption, entryName(face, offer.chosen));
    });
    connect(&m_game, &Game::roundEnded, this, &Narrator::roundEnded);
    // Told once the win's box has been shown.
    connect(&m_view, &GamePresenter::won, this, [this](const WinSummary &won) { say(wonSpoken(won)); });
    // A roll's faces are spoken before anything its evaluation may show.
    connect(&m_game, &Game::rolled, this, [this](const QVector<int> &faces, bool hotDice) { say(rollSpoken(faces, hotDice)); });
}

void Narrator::say(const QString &text)
{
    m_announcer->say(text);
}

QString Narrator::entryName(int face, int k) const
{
    // An entry is named whole, with its points, whether or not it is shown cut.
    const ChoiceEntry &entry = m_game.choices(face).entries.at(k);
    return uiText("sayEntry").arg(entry.text, QLocale().toString(entry.value));
}

QString Narrator::yourSpoken() const
{
    // A caption ends in a colon of its own ("Your score:"); the value follows it.
    return m_yourCaption().trimmed() + QLatin1Char(' ') + PlayingSurface::ratingText(m_view.rating());
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
    QVector<int> faces(7, 0);
    for (int n = 1; n <= 6; ++n)
        faces[n] = m_game.die(n).color == DieKept ? 0 : m_game.die(n).value;
    say(rollSpoken(faces, false));
}

void Narrator::newGame()
{
    say(uiText("sayNewGame"));
}

void Narrator::choiceTaken(int face, int entry)
{
    const ChoiceOffer &offer = m_game.choices(face);
    if (entry < 0 || entry >= offer.entries.size())
        return;
    say(uiText("sayChoice").arg(entryName(face, entry), QLocale().toString(m_view.eSubScore())));
}

void Narrator::placedInTopTen(int n)
{
    const int type = m_game.gameSettings().Type == 2 ? 2 : 1;
    say(uiText("sayTopTen").arg(type == 2 ? m_view.gameTexts().lType2 : m_view.gameTexts().lType1, QString::number(n)));
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

QString Narrator::rollSpoken(const QVector<int> &rolled, bool hotDice)
{
    QStringList dice, faces;
    for (int n = 1; n <= 6 && n < rolled.size(); ++n) {
        if (rolled[n] == 0)
            continue;
        dice << QString::number(n);
        faces << QString::number(rolled[n]);
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
    return uiText("sayState").arg(locale.toString(m_view.eScore()), locale.toString(m_view.eRnd()),
                                  locale.toString(m_view.eSubScore()), yourSpoken(),
                                  spokenTime(m_game.elapsedSeconds()));
}

QString Narrator::wonSpoken(const WinSummary &won) const
{
    const QLocale locale;
    return uiPlural("sayWon", won.roundNo).arg(locale.toString(won.total), locale.toString(won.roundNo),
                                spokenTime(won.elapsedSeconds), yourSpoken());
}

void Narrator::roundEnded(qint32 points, BankVerdict verdict, qint32 totalNow, qint32 roundNow)
{
    const QLocale locale;
    const QString total = locale.toString(totalNow);
    const QString round = locale.toString(roundNow);
    if (!m_lastBank)
        say(uiText("sayLost").arg(total, round));
    else if (verdict == BankVerdict::Banked)
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
        if (m_game.position().firstRollDue)
            text = uiText("sayRollFirst");
        else if (m_game.die(n).color == DieKept)
            text = uiText("sayKept").arg(QString::number(n), face);
        else
            text = uiText("sayCannotTake").arg(QString::number(n), face);
    } else {
        const QString which = changedDice.size() == 1
                ? uiText("sayDie").arg(changedDice.constFirst(), faces.constFirst())
                : uiText("sayDice").arg(changedDice.join(QStringLiteral(", ")), faces.join(QStringLiteral(", ")));
        text = uiText(m_changedSelected ? "saySelected" : "sayReleased").arg(which, QLocale().toString(m_view.eSubScore()));
    }
    if (!m_pendingNews.isEmpty())
        text += QLatin1Char(' ') + m_pendingNews;
    m_pendingNews.clear();
    say(text);
}
