// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SideWindow.h"

#include <QKeyEvent>

SideWindow::SideWindow(QWidget *parent) : QWidget(parent, Qt::Window) {}

void SideWindow::present(const std::function<void(QWidget *)> &place)
{
    if (!isVisible() && place)
        place(this);
    show();
    raise();
}

void SideWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
