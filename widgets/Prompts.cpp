// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes, the file dialogs for saved games and the name query.
#include "widgets/Prompts.h"
#include "widgets/Appearance.h"
#include "widgets/WindowSystem.h"

#include "records/TopTen.h"
#include "base/UiTexts.h"

#include <QAccessible>
#include <QEvent>
#include <QFileDialog>
#include <algorithm>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
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
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) {
            WindowSystem::freeSize(this);
            keepOnScreen(*this);
        }
        if (event->type() == QEvent::Show && place)
            place(this);
        // Moved or resized once in sight, the box and its controls tell the
        // accessibility layer where they now stand, so that a tool's click or
        // a magnifier follows them there.
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && this->isVisible()
            && QAccessible::isActive()) {
            QList<QWidget *> moved{this};
            moved << this->template findChildren<QWidget *>();
            for (QWidget *w : std::as_const(moved)) {
                if (!w->isVisible())
                    continue;
                QAccessibleEvent located(w, QAccessible::LocationChanged);
                QAccessible::updateAccessibility(&located);
            }
        }
        return done;
    }
};
} // namespace

QString boxText(const QString &text, int maxChars)
{
    QString shown = text;
    if (shown.size() > maxChars) {
        qsizetype head = maxChars / 2;
        qsizetype tail = maxChars - head;
        if (head > 0 && shown.at(head - 1).isHighSurrogate())
            --head;
        if (tail > 0 && shown.at(shown.size() - tail).isLowSurrogate())
            --tail;
        shown = shown.left(head) + QChar(0x2026) + shown.right(tail);
    }
    QString out;
    out.reserve(shown.size() + shown.size() / kBoxRun + 1);
    int run = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QChar c = shown.at(i);
        out += c;
        if (c.isSpace() || c == QChar(0x200B) || c == QLatin1Char('-')) {
            run = 0;
            continue;
        }
        // A pair of surrogates is one character and is never split.
        if (c.isHighSurrogate())
            continue;
        if (++run >= kBoxRun && i + 1 < shown.size() && !shown.at(i + 1).isSpace()) {
            out += QChar(0x200B);
            run = 0;
        }
    }
    return out;
}

QString fitBoxText(const QString &text, const QFont &font, int width, int height)
{
    const QFontMetrics metrics(font);
    const auto fits = [&](const QString &t) {
        return metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 24), Qt::TextWordWrap, t).height() <= height;
    };
    QString shown = boxText(text);
    if (fits(shown))
        return shown;
    // The longest cut that fits, found by halving.
    int low = 0, high = int(std::min<qsizetype>(text.size(), kBoxChars));
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (fits(boxText(text, mid)))
            low = mid;
        else
            high = mid - 1;
    }
    return boxText(text, low);
}

void keepOnScreen(QDialog &box)
{
    QScreen *screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    if (box.minimumWidth() > room.width())
        box.setMinimumWidth(room.width());
    if (box.minimumHeight() > room.height())
        box.setMinimumHeight(room.height());
    box.setMaximumSize(room.size());
    if (box.width() > room.width())
        box.resize(room.width(), box.height());
}

namespace {
QRect roomBeside(QWidget *parent)
{
    QScreen *screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

// A message box's text, fitted to what the box can take on the screen: Qt
// wraps a text that can break at half the screen's width, at most 500 px,
// less the icon and the margins; the title and the buttons take some height.
QString boxTextFor(const QString &text, QWidget *parent)
{
    const QRect room = roomBeside(parent);
    const int width = std::min(room.width() / 2, 500) - 80;
    return fitBoxText(text, QApplication::font("QMessageBox"), width, room.height() - 160);
}
} // namespace

int Prompts::runModal(QDialog &dialog)
{
    return dialog.exec();
}

void DialogPrompts::showMessage(const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::NoIcon, QStringLiteral("Korvex"), boxTextFor(text, m_parent), QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    Appearance::showPlainText(&box);
    box.place = placeBox;
    box.exec();
}

void DialogPrompts::showError(const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::Critical, QStringLiteral("Korvex"), boxTextFor(text, m_parent), QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("errorBox"));
    Appearance::showPlainText(&box);
    box.exec();
}

bool DialogPrompts::confirm(const QString &title, const QString &text)
{
    Sized<QMessageBox> box(QMessageBox::Warning, title, boxTextFor(text, m_parent), QMessageBox::Yes | QMessageBox::No, m_parent);
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
    // The prompt wraps like a message box's text, in no more than half the screen.
    const QRect room = roomBeside(m_parent);
    const int width = std::min(room.width() - 80, 480);
    const QFont font = QApplication::font("QLabel");
    if (QFontMetrics(font).horizontalAdvance(prompt) <= width) {
        dlg.setLabelText(prompt);
    } else {
        dlg.setLabelText(fitBoxText(prompt, font, width, room.height() / 2));
        if (auto *label = dlg.findChild<QLabel *>()) {
            label->setWordWrap(true);
            label->setMinimumWidth(width);
        }
    }
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
