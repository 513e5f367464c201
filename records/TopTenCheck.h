// SPDX-License-Identifier: GPL-3.0-or-later
// Offering a won game to the two top-ten tables.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct TopTenEntry;

// What the check needs from the screen; a test answers it without windows.
struct TopTenUi
{
    virtual ~TopTenUi() = default;
    virtual void showMessage(const QString &text) = 0;
    // A file failure that does not end the check.
    virtual void showError(const QString &text) { showMessage(text); }
    // Modal text query; `text` is the field's start value and receives the
    // entered text. False means Cancel or the box was closed.
    virtual bool askName(const QString &caption, const QString &prompt, QString &text) = 0;
    // Fill the dialog for the current game type and show it without waiting.
    virtual void showTopTen() = 0;
};

// Total / rounds * 100, halves to the even neighbour.
qint32 topTenScore(qint32 total, qint32 roundNo);

// "yyyymmdd" + the elapsed-time text, at most 14 characters. Games of 100
// hours or more are stamped 99:59:59, the slowest time that fits.
QByteArray topTenStamp(const QDate &today, const QString &elapsedText);

// True when the blanks-and-controls-trimmed name is empty.
bool topTenNameIsBlank(const QString &typed);

// Rates the game, asks for the name when it enters a table, stores it in the
// tables it enters and shows the dialog. Returns true when something was
// stored. A damaged table is reported, kept aside and begun again with this
// win, and the player told where it went; other file failures throw
// KvxError and end the check. The tables are read again under their locks
// when the name comes back: a player whose place another copy of the game
// took meanwhile is told so. A table in use by another copy for the whole
// wait keeps the entry for later, and the player is told it will follow.
// Entries kept for later are entered first.
bool CheckTopTen(qint32 total, qint32 roundNo, const QString &elapsedText, const QDate &today,
                 const QString &msgNewHi, TopTenUi &ui);

// Enters the entries kept for later whose tables are free now, oldest first;
// the player is told of any that no longer makes its table. Other file
// failures are shown as errors and drop the entry. Returns how many still wait.
int enterWaitingTopTen(TopTenUi &ui);
// How many entries wait for their table, and the files of those tables.
int waitingTopTenEntries();
QStringList waitingTopTenFiles();
