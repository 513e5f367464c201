// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>

namespace Mnemonics {

namespace {

// The first letter or digit of plain not used yet, marked; an ampersand of
// the text itself is doubled.
QString mark(const QString &plain, QSet<QChar> &used)
{
    QString escaped = plain;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    for (int i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped.at(i).toLower();
        if (escaped.at(i) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        if (c.isLetterOrNumber() && !used.contains(c)) {
            used.insert(c);
            return escaped.left(i) + QLatin1Char('&') + escaped.mid(i);
        }
    }
    return escaped;
}

void markItems(QMenu *menu)
{
    QSet<QChar> items;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator())
            continue;
        // An action in two menus keeps the letter its first menu gave it.
        if (a->property("markedIn").value<QObject *>() && a->property("markedIn").value<QObject *>() != menu) {
            const int at = a->text().indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            if (at >= 0)
                items.insert(a->text().at(at + 1).toLower());
            continue;
        }
        const QString text = a->text() == a->property("shownText").toString() ? plainText(a) : a->text();
        a->setProperty("plainText", text);
        a->setProperty("markedIn", QVariant::fromValue<QObject *>(menu));
        a->setText(mark(text, items));
        a->setProperty("shownText", a->text());
    }
}

} // namespace

void apply(const QList<QMenu *> &menus)
{
    QSet<QChar> bar;
    for (QMenu *menu : menus) {
        const QString plain = menu->title() == menu->property("shownText").toString()
                ? menu->property("plainText").toString() : menu->title();
        menu->setProperty("plainText", plain);
        menu->setTitle(mark(plain, bar));
        menu->setProperty("shownText", menu->title());
        markItems(menu);
    }
}

QString plainText(const QObject *item)
{
    const QVariant plain = item->property("plainText");
    if (plain.isValid())
        return plain.toString();
    if (const auto *a = qobject_cast<const QAction *>(item))
        return a->text();
    if (const auto *m = qobject_cast<const QMenu *>(item))
        return m->title();
    return QString();
}

} // namespace Mnemonics
