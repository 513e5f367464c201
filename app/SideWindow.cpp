// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SideWindow.h"

#include <QKeyEvent>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

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

QWidget *SideWindow::body()
{
    if (!m_body) {
        auto *scroll = new QScrollArea(this);
        scroll->setObjectName(QStringLiteral("scBody"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        // The page scrolls to the control that has the focus; the scroll
        // area itself is no stop on the way.
        scroll->setFocusPolicy(Qt::NoFocus);
        m_body = new QWidget;
        m_body->setObjectName(QStringLiteral("body"));
        scroll->setWidget(m_body);
        auto *frame = new QVBoxLayout(this);
        frame->setContentsMargins(0, 0, 0, 0);
        frame->addWidget(scroll);
    }
    return m_body;
}

QSize SideWindow::pageMinimum() const
{
    if (!m_body)
        return QSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return m_body->minimumSizeHint() + QSize(bar, 0);
}
