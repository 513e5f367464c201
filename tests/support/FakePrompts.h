// SPDX-License-Identifier: GPL-3.0-or-later
// Answers every modal question of the game from a script, and records what was asked.
#pragma once

#include "widgets/Prompts.h"

#include <QQueue>
#include <QStringList>
#include <functional>

class FakePrompts : public Prompts
{
public:
    QStringList messages;
    QStringList errors;
    QStringList titles;          // titles of the file dialogs shown
    QQueue<QString> fileAnswers; // empty string = Cancel
    QQueue<QString> nameAnswers; // a null QString = Cancel
    QStringList nameFieldStarts; // what the name field showed each time
    QStringList questions;       // the texts of the Yes/No questions asked
    QQueue<bool> confirmAnswers; // none left = No
    QString lastSuggested;
    std::function<void(const QString &)> onMessage;
    // Plays the part of the player in a modal dialog; without it the dialog is cancelled.
    std::function<int(QDialog &)> onModal;
    int modalCount = 0;

    int runModal(QDialog &dialog) override
    {
        ++modalCount;
        return onModal ? onModal(dialog) : 0;
    }

    void showMessage(const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    void showError(const QString &text) override { errors << text; }
    QString saveFileName(QWidget *, const QString &title, const QString &, const QString &suggested) override
    {
        titles << title;
        lastSuggested = suggested;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    QString openFileName(QWidget *, const QString &title, const QString &) override
    {
        titles << title;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    bool confirm(const QString &, const QString &text) override
    {
        questions << text;
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    bool askName(const QString &, const QString &, QString &text) override
    {
        nameFieldStarts << text;
        if (nameAnswers.isEmpty())
            return false;
        const QString answer = nameAnswers.dequeue();
        if (answer.isNull())
            return false;
        text = answer;
        return true;
    }
};
