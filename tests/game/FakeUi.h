// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the window's modal boxes: it records every message instead
// of waiting for a click, and can run a hook while the "box" is open.
#pragma once

#include "game/Game.h"

#include <QStringList>
#include <functional>

class FakeUi : public GameUi
{
public:
    void showMessage(const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }

    // The top-ten check of a win: whether the winning sequence goes on.
    bool checkWin(const WinSummary &) override { return winGoesOn; }

    QString last() const { return messages.isEmpty() ? QString() : messages.last(); }
    void clear() { messages.clear(); }

    QStringList messages;
    bool winGoesOn = true;
    std::function<void(const QString &)> onMessage;
};
