// SPDX-License-Identifier: GPL-3.0-or-later
// The Help menu's dialogs: a table of the keys and About.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

class Prompts;
class QAction;
class QWidget;

namespace HelpDialogs {

// The menu commands the key table lists with their keys.
struct Commands
{
    const QAction *pause, *newGame, *open, *save, *rules, *exit;
    // The challenge commands; none where no challenge games are offered.
    const QAction *newChallenge = nullptr, *copyChallenge = nullptr;
};

// Every key of the game and what it does, in the texts in force.
QList<QPair<QString, QString>> keyTable(const Commands &commands);

// The key table, in a dialog titled title.
void showKeys(QWidget *parent, Prompts &prompts, const QString &title, const Commands &commands);

// The version, what the game is, its licence and the typeface's.
void showAbout(QWidget *parent, Prompts &prompts, const QString &title);

} // namespace HelpDialogs
