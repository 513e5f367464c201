// SPDX-License-Identifier: GPL-3.0-or-later
// Which window system the game asks for, and how its fixed-size windows and
// boxes are sized under X11 and on Wayland.
#include "widgets/WindowSystem.h"

#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QWindow>
#include <QtTest>

#include <vector>

class TestWindowSystem : public QObject
{
    Q_OBJECT

private slots:
    void platformChoice_data()
    {
        QTest::addColumn<QByteArray>("requested");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("x11");
        QTest::addColumn<QByteArray>("chosen");
        const QByteArray both("xcb;wayland");
        QTest::newRow("both displays") << QByteArray() << QByteArray("wayland-0") << QByteArray(":0") << both;
        QTest::newRow("the player's choice") << QByteArray("wayland") << QByteArray("wayland-0")
                                             << QByteArray(":0") << QByteArray();
        QTest::newRow("Wayland only") << QByteArray() << QByteArray("wayland-0") << QByteArray() << QByteArray();
        QTest::newRow("X11 only") << QByteArray() << QByteArray() << QByteArray(":1") << QByteArray();
        QTest::newRow("neither") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    }
    void platformChoice()
    {
        QFETCH(QByteArray, requested);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, x11);
        QFETCH(QByteArray, chosen);
        QCOMPARE(WindowSystem::platformFor(requested, wayland, x11), chosen);

        // The same through the environment, and a -platform argument wins.
        const QByteArray saved[] = {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY")};
        const char *names[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"};
        const QByteArray values[] = {requested, wayland, x11};
        for (int i = 0; i < 3; ++i)
            values[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], values[i]);
        char prog[] = "korvex", flag[] = "-platform", name[] = "wayland";
        char *plain[] = {prog, nullptr};
        char *named[] = {prog, flag, name, nullptr};
        QVERIFY(!WindowSystem::choosePlatform(3, named));
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), requested);
        QCOMPARE(WindowSystem::choosePlatform(1, plain), !chosen.isEmpty());
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), chosen.isEmpty() ? requested : chosen);
        for (int i = 0; i < 3; ++i)
            saved[i].isEmpty() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    }

    void fixedSizeOnlyUnderX11()
    {
        const QSize size(485, 452);
        QWidget x11, wayland;
        WindowSystem::setFixedWindowSize(&x11, size, false);
        QCOMPARE(x11.minimumSize(), size);
        QCOMPARE(x11.maximumSize(), size);
        // On Wayland the compositor may order a larger size: the window takes it.
        WindowSystem::setFixedWindowSize(&wayland, size, true);
        QCOMPARE(wayland.size(), size);
        QCOMPARE(wayland.minimumSize(), size);
        QCOMPARE(wayland.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    void boxesFreedOnWaylandWithRoomForTheTitle()
    {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Korvex"), QStringLiteral("Congratulation !"),
                        QMessageBox::Ok);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QSize fixed = box.size();
        QCOMPARE(box.maximumSize(), fixed);
        WindowSystem::freeSize(&box, false);
        QCOMPARE(box.maximumSize(), fixed);
        WindowSystem::freeSize(&box, true);
        QCOMPARE(box.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        const int room = WindowSystem::titleRoom(box.windowTitle());
        QVERIFY(room > QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()));
        QVERIFY(box.width() >= room);
        QVERIFY(box.minimumWidth() >= room);
        QCOMPARE(WindowSystem::titleRoom(QString()), 0);

        // The name query's layout would bring back the largest size at its next pass.
        QInputDialog query;
        query.setWindowTitle(QStringLiteral("Korvex"));
        query.show();
        QVERIFY(QTest::qWaitForWindowExposed(&query));
        QVERIFY(query.maximumHeight() < QWIDGETSIZE_MAX);
        WindowSystem::freeSize(&query, true);
        query.layout()->activate();
        QCOMPARE(query.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        QVERIFY(query.width() >= WindowSystem::titleRoom(query.windowTitle()));
    }

    void sizedByCompositorOnceAsked()
    {
        QWidget w;
        w.resize(200, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!WindowSystem::sizedByCompositor(&w));
        // Asked through the window, as a title bar asks: known before the widget hears of it.
        w.windowHandle()->setWindowStates(Qt::WindowMaximized);
        QVERIFY(WindowSystem::sizedByCompositor(&w));
        w.windowHandle()->setWindowStates(Qt::WindowNoState);
        QTRY_VERIFY(!WindowSystem::sizedByCompositor(&w));
        w.showFullScreen();
        QVERIFY(WindowSystem::sizedByCompositor(&w));
    }

    void offscreenIsNotWayland()
    {
        QVERIFY(!WindowSystem::isWayland());
    }
};

QTEST_MAIN(TestWindowSystem)
#include "tst_windowsystem.moc"
