// SPDX-License-Identifier: GPL-3.0-or-later
// The settings and language editor dialog: winning total, band option, the
// rules text, and every text of the language file.
#pragma once

#include "settings/Config.h"
#include "base/LanguageTable.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTextEdit;
class QWidget;
class SetupHost;
class THemisphereButton;

class TfrmSetup : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MinWinner = kMinWinner;
    static constexpr int MaxWinner = kMaxWinner;

    // Reads its own six captions from the language file at once, so the
    // editor shows the stored texts from the first opening on.
    explicit TfrmSetup(SetupHost &host, QWidget *parent = nullptr);

    // What a save did, and the dialog's result when it closes through Save.
    enum Outcome {
        NotSaved = QDialog::Rejected,
        Saved = QDialog::Accepted,      // every text and the settings written
        SavedNewSettings,               // the same, and the winning total or the band option differs
    };

    // The texts in force, the settings and the rules file into the fields.
    // Throws KvxError when the rules file exists but cannot be read.
    void Fill();

    // Writes the 41 texts and the two settings. On a refused write: stops at
    // that key, shows the message through the host, leaves the live settings
    // as they were, and returns NotSaved.
    Outcome Save();

    // The dialog's own captions (btSave, btCancel, tsGen, tsLang,
    // lWinnerTotal, lRules); text gives the caption for a key.
    void applyLanguage(const std::function<QString(const QString &key)> &text);
    // The same from a loader run; entries that were not read stay as they are.
    void applyLanguage(const LanguageTexts &texts);
    // The caption now shown for one of those six keys; a null string for any other.
    QString caption(const QString &key) const;

    // Makes the Language page (true) or the General page (false) the active one.
    void showPage(bool language);

    // The winning total Save takes from iWin: what is typed, within the
    // limits; text that is not a number counts as the lower limit.
    int winnerFromField() const;

    QLineEdit *edit(int row) const { return m_edits[size_t(row)]; }
    // The field of an added text, by its index in kUiTexts; builds the rows
    // of the added texts when they are not built yet.
    QLineEdit *addedEdit(int index);
    // Fills every text field from a shipped translation (English for
    // kEnglishCode); Save then writes them with the code.
    void pickLanguage(const QString &code);
    QComboBox *languagePicker() const { return cbLanguage; }

signals:
    // Within Save, as the texts go live: the type names and result labels
    // (set the result label), then the game-type text (rebuild its line).
    void typeTextsChanged();
    void gameTypeTextChanged();

private:
    void buildGeneralPage();
    void buildLanguagePage();
    // One row for each of the 41 texts; the height the rows take.
    int addLanguageRows(QWidget *rows);
    // The rows of the added texts, by section, under the 41; built the first
    // time the Language page is shown or a field of theirs is asked for, since
    // they are most of the dialog's widgets.
    void ensureAddedRows();
    void setAddedText(int index, const QString &text);
    QString addedText(int index) const;
    void buildBottomPanel();
    void setTabOrders();
    void btSaveClick();

    SetupHost &m_host;

    QTabWidget *pcMain = nullptr;
    QWidget *tsGen = nullptr;
    QWidget *tsLang = nullptr;
    QLabel *lWinnerTotal = nullptr;
    QSpinBox *iWin = nullptr;
    QCheckBox *eValid = nullptr;
    QLabel *lRules = nullptr;
    QTextEdit *mRules = nullptr;
    QScrollArea *sbLang = nullptr;
    QWidget *m_rows = nullptr;
    QWidget *pBottom = nullptr;
    THemisphereButton *btSave = nullptr;
    THemisphereButton *btCancel = nullptr;
    std::array<QLineEdit *, kLanguageCount> m_edits{};
    QString m_rulesCaption;
    std::vector<QLineEdit *> m_added; // empty until the rows are built
    std::vector<QString> m_addedTexts; // what the added fields hold until then
    QLabel *lLanguage = nullptr;
    QComboBox *cbLanguage = nullptr;
    QString m_pickedCode; // the language the fields were filled from; empty when none
};
