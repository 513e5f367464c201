// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GameKeys.h"
#include "app/PlayingSurface.h"
#include "app/GamePresenter.h"
#include "widgets/THemisphereButton.h"

#include <QKeyEvent>

GameKeys::GameKeys(const GamePresenter &game, PlayingSurface &surface, Actions actions)
    : m_game(game), m_surface(surface), m_actions(std::move(actions))
{
}

bool GameKeys::keyPressed(QKeyEvent *event)
{
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // A held key is one click, as a held mouse button is.
    if (event->isAutoRepeat()
        && (enter || (key >= Qt::Key_1 && key <= Qt::Key_6) || key == Qt::Key_R || key == Qt::Key_D))
        return true;
    if (key == Qt::Key_S && !event->isAutoRepeat()) {
        m_actions.sayState();
        return true;
    }
    if (key == Qt::Key_Escape && m_actions.closeTopTen())
        return true;
    if (m_game.coverVisible()) {
        if (!enter)
            return false;
        (m_game.contVisible() ? m_surface.btCont() : m_surface.btStart())->click();
        return true;
    }
    if (key >= Qt::Key_1 && key <= Qt::Key_6) {
        m_actions.clickDie(key - Qt::Key_1 + 1);
        return true;
    }
    if (key == Qt::Key_Space || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up
        || key == Qt::Key_Down)
        return dieKey(event);
    if (key == Qt::Key_R || key == Qt::Key_D || enter) {
        THemisphereButton *button = key == Qt::Key_R ? m_surface.btRoll() : m_surface.btDone();
        if (button->isEnabled())
            button->click();
        return true;
    }
    return false;
}

bool GameKeys::dieKey(QKeyEvent *event)
{
    // On a die: Space takes or releases it, the arrows go to its neighbours.
    const int n = m_surface.focusedDie();
    if (n == 0)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Space) {
        if (!event->isAutoRepeat())
            m_actions.clickDie(n);
    } else {
        m_surface.focusDie(key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1);
    }
    return true;
}
