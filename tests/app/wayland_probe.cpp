// SPDX-License-Identifier: GPL-3.0-or-later
// The game's windows on a real Wayland compositor: the main window, the
// settings dialog, the message and error boxes, the name query, the advisor
// and the top ten are each maximised as Qt's own title bar does it (the
// compositor then orders the maximised size), given time to draw at it, and
// restored. A window that kept another size would end the connection and the
// program with it. Run by wayland_session.sh; prints one line per window.
#include "app/AdvisorWindow.h"
#include "base/ProgramDir.h"
#include "widgets/Prompts.h"
#include "support/WindowRig.h"
#include "widgets/WindowSystem.h"
#include "dialogs/TfrmTopten.h"
#include "dialogs/TfrmSetup.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace {

// How long the compositor may take to answer; only a failure waits this long.
constexpr int kPatienceMs = 30000;

[[noreturn]] void fail(const QString &what)
{
    std::printf("FAIL: %s\n", qPrintable(what));
    std::fflush(stdout);
    std::exit(1);
}

bool shown(QWidget *w)
{
    return w && w->windowHandle() && w->windowHandle()->isExposed();
}

// What the title bar's maximise button does, then the same again to restore.
void maximiseAndRestore(QWidget *w, const QString &name)
{
    if (!QTest::qWaitFor([w] { return shown(w); }, kPatienceMs))
        fail(name + QStringLiteral(" never appeared"));
    const QSize normal = w->size();
    w->windowHandle()->setWindowStates(Qt::WindowMaximized);
    if (!QTest::qWaitFor([w, normal] { return w->isMaximized() && w->size() != normal; }, kPatienceMs))
        fail(QStringLiteral("%1 was not maximised (%2 x %3)").arg(name).arg(w->width()).arg(w->height()));
    const QSize maximised = w->size();
    // Frames drawn at the maximised size: the compositor checks each one.
    QTest::qWait(300);
    w->windowHandle()->setWindowStates(Qt::WindowNoState);
    if (!QTest::qWaitFor([w] { return !w->isMaximized(); }, kPatienceMs))
        fail(name + QStringLiteral(" stayed maximised"));
    QTest::qWait(100);
    std::printf("ok: %s %d x %d, maximised %d x %d, back to %d x %d\n", qPrintable(name), normal.width(),
                normal.height(), maximised.width(), maximised.height(), w->width(), w->height());
    std::fflush(stdout);
}

// A modal box or dialog: found once it is up, maximised, checked and closed.
template <class Check>
void whenModal(const QString &name, Check check)
{
    QTimer::singleShot(0, [name, check] {
        QWidget *box = nullptr;
        if (!QTest::qWaitFor([&box] { return shown(box = QApplication::activeModalWidget()); }, kPatienceMs))
            fail(name + QStringLiteral(" never appeared"));
        maximiseAndRestore(box, name);
        check(box);
        qobject_cast<QDialog *>(box)->reject();
    });
}

// The title bar needs its room: a cut title is what this checks.
void titleWhole(QWidget *box)
{
    const int room = WindowSystem::titleRoom(box->windowTitle());
    if (box->width() < room)
        fail(QStringLiteral("the box titled \"%1\" is %2 wide, its title needs %3")
                 .arg(box->windowTitle())
                 .arg(box->width())
                 .arg(room));
}

// The graphics modules the platform plugin loaded (Mesa's EGL and the DRI
// driver it picked): what differs from machine to machine, named in the log.
QString graphicsModules()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QStringList names;
    if (maps.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = maps.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QString name = QString::fromLocal8Bit(line.mid(line.lastIndexOf('/') + 1));
            if ((name.endsWith(QLatin1String("_dri.so")) || name.startsWith(QLatin1String("libEGL_")))
                && !names.contains(name))
                names << name;
        }
    }
    return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1String(", "));
}

// A child window keeps the keyboard from the game on a Wayland compositor.
void ownWindow(QWidget *w, const QString &name)
{
    if (!QTest::qWaitFor([w] { return shown(w); }, kPatienceMs))
        fail(name + QStringLiteral(" never appeared"));
    if (w->parentWidget() || w->windowHandle()->transientParent())
        fail(name + QStringLiteral(" is a child of another window"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvex"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!WindowSystem::isWayland())
        fail(QStringLiteral("running on %1, not Wayland").arg(QGuiApplication::platformName()));

    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder"));
    ProgramDir::set(dir.path() + QLatin1Char('/'));

    // Built as the game builds it.
    QtTimerService timers;
    DialogPrompts prompts;
    TfrmMain w(prompts, timers, {});
    prompts.setParent(&w);
    w.show();
    w.buildDialogs();
    maximiseAndRestore(&w, QStringLiteral("main window"));
    std::printf("graphics on Wayland: %s\n", qPrintable(graphicsModules()));

    whenModal(QStringLiteral("settings dialog"), [](QWidget *) {});
    action(w, "aSettings")->trigger();
    whenModal(QStringLiteral("message box"), titleWhole);
    prompts.showMessage(QStringLiteral("Congratulation !"));
    whenModal(QStringLiteral("error box"), titleWhole);
    prompts.showError(QStringLiteral("Cannot write Korvex.cnf"));
    whenModal(QStringLiteral("name query"), titleWhole);
    QString name = QStringLiteral("Player");
    prompts.askName(QStringLiteral("Korvex"), QStringLiteral("Your name:"), name);

    action(w, "aAdvisor")->trigger();
    ownWindow(w.sideWindows().advisor(), QStringLiteral("advisor"));
    maximiseAndRestore(w.sideWindows().advisor(), QStringLiteral("advisor"));
    action(w, "aTopTen")->trigger();
    ownWindow(&w.topten(), QStringLiteral("top ten"));
    maximiseAndRestore(&w.topten(), QStringLiteral("top ten"));

    // Closing the main window ends the program with the others still open.
    QTimer::singleShot(0, &w, &QWidget::close);
    const int status = QApplication::exec();
    std::printf("%s\n", status == 0 ? "PASS: every window maximised and restored" : "FAIL: bad exit");
    return status;
}
