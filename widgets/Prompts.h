// SPDX-License-Identifier: GPL-3.0-or-later
// Every modal question the game asks, behind one interface, so that a test
// can answer them without a box ever blocking.
#pragma once

#include <QString>

#include <functional>

class QDialog;
class QFont;
class QWidget;

class Prompts
{
public:
    virtual ~Prompts() = default;
    // A modal box with the application's title and one OK button.
    virtual void showMessage(const QString &text) = 0;
    // The general error handler: a file that could not be read or written.
    virtual void showError(const QString &text) = 0;
    // Empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                                 const QString &suggested) = 0;
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &dir) = 0;
    // False when cancelled; text holds what was typed.
    virtual bool askName(const QString &caption, const QString &prompt, QString &text) = 0;
    // A question answered Yes or No; true for Yes. No is the default answer.
    virtual bool confirm(const QString &title, const QString &text) = 0;
    // Shows a dialog modally and returns its result.
    virtual int runModal(QDialog &dialog);
    // Moves a game message's box, about to be shown, to where it belongs;
    // unset: where the toolkit puts it.
    std::function<void(QWidget *box)> placeBox;
};

// A text as a box shows it: a run of more than kBoxRun characters with
// nowhere to break the line gets a zero-width space after every kBoxRun
// characters, so that the box wraps it instead of growing past the screen,
// and a text longer than maxChars loses its middle to a "…" (a file's name
// and the reason stay).
constexpr int kBoxRun = 40;
constexpr int kBoxChars = 4000;
QString boxText(const QString &text, int maxChars = kBoxChars);
// boxText() cut further, as little as needed, until the text wrapped at
// width in font stands within height.
QString fitBoxText(const QString &text, const QFont &font, int width, int height);

// Keeps a box or a query within the available part of its screen: a size
// past the screen's is brought back to it.
void keepOnScreen(QDialog &box);

// The real boxes and dialogs.
class DialogPrompts : public Prompts
{
public:
    explicit DialogPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void showMessage(const QString &text) override;
    void showError(const QString &text) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &dir,
                         const QString &suggested) override;
    QString openFileName(QWidget *parent, const QString &title, const QString &dir) override;
    bool askName(const QString &caption, const QString &prompt, QString &text) override;
    bool confirm(const QString &title, const QString &text) override;

private:
    QWidget *m_parent;
};
