// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten window and the check of a game won against the table. The
// window is built at its first use and opens beside the game without taking
// the keyboard from it.
#pragma once

#include "base/LanguageTable.h"

#include <QString>

class GamePresenter;
struct WinSummary;
class Narrator;
class Prompts;
class SideWindows;
class TRegAuto;
class TfrmTopten;

class TopTenKeeper
{
public:
    TopTenKeeper(GamePresenter &presenter, TRegAuto &language, Prompts &prompts, SideWindows &sideWindows, Narrator &narrator);
    ~TopTenKeeper();

    TfrmTopten &window();
    bool built() const { return m_window != nullptr; }
    // Closes the window when it is open; false when it was not.
    bool closeIfOpen();
    // The check of the game on the table, just won: the player's name is
    // asked for and the table shown when the game earns a place. False when
    // the table could not be read or written (the error has been shown).
    bool checkWin(const WinSummary &won);
    // The table as it was last filled, in front of the game.
    void show();
    // A caption of the window's, by its language key; null when it has none or is not built.
    QString caption(const QString &key) const;
    void applyLanguage(const LanguageTexts &texts);

private:
    void showAfterCheck(const QString &elapsed);

    GamePresenter &m_view;
    TRegAuto &m_language;
    Prompts &m_prompts;
    SideWindows &m_sideWindows;
    Narrator &m_narrator;
    TfrmTopten *m_window = nullptr;
};
