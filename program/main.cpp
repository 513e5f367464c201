// SPDX-License-Identifier: GPL-3.0-or-later
// Korvex: the process entry.
#include "base/ProgramDir.h"
#include "widgets/Prompts.h"
#include "app/TfrmMain.h"
#include "widgets/WindowSystem.h"
#include "game/TimerService.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    // On a Wayland desktop that offers X11 too, the game runs on XWayland:
    // there its windows keep their places and sizes (widgets/WindowSystem.h).
    const bool chosePlatform = WindowSystem::choosePlatform(argc, argv);
    QApplication app(argc, argv);
    if (chosePlatform)
        WindowSystem::forgetPlatformChoice();
    QApplication::setApplicationName(QStringLiteral("Korvex"));
    // No display name: it would be added to every dialog's title ("Setup").
    QGuiApplication::setDesktopFileName(QStringLiteral("korvex"));
    QApplication::setQuitOnLastWindowClosed(false);

    QtTimerService timers;
    DialogPrompts prompts;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    ProgramDir::resolveAtStartup();
    TfrmMain frmMain(prompts, timers, args);
    prompts.setParent(&frmMain);
    // The window maps at show(); the two dialogs are built while the server
    // maps it, before the event loop paints anything or takes input.
    frmMain.show();
    frmMain.buildDialogs();
    // The program's own folder could not be used: the player learns which is.
    if (const QString notice = ProgramDir::startupNotice(); !notice.isEmpty())
        QTimer::singleShot(0, &frmMain, [&prompts, notice] { prompts.showMessage(notice); });
    return QApplication::exec();
}
