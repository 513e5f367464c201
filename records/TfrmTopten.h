// SPDX-License-Identifier: GPL-3.0-or-later
// The hall-of-fame window: one of the two top-ten tables, switchable and clearable.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class QLabel;
class QFrame;
class TEffectLabel;
class THemisphereButton;

class TfrmTopten : public QWidget
{
    Q_OBJECT

public:
    // Where the window reads and writes what it shares with the rest of the
    // game. Empty functions fall back to: its own Type starting at 1, the
    // English type line with 1000 points, the default captions, a message box.
    struct Hooks
    {
        std::function<int()> type;
        std::function<void(int)> setType;
        // The game-type line for a type ("Game type:  Normal / 1000").
        std::function<QString(int type)> typeLine;
        // Section "Button" of the language file.
        std::function<QString(const QString &key, const QString &def)> buttonText;
        // The general error handler for files that cannot be read.
        std::function<void(const QString &message)> showError;
    };

    explicit TfrmTopten(Hooks hooks = {}, QWidget *parent = nullptr);

    // Reloads and shows the table of the current type; false when the file
    // could not be read (the error has been shown, the rows are unchanged).
    bool FillTopTen();

    void btCloseClick();
    void btChangeClick();
    void btClearClick();

    // The row picture for rows 1 to 3, a 32 x 32 tile.
    static QImage rowPicture(int row);

    THemisphereButton *btClose = nullptr;
    THemisphereButton *btClear = nullptr;
    THemisphereButton *btChange = nullptr;
    TEffectLabel *LMDLabel1 = nullptr;
    TEffectLabel *lType = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void FormClick();
    void FormClose();
    int currentType() const;
    void setCurrentType(int type);
    void reportError(const QString &message);
    QLabel *rowLabel(const QString &prefix, int row) const;
    void buildRows();
    void paintRowPictures();

    Hooks m_hooks;
    int m_ownType = 1;
    bool m_backgroundPressed = false;
};
