// SPDX-License-Identifier: GPL-3.0-or-later
// The notification that carries spoken news.
#include "app/Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class AccessibleAnnouncer : public QAccessibleWidget
{
public:
    explicit AccessibleAnnouncer(Announcer *w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<Announcer *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *announcerAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("Announcer") && object && object->isWidgetType())
        return new AccessibleAnnouncer(static_cast<Announcer *>(object));
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(announcerAccessible), true);
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("announcer"));
    // One pixel that draws nothing and lets every click through: it exists for
    // assistive tools only.
    setGeometry(0, 0, 1, 1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Announcer::say(const QString &text)
{
    if (text.isEmpty())
        return;
    m_text = text;
    // Appearing is what a screen reader presents; showing it again repeats it.
    hide();
    show();
    emit said(text);
}
