// SPDX-License-Identifier: GPL-3.0-or-later
// The letters Alt opens a menu with, and the letter that picks an item in it.
#pragma once

#include <QList>
#include <QString>

class QMenu;
class QObject;

namespace Mnemonics {

// Marks a letter in each menu title and in each item of each menu. The
// letters are added to what is shown only: the texts in force, which the
// language editor reads and saves, stay as the file has them.
void apply(const QList<QMenu *> &menus);

// An action's or menu's text as the language file has it, without the
// letter marked for Alt.
QString plainText(const QObject *item);

} // namespace Mnemonics
