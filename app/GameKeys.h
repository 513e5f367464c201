// SPDX-License-Identifier: GPL-3.0-or-later
// The game's keys on the main window, without Alt, Ctrl or Meta: 1 to 6
// click the dice, R rolls, D and Enter bank, S speaks where the game stands,
// Space and the arrows act on the die that has the focus, Enter on the cover
// starts or continues, Escape closes the top ten. A held key is one press.
#pragma once

#include <functional>

class GamePresenter;
class PlayingSurface;
class QKeyEvent;

class GameKeys
{
public:
    struct Actions
    {
        std::function<void(int)> clickDie;
        std::function<void()> sayState;
        std::function<bool()> closeTopTen; // false when it was not open
    };
    GameKeys(const GamePresenter &game, PlayingSurface &surface, Actions actions);

    // True when the key was the game's and has been acted on.
    bool keyPressed(QKeyEvent *event);

private:
    bool dieKey(QKeyEvent *event);

    const GamePresenter &m_game;
    PlayingSurface &m_surface;
    Actions m_actions;
};
