// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/WindowSystem.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLayout>
#include <QSize>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <cstring>

namespace {
const char kPlatformVariable[] = "QT_QPA_PLATFORM";
}

bool WindowSystem::isWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QByteArray WindowSystem::platformFor(const QByteArray &requested, const QByteArray &waylandDisplay,
                                     const QByteArray &x11Display)
{
    if (!requested.isEmpty() || waylandDisplay.isEmpty() || x11Display.isEmpty())
        return QByteArray();
    return QByteArrayLiteral("xcb;wayland");
}

bool WindowSystem::choosePlatform(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    }
    const QByteArray platform = platformFor(qgetenv(kPlatformVariable), qgetenv("WAYLAND_DISPLAY"),
                                            qgetenv("DISPLAY"));
    if (platform.isEmpty())
        return false;
    qputenv(kPlatformVariable, platform);
    return true;
}

void WindowSystem::forgetPlatformChoice()
{
    qunsetenv(kPlatformVariable);
}

void WindowSystem::setFixedWindowSize(QWidget *window, const QSize &size, bool wayland)
{
    if (!wayland) {
        window->setFixedSize(size);
        return;
    }
    window->setMinimumSize(size);
    window->resize(size);
}

void WindowSystem::freeSize(QWidget *window, bool wayland)
{
    if (!wayland)
        return;
    if (QLayout *layout = window->layout(); layout && layout->sizeConstraint() == QLayout::SetMinAndMaxSize)
        layout->setSizeConstraint(QLayout::SetMinimumSize);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int room = titleRoom(window->windowTitle());
    if (window->minimumWidth() < room)
        window->setMinimumWidth(room);
}

bool WindowSystem::sizedByCompositor(const QWidget *window)
{
    constexpr Qt::WindowStates kGiven = Qt::WindowMaximized | Qt::WindowFullScreen;
    // The window handle knows at once what was asked; the widget once it is done.
    const QWindow *handle = window->windowHandle();
    return (window->windowState() & kGiven) || (handle && (handle->windowStates() & kGiven));
}

int WindowSystem::titleRoom(const QString &title)
{
    if (title.isEmpty())
        return 0;
    // Qt's Wayland title bar centres the title in 14 px type and keeps 80 px
    // at the right for its three buttons; the same room on the left keeps a
    // centred title clear of them.
    QFont font = QGuiApplication::font();
    font.setPixelSize(14);
    return QFontMetrics(font).horizontalAdvance(title) + 2 * 80;
}
