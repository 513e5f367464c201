// SPDX-License-Identifier: GPL-3.0-or-later
// Finds where a text holding markup would be read as markup instead of shown
// as it is: the labels (a message box's text among them), their accessible
// names and the tooltips of a window and all it holds.
#pragma once

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QStringList>
#include <QTextDocument>

inline QStringList markupReadIn(const QWidget *window, const QString &tag)
{
    QStringList found;
    QList<const QWidget *> all{window};
    for (const QWidget *w : window->findChildren<QWidget *>())
        all << w;
    for (const QWidget *w : std::as_const(all)) {
        const QString where = window->objectName() + QLatin1Char('/') + w->objectName() + QLatin1Char(' ')
                + QLatin1String(w->metaObject()->className());
        if (const auto *l = qobject_cast<const QLabel *>(w); l && l->text().contains(tag)) {
            if (l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text())))
                found << where + QStringLiteral(" text");
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(const_cast<QLabel *>(l));
            if (iface && !iface->text(QAccessible::Name).contains(tag))
                found << where + QStringLiteral(" accessible name");
        }
        if (w->toolTip().contains(tag) && Qt::mightBeRichText(w->toolTip()))
            found << where + QStringLiteral(" tooltip");
    }
    return found;
}

// Looks into every dialog as it opens and closes it again at once: a name
// query is answered with `name`, any other dialog is cancelled.
class DialogInspector : public QObject
{
public:
    DialogInspector(const QString &tag, const QString &name) : m_tag(tag), m_name(name)
    {
        qApp->installEventFilter(this);
    }
    QStringList found;
    int dialogs = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isWindow()) {
            ++dialogs;
            found << markupReadIn(dialog, m_tag);
            if (auto *query = qobject_cast<QInputDialog *>(dialog)) {
                query->setTextValue(m_name);
                QMetaObject::invokeMethod(query, &QDialog::accept, Qt::QueuedConnection);
            } else {
                QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    QString m_tag, m_name;
};
