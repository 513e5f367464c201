// SPDX-License-Identifier: GPL-3.0-or-later
// How the windows fit the window system they run on. Under X11 the game
// places and sizes its windows itself. A Wayland compositor places them, may
// maximise any of them (Qt's own title bar offers the button on every window,
// and a compositor's key can ask it too), and ends a client whose window then
// keeps another size; so on a desktop that offers both, the game runs on
// XWayland, and run natively it lets every window take the size it is given.
#pragma once

#include <QByteArray>

class QSize;
class QString;
class QWidget;

namespace WindowSystem {

// True when the windows are Wayland surfaces.
bool isWayland();

// The platform to ask Qt for: X11 first, Wayland if X11 fails, when both
// displays are there and the player named no platform; else empty (Qt's choice).
QByteArray platformFor(const QByteArray &requested, const QByteArray &waylandDisplay,
                       const QByteArray &x11Display);
// Before the application exists: sets that choice for this process (unless a
// -platform argument names one) and says whether it did.
bool choosePlatform(int argc, char **argv);
// After the application exists: programs started from the game choose for themselves.
void forgetPlatformChoice();

// A window of a fixed size: fixed under X11; on Wayland the smallest size.
void setFixedWindowSize(QWidget *window, const QSize &size, bool wayland = isWayland());
// For a dialog whose own layout fixed its size: on Wayland no largest size,
// and wide enough that Qt's title bar shows the whole title.
void freeSize(QWidget *window, bool wayland = isWayland());
// Maximised or full screen, or asked to be: the window system gives the size.
bool sizedByCompositor(const QWidget *window);
// The width Qt's Wayland title bar needs to show a title whole.
int titleRoom(const QString &title);

} // namespace WindowSystem
