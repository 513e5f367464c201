// SPDX-License-Identifier: GPL-3.0-or-later
// The hall-of-fame window: one of the two top-ten tables, switchable and clearable.
#pragma once

#include "base/LanguageTable.h"

#include <QImage>
#include <QWidget>
#include <functional>

class QLabel;
class QFrame;
class Prompts;
class TEffectLabel;
class THemisphereButton;
class TRegAuto;
struct GameSettings;
struct GameTexts;

class TfrmTopten : public QWidget
{
    Q_OBJECT

public:
    // What the window shares with the game: the type it shows is settings'
    // Type (Change and closing set it), its type line is built from texts and
    // settings' Winner, its captions come from the language store, and a file
    // it cannot read is reported through prompts. Each left out falls back
    // to: its own type starting at 1, the English type line with 1000 points,
    // the English captions, a message box.
    struct Shared
    {
        const GameSettings *settings = nullptr;
        const GameTexts *texts = nullptr;
        const TRegAuto *language = nullptr;
        Prompts *prompts = nullptr;
        std::function<void(int)> setType; // with settings: sets its Type
    };

    explicit TfrmTopten(QWidget *parent = nullptr);
    explicit TfrmTopten(const Shared &shared, QWidget *parent = nullptr);

    // Reloads and shows the table of the current type; false when the file
    // could not be read (the error has been shown, the rows are unchanged).
    bool FillTopTen();

    void btCloseClick();
    void btChangeClick();
    void btClearClick();

    // The captions of its three buttons from a loader run; entries that were
    // not read stay as they are.
    void applyLanguage(const LanguageTexts &texts);
    // The caption now shown for btClose, btClear or btChange; a null string for any other key.
    QString caption(const QString &key) const;

    // The row picture for rows 1 to 3, 32 x 32, stretched over the row's badge.
    static QImage rowPicture(int row);

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

    THemisphereButton *btClose = nullptr;
    THemisphereButton *btClear = nullptr;
    THemisphereButton *btChange = nullptr;
    TEffectLabel *LMDLabel1 = nullptr;
    TEffectLabel *lType = nullptr;

    Shared m_shared;
    int m_ownType = 1;
    bool m_backgroundPressed = false;
};
