// SPDX-License-Identifier: GPL-3.0-or-later
// Speaks news that no focused control carries: the faces of a roll, a new
// subtotal, a bank. Screen readers present a notification when it appears,
// whichever control has the focus, so each piece of news shows it anew.
#pragma once

#include <QWidget>

class Announcer : public QWidget
{
    Q_OBJECT

public:
    explicit Announcer(QWidget *parent);

    // Presents the text now; the same text twice is presented twice.
    void say(const QString &text);
    QString text() const { return m_text; }

signals:
    void said(const QString &text);

protected:
    void paintEvent(QPaintEvent *) override {}

private:
    QString m_text;
};
