// The real modal boxes: a message with the game's title and one OK button.
#pragma once

#include "game/Game.h"

class QWidget;

class MessageBoxUi : public GameUi
{
public:
    explicit MessageBoxUi(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void showMessage(const QString &text) override;

private:
    QWidget *m_parent;
};
