// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/THemisphereButton.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

class HemisphereButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // hit ellipse and mouse
    void pressInCornerDoesNothing();
    void hitEllipseIsInsetByTheBevel();
    void clickInsideFires();
    void pressMoveOutReleaseDoesNothing();
    void moveBackInBeforeReleaseFires();
    void rightButtonDoesNothing();
    void clickFiresWhileDrawnPressed();
    void focusLossDuringClickKeepsItPressed();
    void disabledIgnoresTheMouse();
    void disabledLooksTheSame();

    // keyboard and accessibility
    void keysActivate_data();
    void keysActivate();
    void accessibleNameIsCaption();

    // face images
    void facesAreTransparentOutsideTheEllipse();
    void facesFollowDevicePixelRatio();
    void facesAreRebuiltOnChange();

private:
    void send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons);
    QWidget *m_window = nullptr;
    THemisphereButton *m_button = nullptr;
};

void HemisphereButtonTest::init()
{
    m_window = new QWidget;
    m_window->resize(200, 100);
    m_button = new THemisphereButton(QStringLiteral("Roll"), m_window);
    m_button->setGeometry(10, 10, 100, 41);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void HemisphereButtonTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
    m_button = nullptr;
}

void HemisphereButtonTest::send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(m_button->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(m_button, &e);
}

void HemisphereButtonTest::pressInCornerDoesNothing()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QSignalSpy pressed(m_button, &QAbstractButton::pressed);
    for (QPoint corner : {QPoint(1, 1), QPoint(98, 1), QPoint(1, 39), QPoint(98, 39)}) {
        QTest::mouseClick(m_button, Qt::LeftButton, {}, corner);
        QVERIFY(!m_button->isDown());
    }
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(pressed.count(), 0);
}

void HemisphereButtonTest::hitEllipseIsInsetByTheBevel()
{
    // 100 x 41: a = 50, b = 20.5, i = 2; the topmost hit row is y = 2.
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 1));
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 2));
    QCOMPARE(clicked.count(), 1);
    // Leftmost: x = 2 hits on the middle line, x = 1 does not.
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(1, 20));
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(3, 20));
    QCOMPARE(clicked.count(), 2);
}

void HemisphereButtonTest::clickInsideFires()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!m_button->isDown());
}

void HemisphereButtonTest::pressMoveOutReleaseDoesNothing()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    send(QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(m_button->isDown());
    send(QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::LeftButton);
    QVERIFY(!m_button->isDown());
    send(QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
    QVERIFY(!m_button->isDown());
    // Released outside, the press is over: a later move back in shows nothing.
    send(QEvent::MouseMove, QPoint(50, 20), Qt::NoButton, Qt::LeftButton);
    QVERIFY(!m_button->isDown());
}

void HemisphereButtonTest::moveBackInBeforeReleaseFires()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    send(QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(150, 60), Qt::NoButton, Qt::LeftButton);
    QVERIFY(!m_button->isDown());
    send(QEvent::MouseMove, QPoint(60, 25), Qt::NoButton, Qt::LeftButton);
    QVERIFY(m_button->isDown());
    send(QEvent::MouseButtonRelease, QPoint(60, 25), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!m_button->isDown());
}

void HemisphereButtonTest::rightButtonDoesNothing()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    QTest::mouseClick(m_button, Qt::RightButton, {}, QPoint(50, 20));
    QTest::mouseClick(m_button, Qt::MiddleButton, {}, QPoint(50, 20));
    QCOMPARE(clicked.count(), 0);
    send(QEvent::MouseButtonPress, QPoint(50, 20), Qt::RightButton, Qt::RightButton);
    QVERIFY(!m_button->isDown());
    // A left release without a left press is no click either.
    send(QEvent::MouseButtonRelease, QPoint(50, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
}

void HemisphereButtonTest::clickFiresWhileDrawnPressed()
{
    bool downInHandler = false;
    QImage seen;
    connect(m_button, &QAbstractButton::clicked, this, [&] {
        downInHandler = m_button->isDown();
        seen = m_button->grab().toImage();
    });
    const QImage raised = m_button->grab().toImage();
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 20));
    QVERIFY(downInHandler);
    QVERIFY(seen != raised);
    QCOMPARE(m_button->grab().toImage(), raised);
}

void HemisphereButtonTest::focusLossDuringClickKeepsItPressed()
{
    bool downAfterFocusLoss = false;
    connect(m_button, &QAbstractButton::clicked, this, [&] {
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(m_button, &out);
        downAfterFocusLoss = m_button->isDown();
    });
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 20));
    QVERIFY(downAfterFocusLoss);
    QVERIFY(!m_button->isDown());
}

void HemisphereButtonTest::disabledIgnoresTheMouse()
{
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    m_button->setEnabled(false);
    QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(50, 20));
    send(QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!m_button->isDown());
    send(QEvent::MouseButtonRelease, QPoint(50, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);

    // Disabled in the middle of a press: the release fires nothing.
    m_button->setEnabled(true);
    send(QEvent::MouseButtonPress, QPoint(50, 20), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(m_button->isDown());
    m_button->setEnabled(false);
    m_button->setEnabled(true);
    send(QEvent::MouseButtonRelease, QPoint(50, 20), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
}

void HemisphereButtonTest::disabledLooksTheSame()
{
    const QImage enabled = m_window->grab().toImage();
    m_button->setEnabled(false);
    const QImage disabled = m_window->grab().toImage();
    QCOMPARE(disabled, enabled);
}

void HemisphereButtonTest::keysActivate_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("ringShown");
    QTest::addColumn<int>("clicks");
    QTest::newRow("space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << false << 1;
    QTest::newRow("enter, ring shown") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true << 1;
    QTest::newRow("keypad enter, ring shown") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true << 1;
    // Focused by a click, Enter is the window's (the game's Done).
    QTest::newRow("enter, no ring") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << false << 0;
    QTest::newRow("ctrl+enter") << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << true << 0;
    QTest::newRow("a letter") << int(Qt::Key_A) << Qt::KeyboardModifiers() << true << 0;
}

void HemisphereButtonTest::keysActivate()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, ringShown);
    QFETCH(int, clicks);
    QCOMPARE(m_button->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    m_button->setFocus(Qt::TabFocusReason);
    m_window->setAttribute(Qt::WA_KeyboardFocusChange, ringShown);
    QSignalSpy clicked(m_button, &QAbstractButton::clicked);
    bool downInHandler = false;
    connect(m_button, &QAbstractButton::clicked, this, [&] { downInHandler = m_button->isDown(); });
    QTest::keyClick(m_button, Qt::Key(key), modifiers);
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(downInHandler, clicks > 0);
    QVERIFY(!m_button->isDown());
}

void HemisphereButtonTest::accessibleNameIsCaption()
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_button);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Roll"));
    QCOMPARE(iface->role(), QAccessible::Button);
    m_button->setText(QStringLiteral("Done"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Done"));

    // A caption too wide for the face is drawn cut, and stays whole in the
    // tooltip and the accessible name; a caption that fits has no tooltip.
    const QString longCaption = QStringLiteral("Weiterw\u00fcrfeln und Punkte sammeln");
    m_button->setText(longCaption);
    const QImage cut = m_button->grab().toImage();
    QCOMPARE(m_button->toolTip(), longCaption);
    QCOMPARE(iface->text(QAccessible::Name), longCaption);
    m_button->setText(QStringLiteral("Roll"));
    const QImage whole = m_button->grab().toImage();
    QVERIFY(m_button->toolTip().isEmpty());
    QVERIFY(cut != whole);
}

void HemisphereButtonTest::facesAreTransparentOutsideTheEllipse()
{
    const QImage raised = m_button->faceImage(false);
    const QImage pressed = m_button->faceImage(true);
    QVERIFY(raised != pressed);
    for (const QImage &img : {raised, pressed}) {
        const int w = img.width(), h = img.height();
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(w - 1, 0)), 0);
        QCOMPARE(qAlpha(img.pixel(0, h - 1)), 0);
        QCOMPARE(qAlpha(img.pixel(w - 1, h - 1)), 0);
        QCOMPARE(qAlpha(img.pixel(w / 2, h / 2)), 255);
    }
    // The window's background shows in the corners of the painted button.
    QPalette pal = m_window->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 255));
    m_window->setPalette(pal);
    const QImage shot = m_window->grab(m_button->geometry()).toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(0, 0, 255));
    QCOMPARE(shot.pixelColor(99, 40), QColor(0, 0, 255));
}

void HemisphereButtonTest::facesFollowDevicePixelRatio()
{
    const QImage one = m_button->faceImage(false);
    QCOMPARE(one.devicePixelRatio(), m_button->devicePixelRatioF());
    QCOMPARE(one.size(), (QSizeF(100, 41) * m_button->devicePixelRatioF()).toSize());

    QImage shot(QSize(200, 82), QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(2.0);
    shot.fill(Qt::transparent);
    m_button->render(&shot);
    QCOMPARE(m_button->faceImage(false, 2.0).devicePixelRatio(), 2.0);
    QCOMPARE(m_button->faceImage(false, 2.0).size(), QSize(200, 82));
    // Drawn at full resolution: the rim has pixels that a doubled
    // low-resolution picture could not have (neighbours differ inside 2x2).
    bool fine = false;
    for (int y = 0; y + 1 < shot.height() && !fine; y += 2)
        for (int x = 0; x + 1 < shot.width() && !fine; x += 2)
            fine = shot.pixel(x, y) != shot.pixel(x + 1, y);
    QVERIFY(fine);
}

void HemisphereButtonTest::facesAreRebuiltOnChange()
{
    const QImage before = m_button->faceImage(false);
    m_button->setText(QStringLiteral("Exit"));
    const QImage caption = m_button->faceImage(false);
    QVERIFY(caption != before);
    m_button->setFaceColor(QColor(133, 219, 108));
    const QImage colour = m_button->faceImage(false);
    QVERIFY(colour != caption);
    m_button->resize(120, 50);
    QCOMPARE(m_button->faceImage(false).size(), (QSizeF(120, 50) * m_button->devicePixelRatioF()).toSize());
    QFont f = m_button->font();
    f.setPixelSize(20);
    m_button->setFont(f);
    const QImage bigger = m_button->faceImage(false);
    m_button->resize(100, 41);
    QVERIFY(m_button->faceImage(false) != bigger);
}

QTEST_MAIN(HemisphereButtonTest)
#include "tst_hemispherebutton.moc"
