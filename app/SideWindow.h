// SPDX-License-Identifier: GPL-3.0-or-later
// A window beside the game (advisor, statistics, review, practice): a window
// of its own that Escape closes, shown beside the main window on request.
#pragma once

#include <QWidget>

#include <functional>

class QKeyEvent;

class SideWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SideWindow(QWidget *parent = nullptr);

    // Shows the window in front. A window not in sight is first placed by
    // place (beside the game, clear of the dice); one in sight stays where
    // the player left it.
    void present(const std::function<void(QWidget *)> &place);
    // The least size at which its page needs no scrolling sideways (empty
    // for a window without one).
    QSize pageMinimum() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Where the window's controls go: a page that scrolls inside the window
    // once the window is smaller than the page can be.
    QWidget *body();

private:
    QWidget *m_body = nullptr;
};
