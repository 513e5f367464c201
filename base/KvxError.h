// SPDX-License-Identifier: GPL-3.0-or-later
// The one error type of the game: a message meant for the player.
#pragma once

#include <QString>
#include <stdexcept>

class KvxError : public std::runtime_error
{
public:
    explicit KvxError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
