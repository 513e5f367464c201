// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes, the file dialogs for saved games and the name query.
#include "widgets/Prompts.h"
#include "widgets/Appearance.h"
#include "widgets/WindowSystem.h"

#include "records/TopTen.h"
#include "settings/UiTexts.h"

#include <QEvent>
#include <QFileDialog>
#include <algorithm>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QValidator>

namespace {
// The pattern stays whatever the words around it say.
QString filter()
{
    const QString text = uiText("fileFilter");
    return text.contains(QLatin1String("(*.KVX)")) ? text : text + QStringLiteral(" (*.KVX)");
}

// The name field takes no more than the table keeps: typing stops at the
// limit and a longer paste is cut to it.
class NameLimit : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        const QString kept = TopTen::fitName(input);
        if (kept.size() != input.size()) {
            input = kept;
            pos = std::min<int>(pos, int(input.size()));
        }
        return Acceptable;
    }
};

// Qt's message box and input dialog fix their size again whenever they lay
// themselves out; on Wayland the size is let free once they have set it, and
// a maximised box keeps the size the compositor ordered. A placed box goes
// where `place` puts it as it is shown.
template <class Dialog>
class Sized : public Dialog
{
public:
    using Dialog::Dialog;
    std::function<void(QWidget *)> place;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest && WindowSystem::sizedByCompositor(this))
            return QDialog::event(event);
        const bool done = Dialog::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            WindowSystem::freeSize(this);
        if (event->type() == QEvent::Show && place)
            place(this);
        return done;
    }
};
} // namespace

int Prompts::runModal(QDialog &dialog)
{
    return dialog.exec();
}

void DialogPrompts::showMessage(const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::NoIcon, QStringLiteral("Korvex"), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    Appearance::showPlainText(&box);
    box.place = placeBox;
    box.exec();
}

void DialogPrompts::showError(const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::Critical, QStringLiteral("Korvex"), text, QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("errorBox"));
    Appearance::showPlainText(&box);
    box.exec();
}

bool DialogPrompts::confirm(const QString &title, const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setObjectName(QStringLiteral("confirmBox"));
    Appearance::showPlainText(&box);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString DialogPrompts::saveFileName(QWidget *parent, const QString &title, const QString &dir,
                                    const QString &suggested)
{
    QFileDialog dlg(parent, title, dir, filter());
    dlg.setObjectName(QStringLiteral("dlgSave"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(QStringLiteral("KVX"));
    // The window asks before a file is replaced, whichever dialog the desktop gives.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!suggested.isEmpty())
        dlg.selectFile(suggested);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

QString DialogPrompts::openFileName(QWidget *parent, const QString &title, const QString &dir)
{
    QFileDialog dlg(parent, title, dir, filter());
    dlg.setObjectName(QStringLiteral("dlgOpen"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(QStringLiteral("KVX"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

bool DialogPrompts::askName(const QString &caption, const QString &prompt, QString &text)
{
    Sized<QInputDialog> dlg(m_parent);
    dlg.setObjectName(QStringLiteral("HiScore"));
    dlg.setWindowTitle(caption);
    dlg.setLabelText(prompt);
    dlg.setInputMode(QInputDialog::TextInput);
    if (auto *field = dlg.findChild<QLineEdit *>())
        field->setValidator(new NameLimit(field));
    dlg.setTextValue(text);
    Appearance::showPlainText(&dlg);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    text = dlg.textValue();
    return true;
}
