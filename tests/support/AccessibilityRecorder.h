// SPDX-License-Identifier: GPL-3.0-or-later
// Records the accessibility events the program sends. The offscreen platform
// has no bridge to a screen reader and leaves accessibility off; with the
// platform's private API the tests switch it on and listen in its place.
#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QString>

#ifdef KORVEX_HAVE_QPA_ACCESSIBILITY
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#endif

class AccessibilityRecorder
{
public:
    struct Event {
        QAccessible::Event type;
        QPointer<QObject> object;
        QString name;        // the object's accessible name when the event came
        QString description; // and its description
    };

    // False when accessibility cannot be switched on here.
    static bool start()
    {
#ifdef KORVEX_HAVE_QPA_ACCESSIBILITY
        QPlatformIntegration *platform = QGuiApplicationPrivate::platformIntegration();
        QPlatformAccessibility *accessibility = platform ? platform->accessibility() : nullptr;
        if (!accessibility)
            return false;
        QAccessible::installUpdateHandler(&AccessibilityRecorder::record);
        accessibility->setActive(true);
        return QAccessible::isActive();
#else
        return false;
#endif
    }

    static QList<Event> &events()
    {
        static QList<Event> list;
        return list;
    }
    static void clear() { events().clear(); }

    // Events of one type, optionally only those on one object.
    static QList<Event> of(QAccessible::Event type, const QObject *object = nullptr)
    {
        QList<Event> out;
        for (const Event &e : std::as_const(events()))
            if (e.type == type && (!object || e.object == object))
                out << e;
        return out;
    }

private:
    static void record(QAccessibleEvent *event)
    {
        Event e{event->type(), event->object(), QString(), QString()};
        // Only changes of what is said are read back: other events may come
        // from objects half made or half destroyed.
        const bool said = e.type == QAccessible::NameChanged || e.type == QAccessible::DescriptionChanged
                || e.type == QAccessible::Alert || e.type == QAccessible::ValueChanged
                || (e.type == QAccessible::ObjectShow && e.object && e.object->inherits("Announcer"));
        if (QAccessibleInterface *iface = said ? event->accessibleInterface() : nullptr) {
            e.name = iface->text(QAccessible::Name);
            e.description = iface->text(QAccessible::Description);
        }
        events() << e;
    }
};
