// SPDX-License-Identifier: GPL-3.0-or-later
// The settings and language editor dialog.
#include "dialogs/TfrmSetup.h"

#include "widgets/Appearance.h"
#include "base/ProgramDir.h"
#include "widgets/THemisphereButton.h"
#include "widgets/WindowSystem.h"
#include "game/Game.h"
#include "base/GameTexts.h"
#include "base/KvxError.h"
#include "settings/Config.h"
#include "dialogs/RtfReader.h"
#include "dialogs/SetupHost.h"
#include "base/TRegAuto.h"
#include "base/Translations.h"
#include "base/UiTexts.h"

#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kClientWidth = 479;
constexpr int kClientHeight = 452;
constexpr int kBottomHeight = 41;
constexpr int kRowPitch = 24;
constexpr int kRowsWidth = 168 + 273 + 8;

QString keyOf(int row)
{
    return QLatin1String(kLanguageTable[row].key);
}

} // namespace

TfrmSetup::TfrmSetup(SetupHost &host, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_host(host)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    setModal(true);
    QFont dialogFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    dialogFont.setStyleHint(QFont::SansSerif);
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    // The rules page and the round buttons were drawn for light colours: the
    // dialog keeps them under any desktop theme.
    setPalette(Appearance::surfacePalette());
    WindowSystem::setFixedWindowSize(this, QSize(kClientWidth, kClientHeight));

    pcMain = new QTabWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    pcMain->setGeometry(0, 0, kClientWidth, kClientHeight - kBottomHeight);

    buildGeneralPage();
    buildLanguagePage();
    buildBottomPanel();
    setTabOrders();

    Appearance::showPlainText(this);
    applyLanguage(readLanguage(m_host.languageStore(), false, true));
    Appearance::useSurfaceStyle(this);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

void TfrmSetup::buildGeneralPage()
{
    tsGen = new QWidget;
    tsGen->setObjectName(QStringLiteral("tsGen"));
    pcMain->addTab(tsGen, QStringLiteral("General"));

    lWinnerTotal = new QLabel(QStringLiteral("Winner Total:"), tsGen);
    lWinnerTotal->setObjectName(QStringLiteral("lWinnerTotal"));
    lWinnerTotal->setGeometry(5, 11, 306, 16);

    iWin = new QSpinBox(tsGen);
    iWin->setObjectName(QStringLiteral("iWin"));
    iWin->setGeometry(320, 8, 145, 22);
    iWin->setRange(MinWinner, MaxWinner);
    iWin->setSingleStep(1000);
    iWin->setValue(MinWinner);
    lWinnerTotal->setBuddy(iWin);

    eValid = new QCheckBox(QStringLiteral("400-500 intervallum valid for each 1000"), tsGen);
    eValid->setObjectName(QStringLiteral("eValid"));
    eValid->setGeometry(8, 36, 457, 17);

    lRules = new QLabel(QStringLiteral("Rules:"), tsGen);
    lRules->setObjectName(QStringLiteral("lRules"));
    lRules->setGeometry(5, 59, 306, 18);
    m_rulesCaption = lRules->text();

    mRules = new QTextEdit(tsGen);
    mRules->setObjectName(QStringLiteral("mRules"));
    mRules->setGeometry(5, 80, 460, 297);
    mRules->setReadOnly(true);
    mRules->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A click may still select and copy; Tab passes it by.
    mRules->setFocusPolicy(Qt::ClickFocus);
    mRules->setTabChangesFocus(true);
    lRules->setBuddy(mRules);
    mRules->viewport()->setCursor(Qt::IBeamCursor);
    QPalette rulesPalette = mRules->palette();
    rulesPalette.setColor(QPalette::Base, QColor(192, 220, 192));
    mRules->setPalette(rulesPalette);

}

void TfrmSetup::buildLanguagePage()
{
    tsLang = new QWidget;
    tsLang->setObjectName(QStringLiteral("tsLang"));
    pcMain->addTab(tsLang, QStringLiteral("Language"));

    sbLang = new QScrollArea(tsLang);
    sbLang->setObjectName(QStringLiteral("sbLang"));
    sbLang->setFocusPolicy(Qt::NoFocus);
    sbLang->setWidgetResizable(false);
    sbLang->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_rows = new QWidget;
    m_rows->setObjectName(QStringLiteral("sbLangRows"));
    m_rows->resize(kRowsWidth, addLanguageRows(m_rows) + 8);
    sbLang->setWidget(m_rows);
    m_addedTexts.resize(size_t(kUiTextCount));
    connect(pcMain, &QTabWidget::currentChanged, this, [this](int index) {
        if (pcMain->widget(index) == tsLang)
            ensureAddedRows();
    });

    // Above the texts, the language they are filled from.
    lLanguage = new QLabel(tsLang);
    lLanguage->setObjectName(QStringLiteral("lLanguage"));
    cbLanguage = new QComboBox(tsLang);
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    lLanguage->setBuddy(cbLanguage);
    connect(cbLanguage, &QComboBox::activated, this, [this](int index) {
        pickLanguage(cbLanguage->itemData(index).toString());
    });
    auto *picker = new QHBoxLayout;
    picker->setContentsMargins(8, 6, 8, 2);
    picker->addWidget(lLanguage);
    picker->addWidget(cbLanguage, 1);
    // The scroll box fills the rest of the page whatever size the style gives it.
    auto *pageLayout = new QVBoxLayout(tsLang);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addLayout(picker);
    pageLayout->addWidget(sbLang);
}

int TfrmSetup::addLanguageRows(QWidget *rows)
{
    for (int n = 0; n < kLanguageCount; ++n) {
        const LangEntry &e = kLanguageTable[n];
        auto *label = new QLabel(QString::fromUtf8(e.editorLabel ? e.editorLabel : e.englishDefault), rows);
        label->setGeometry(8, 11 + kRowPitch * n, 153, 16);
        auto *field = new QLineEdit(rows);
        field->setObjectName(QLatin1String(e.editorField));
        field->setGeometry(168, 8 + kRowPitch * n, 273, 24);
        field->setAccessibleName(label->text());
        m_edits[size_t(n)] = field;
    }
    return 8 + kRowPitch * kLanguageCount;
}

void TfrmSetup::ensureAddedRows()
{
    if (!m_added.empty())
        return;
    QWidget *rows = m_rows;
    std::vector<QWidget *> built;
    // After the 41, the texts added since, under a heading for each section;
    // each row is its English text, whole, over a field as wide as the page,
    // since many of them are sentences.
    int y = 8 + kRowPitch * kLanguageCount;
    QString section;
    constexpr int kWideField = 168 + 273 - 8;
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiTextEntry &e = kUiTexts[i];
        if (section != QLatin1String(e.section)) {
            section = QLatin1String(e.section);
            auto *heading = new QLabel(section, rows);
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
            heading->setTextFormat(Qt::PlainText);
            heading->setGeometry(8, y + 8, kWideField, 16);
            built.push_back(heading);
            y += kRowPitch;
        }
        const QString english = QString::fromUtf8(e.englishDefault);
        auto *label = new QLabel(english, rows);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        const int labelHeight = std::max(16, label->heightForWidth(kWideField));
        label->setGeometry(8, y + 3, kWideField, labelHeight);
        auto *field = new QLineEdit(rows);
        field->setObjectName(QStringLiteral("e") + QLatin1String(e.key));
        field->setGeometry(8, y + 5 + labelHeight, kWideField, 24);
        field->setAccessibleName(english);
        label->setBuddy(field);
        field->setText(m_addedTexts[size_t(i)]);
        m_added.push_back(field);
        built.insert(built.end(), {label, field});
        y += labelHeight + 5 + 24 + 4;
    }
    m_addedTexts.clear();
    m_rows->resize(kRowsWidth, y + 8);
    // Tab goes on from the last of the 41 through the added texts.
    QWidget *previous = m_edits[size_t(kLanguageCount - 1)];
    for (QLineEdit *field : m_added) {
        setTabOrder(previous, field);
        previous = field;
    }
    // Rows added to a page already on screen are not shown by themselves.
    if (rows->isVisible()) {
        for (QWidget *w : built)
            w->show();
    }
}

QLineEdit *TfrmSetup::addedEdit(int index)
{
    ensureAddedRows();
    return m_added[size_t(index)];
}

void TfrmSetup::setAddedText(int index, const QString &text)
{
    if (m_added.empty())
        m_addedTexts[size_t(index)] = text;
    else
        m_added[size_t(index)]->setText(text);
}

QString TfrmSetup::addedText(int index) const
{
    return m_added.empty() ? m_addedTexts[size_t(index)] : m_added[size_t(index)]->text();
}

void TfrmSetup::buildBottomPanel()
{
    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    pBottom->setGeometry(0, kClientHeight - kBottomHeight, kClientWidth, kBottomHeight);
    btSave = new THemisphereButton(QStringLiteral("Save"), pBottom);
    btSave->setObjectName(QStringLiteral("btSave"));
    btSave->setGeometry(131, 4, 97, 33);
    btCancel = new THemisphereButton(QStringLiteral("Cancel"), pBottom);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setGeometry(251, 4, 97, 33);
    connect(btSave, &QAbstractButton::clicked, this, &TfrmSetup::btSaveClick);
    connect(btCancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

void TfrmSetup::setTabOrders()
{
    // Tab walks the editor's rows top to bottom, the added texts after the 41
    // (chained when they are built).
    setTabOrder(cbLanguage, m_edits[0]);
    for (int n = 1; n < kLanguageCount; ++n)
        setTabOrder(m_edits[size_t(n - 1)], m_edits[size_t(n)]);
}

void TfrmSetup::Fill()
{
    for (int n = 0; n < kLanguageCount; ++n)
        m_edits[size_t(n)]->setText(m_host.textInForce(keyOf(n)));
    for (int i = 0; i < kUiTextCount; ++i)
        setAddedText(i, uiText(kUiTexts[i].key));
    const GameSettings &live = m_host.liveSettings();
    iWin->setValue(live.Winner); // the spin box keeps it within its limits
    eValid->setChecked(live.Valid);

    // The picker shows the language the file names; the translations are
    // listed only now, when the dialog is opened, not at start.
    lLanguage->setText(uiText("lLanguagePick"));
    const QString code = languageCode(m_host.languageStore());
    cbLanguage->clear();
    // English, the texts' own language, first; the others by the name shown,
    // as the language in force sorts it ("Magyar" after "Italiano").
    cbLanguage->addItem(QStringLiteral("English"), QLatin1String(kEnglishCode));
    QList<Translation> shipped = shippedTranslations();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(shipped.begin(), shipped.end(),
              [&collator](const Translation &a, const Translation &b) { return collator.compare(a.name, b.name) < 0; });
    for (const Translation &t : std::as_const(shipped))
        cbLanguage->addItem(t.name, t.code);
    const int at = cbLanguage->findData(code);
    cbLanguage->setCurrentIndex(at >= 0 ? at : 0);
    m_pickedCode = at >= 0 ? code : QString();

    RtfReader::loadRulesInto(mRules->document(), rulesFileFor(ProgramDir::get(), code));
    mRules->moveCursor(QTextCursor::Start); // the rules open at their beginning
}

void TfrmSetup::pickLanguage(const QString &code)
{
    // Every field from the translation; what it lacks stays English.
    const QHash<QString, QString> texts = translationTexts(code);
    const auto value = [&texts](const char *key, const char *english) {
        return texts.value(QString::fromLatin1(key).toLower(), QString::fromUtf8(english));
    };
    for (int n = 0; n < kLanguageCount; ++n)
        m_edits[size_t(n)]->setText(value(kLanguageTable[n].key, kLanguageTable[n].englishDefault));
    for (int i = 0; i < kUiTextCount; ++i)
        setAddedText(i, value(kUiTexts[i].key, kUiTexts[i].englishDefault));
    m_pickedCode = code;
    const int at = cbLanguage->findData(code);
    if (at >= 0)
        cbLanguage->setCurrentIndex(at);
}

int TfrmSetup::winnerFromField() const
{
    int value = MinWinner;
    if (!TRegAuto::parseInteger(iWin->cleanText().trimmed(), &value))
        value = MinWinner;
    return clampWinner(value);
}

TfrmSetup::Outcome TfrmSetup::Save()
{
    GameSettings live = m_host.liveSettings();
    // A winning total no game can reach is said before anything is written.
    if (const QString why = unwinnableWinner(winnerFromField(), eValid->isChecked()); !why.isEmpty()) {
        m_host.showError(why);
        return NotSaved;
    }
    try {
        TRegAuto &lng = m_host.languageStore();
        GameTexts texts = m_host.liveTexts();
        const auto fieldFor = [this](QString GameTexts::*variable) {
            for (int n = 0; n < kLanguageCount; ++n) {
                if (kLanguageTable[n].variable == variable)
                    return m_edits[size_t(n)]->text();
            }
            return QString();
        };
        // Every text, the added ones in their own sections and the language
        // they came from, in one replacement of the file: a kill or a refused
        // write leaves the old file whole.
        QList<TRegAuto::Entry> entries;
        for (int n = 0; n < kLanguageCount; ++n) {
            const LangEntry &e = kLanguageTable[n];
            entries.append({QLatin1String(e.section), QLatin1String(e.key), m_edits[size_t(n)]->text()});
        }
        for (int i = 0; i < kUiTextCount; ++i) {
            const UiTextEntry &e = kUiTexts[i];
            entries.append({QLatin1String(e.section), QLatin1String(e.key), addedText(i)});
        }
        if (!m_pickedCode.isEmpty())
            entries.append({QLatin1String(kLanguageSection), QLatin1String(kLanguageCodeKey), m_pickedCode});
        lng.WriteStrings(entries);

        // Of the engine's texts only the type names, the result labels and
        // the game-type text go live at once.
        for (const auto variable : {&GameTexts::lType1, &GameTexts::lType2, &GameTexts::sLGT1, &GameTexts::sLGT2})
            texts.*variable = fieldFor(variable);
        m_host.applyTexts(texts);
        emit typeTextsChanged();
        texts.lType = fieldFor(&GameTexts::lType);
        m_host.applyTexts(texts);
        emit gameTypeTextChanged();

        const int winner = winnerFromField();
        iWin->setValue(winner);
        const bool valid = eValid->isChecked();
        const bool changed = winner != live.Winner || valid != live.Valid;
        live.Winner = winner;
        live.Valid = valid;
        writeConfig(m_host.configStore(), live.Winner, live.Valid);
        m_host.applySettings(live);
        return changed ? SavedNewSettings : Saved;
    } catch (const KvxError &e) {
        m_host.showError(e.message());
        return NotSaved;
    }
}

void TfrmSetup::btSaveClick()
{
    if (const Outcome outcome = Save())
        done(outcome);
}

void TfrmSetup::applyLanguage(const std::function<QString(const QString &key)> &text)
{
    btSave->setText(text(QStringLiteral("btSave")));
    btCancel->setText(text(QStringLiteral("btCancel")));
    pcMain->setTabText(pcMain->indexOf(tsGen), text(QStringLiteral("tsGen")));
    pcMain->setTabText(pcMain->indexOf(tsLang), text(QStringLiteral("tsLang")));
    lWinnerTotal->setText(text(QStringLiteral("lWinnerTotal")));
    // Alt and the caption's first letter take the keyboard into the rules,
    // which Tab passes by; the caption in force stays as the file has it.
    m_rulesCaption = text(QStringLiteral("lRules"));
    QString shown = m_rulesCaption;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (int i = 0; i < shown.size(); ++i) {
        if (shown.at(i).isLetterOrNumber()) {
            shown.insert(i, QLatin1Char('&'));
            break;
        }
    }
    lRules->setText(shown);
    setWindowTitle(uiText("setupTitle"));
    eValid->setText(uiText("eValid"));
}

void TfrmSetup::applyLanguage(const LanguageTexts &texts)
{
    applyLanguage([this, &texts](const QString &key) {
        const int i = languageIndex(key);
        return i >= 0 && texts[size_t(i)] ? *texts[size_t(i)] : caption(key);
    });
}

QString TfrmSetup::caption(const QString &key) const
{
    auto is = [&key](const char *name) { return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("btSave"))
        return btSave->text();
    if (is("btCancel"))
        return btCancel->text();
    if (is("tsGen"))
        return pcMain->tabText(pcMain->indexOf(tsGen));
    if (is("tsLang"))
        return pcMain->tabText(pcMain->indexOf(tsLang));
    if (is("lWinnerTotal"))
        return lWinnerTotal->text();
    if (is("lRules"))
        return m_rulesCaption;
    return QString();
}

void TfrmSetup::showPage(bool language)
{
    if (language)
        ensureAddedRows();
    pcMain->setCurrentWidget(language ? tsLang : tsGen);
}
