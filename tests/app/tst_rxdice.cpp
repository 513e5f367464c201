// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TRxDice.h"
#include "support/Contrast.h"

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

class RxDiceTest : public QObject
{
    Q_OBJECT

private slots:
    // face pictures
    void facesDifferAndHaveLogicalSize_data();
    void facesDifferAndHaveLogicalSize();
    void facesAreSharedAndTransparentAround();
    void paintsColourAroundTheFace();
    void paintsSharplyAtRatioTwo();
    void focusMarkLeavesTheColour();
    void topFaceReadsAtAGlance_data();
    void topFaceReadsAtAGlance();

    // value and state
    void tagProperty();
    void setValueEmitsOnlyOnChange();
    void setValueRepaintsOnlyItself();
    void colourFollowsState();
    void unknownStateKeepsTheColour();

    // mouse
    void clickEmitsClicked();
    void releaseOutsideIsNoClick();
    void otherButtonsAreNoClick();
    void doubleClickCountsOnce();

    // accessibility
    void accessibleNameTellsNumberFaceAndState();

private:
    static void send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons);
};

void RxDiceTest::send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void RxDiceTest::facesDifferAndHaveLogicalSize_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1") << qreal(1.0);
    QTest::newRow("2") << qreal(2.0);
}

void RxDiceTest::facesDifferAndHaveLogicalSize()
{
    QFETCH(qreal, dpr);
    QList<QImage> faces;
    for (int face = 1; face <= 6; ++face) {
        const QPixmap pm = TRxDice::facePixmap(face, dpr);
        QVERIFY(!pm.isNull());
        QCOMPARE(pm.devicePixelRatio(), dpr);
        QCOMPARE(pm.deviceIndependentSize(), QSizeF(64, 64));
        QCOMPARE(pm.size(), QSize(qRound(64 * dpr), qRound(64 * dpr)));
        faces.append(pm.toImage());
    }
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            QVERIFY2(faces[i] != faces[j], qPrintable(QStringLiteral("faces %1 and %2").arg(i + 1).arg(j + 1)));
    QVERIFY(TRxDice::facePixmap(0, dpr).isNull());
    QVERIFY(TRxDice::facePixmap(7, dpr).isNull());
}

void RxDiceTest::topFaceReadsAtAGlance_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1") << qreal(1.0);
    QTest::newRow("1.5") << qreal(1.5);
    QTest::newRow("2") << qreal(2.0);
}

// The pips of the top face, counted as separate dark blobs: as many as the
// face, each at least 7 logical pixels across, each standing out from the face.
void RxDiceTest::topFaceReadsAtAGlance()
{
    QFETCH(qreal, dpr);
    const QRectF top = TRxDice::topFaceRect();
    QVERIFY2(top.width() >= 40 && top.height() >= 40, "the top face is the larger part of the picture");
    // Inside the outline and its rounded corners.
    const QRect inner = QRectF(top.topLeft() * dpr, top.size() * dpr).toAlignedRect().adjusted(
        qCeil(3 * dpr), qCeil(3 * dpr), -qCeil(3 * dpr), -qCeil(3 * dpr));
    for (int face = 1; face <= 6; ++face) {
        const QImage img = TRxDice::facePixmap(face, dpr).toImage().convertToFormat(QImage::Format_ARGB32);
        const QColor ground = img.pixelColor(inner.center().x(), inner.top());
        QVector<bool> seen(img.width() * img.height(), false);
        const auto dark = [&](int x, int y) { return Contrast::ratio(img.pixelColor(x, y), ground) >= 3; };
        QList<int> sizes;
        double weakest = 21;
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                if (seen[y * img.width() + x] || !dark(x, y))
                    continue;
                int area = 0;
                QRect box(x, y, 1, 1);
                QList<QPoint> todo{QPoint(x, y)};
                seen[y * img.width() + x] = true;
                while (!todo.isEmpty()) {
                    const QPoint p = todo.takeLast();
                    ++area;
                    box |= QRect(p, QSize(1, 1));
                    for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                        const QPoint q = p + d;
                        if (inner.contains(q) && !seen[q.y() * img.width() + q.x()] && dark(q.x(), q.y())) {
                            seen[q.y() * img.width() + q.x()] = true;
                            todo << q;
                        }
                    }
                }
                sizes << qMin(box.width(), box.height());
                weakest = qMin(weakest, Contrast::ratio(img.pixelColor(box.center()), ground));
            }
        }
        QVERIFY2(sizes.size() == face,
                 qPrintable(QStringLiteral("face %1 shows %2 pips").arg(face).arg(sizes.size())));
        for (int size : std::as_const(sizes))
            QVERIFY2(size >= 7 * dpr, qPrintable(QStringLiteral("face %1: a pip %2 px across").arg(face).arg(size)));
        QVERIFY2(weakest >= Contrast::kMinimum, qPrintable(QStringLiteral("face %1: pips at %2:1").arg(face).arg(weakest)));
    }
}

void RxDiceTest::facesAreSharedAndTransparentAround()
{
    const QPixmap a = TRxDice::facePixmap(4, 1.0);
    const QPixmap b = TRxDice::facePixmap(4, 1.0);
    QCOMPARE(a.cacheKey(), b.cacheKey());
    const QImage img = a.toImage();
    // Corners are background (where the die's colour shows), the middle of
    // the top face is the die's body.
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(0, 63)), 0);
    QCOMPARE(qAlpha(img.pixel(63, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(63, 63)), 0);
    QCOMPARE(qAlpha(img.pixel(32, 21)), 255);
}

void RxDiceTest::paintsColourAroundTheFace()
{
    TRxDice die;
    die.setValue(5);
    die.setDieState(TRxDice::Kept);
    const QImage shot = die.grab().toImage();
    QCOMPARE(shot.size(), QSize(66, 66) * die.devicePixelRatioF());
    QCOMPARE(shot.pixelColor(0, 0), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(1, 1), QColor(255, 0, 0));
    QCOMPARE(shot.pixelColor(65, 65), QColor(255, 0, 0));
    // The face picture sits unscaled one pixel in from the edge.
    QImage face = TRxDice::facePixmap(5, 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage expected(64, 64, QImage::Format_ARGB32_Premultiplied);
    expected.fill(QColor(255, 0, 0));
    {
        QPainter p(&expected);
        p.drawImage(0, 0, face);
    }
    QCOMPARE(shot.copy(1, 1, 64, 64).convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
}

void RxDiceTest::paintsSharplyAtRatioTwo()
{
    TRxDice die;
    die.setValue(6);
    QImage shot(QSize(132, 132), QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(2.0);
    die.render(&shot);
    // A picture drawn at ratio 1 and doubled would repeat every pixel in 2x2
    // blocks; the sharp one does not.
    bool fine = false;
    for (int y = 2; y + 1 < 130 && !fine; y += 2)
        for (int x = 2; x + 1 < 130 && !fine; x += 2)
            fine = shot.pixel(x, y) != shot.pixel(x + 1, y) || shot.pixel(x, y) != shot.pixel(x, y + 1);
    QVERIFY(fine);
    QImage expected(128, 128, QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(2.0);
    expected.fill(die.color());
    {
        QPainter p(&expected);
        p.drawPixmap(0, 0, TRxDice::facePixmap(6, 2.0));
    }
    expected.setDevicePixelRatio(1.0);
    QImage inner = shot.copy(2, 2, 128, 128);
    inner.setDevicePixelRatio(1.0);
    QCOMPARE(inner, expected);
}

void RxDiceTest::focusMarkLeavesTheColour()
{
    QWidget window;
    auto *die = new TRxDice(&window);
    die->setGeometry(10, 10, 66, 66);
    die->setFocusPolicy(Qt::StrongFocus);
    die->setValue(3);
    die->setDieState(TRxDice::Selected);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const auto colourShown = [die] {
        const QImage shot = die->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                n += shot.pixelColor(x, y) == die->color();
        return n;
    };
    const int plain = colourShown();
    die->setFocus(Qt::TabFocusReason);
    window.setAttribute(Qt::WA_KeyboardFocusChange);
    QVERIFY(die->hasFocus());
    const QImage marked = die->grab().toImage();
    QCOMPARE(marked.pixelColor(0, 0), QColor(Qt::black));
    // The colour still shows, most of it, all round.
    QVERIFY2(colourShown() * 2 >= plain, qPrintable(QStringLiteral("%1 of %2").arg(colourShown()).arg(plain)));
    // Inward from the middle of each side, past the frame: the colour.
    for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
        QPoint at(step.x() < 0 ? 65 : step.x() > 0 ? 0 : 33, step.y() < 0 ? 65 : step.y() > 0 ? 0 : 33);
        bool seen = false;
        for (int k = 0; k < 8 && !seen; ++k, at += step)
            seen = marked.pixelColor(at) == die->color();
        QVERIFY2(seen, qPrintable(QStringLiteral("no colour inward from %1,%2").arg(at.x()).arg(at.y())));
    }
}

void RxDiceTest::tagProperty()
{
    TRxDice die;
    die.setProperty("Tag", 4);
    QCOMPARE(die.tag(), 4);
}

void RxDiceTest::setValueEmitsOnlyOnChange()
{
    TRxDice die;
    QSignalSpy changed(&die, &TRxDice::changed);
    die.setValue(1);
    QCOMPARE(changed.count(), 0);
    die.setValue(3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(die.value(), 3);
    die.setValue(3);
    QCOMPARE(changed.count(), 1);
    // Out of range: ignored.
    die.setValue(0);
    die.setValue(7);
    QCOMPARE(die.value(), 3);
    QCOMPARE(changed.count(), 1);
}

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void RxDiceTest::setValueRepaintsOnlyItself()
{
    QWidget window;
    window.resize(200, 100);
    auto *a = new TRxDice(&window);
    auto *b = new TRxDice(&window);
    b->move(70, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    PaintCounter onA, onB, onWindow;
    a->installEventFilter(&onA);
    b->installEventFilter(&onB);
    window.installEventFilter(&onWindow);
    a->setValue(2);
    QTRY_COMPARE(onA.paints, 1);
    QCoreApplication::processEvents();
    QCOMPARE(onB.paints, 0);
    QCOMPARE(onWindow.paints, 0);
    QVERIFY(a->testAttribute(Qt::WA_OpaquePaintEvent));
}

void RxDiceTest::colourFollowsState()
{
    TRxDice die;
    QPalette pal = die.palette();
    pal.setColor(QPalette::Button, QColor(10, 20, 30));
    pal.setColor(QPalette::Highlight, QColor(40, 50, 60));
    die.setPalette(pal);
    QCOMPARE(die.color(), QColor(10, 20, 30));
    die.setDieState(TRxDice::Selected);
    QCOMPARE(die.dieState(), 1);
    QCOMPARE(die.color(), QColor(40, 50, 60));
    QCOMPARE(die.grab().toImage().pixelColor(0, 0), QColor(40, 50, 60));
    die.setDieState(TRxDice::Kept);
    QCOMPARE(die.dieState(), 2);
    QCOMPARE(die.color(), QColor(255, 0, 0));
    die.setDieState(TRxDice::Free);
    QCOMPARE(die.color(), QColor(10, 20, 30));
    QCOMPARE(die.grab().toImage().pixelColor(0, 0), QColor(10, 20, 30));
}

void RxDiceTest::unknownStateKeepsTheColour()
{
    TRxDice die;
    die.setDieState(TRxDice::Kept);
    die.setDieState(-1);
    die.setDieState(3);
    QCOMPARE(die.dieState(), 2);
    QCOMPARE(die.color(), QColor(255, 0, 0));
}

void RxDiceTest::clickEmitsClicked()
{
    TRxDice die;
    die.show();
    QVERIFY(QTest::qWaitForWindowExposed(&die));
    QSignalSpy clicked(&die, &TRxDice::clicked);
    QTest::mouseClick(&die, Qt::LeftButton, {}, QPoint(33, 33));
    QCOMPARE(clicked.count(), 1);
    // The edge still belongs to the die.
    QTest::mouseClick(&die, Qt::LeftButton, {}, QPoint(0, 0));
    QCOMPARE(clicked.count(), 2);
}

void RxDiceTest::releaseOutsideIsNoClick()
{
    TRxDice die;
    QSignalSpy clicked(&die, &TRxDice::clicked);
    send(&die, QEvent::MouseButtonPress, QPoint(33, 33), Qt::LeftButton, Qt::LeftButton);
    send(&die, QEvent::MouseButtonRelease, QPoint(80, 33), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
    // A release without a press is no click either.
    send(&die, QEvent::MouseButtonRelease, QPoint(33, 33), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
}

void RxDiceTest::otherButtonsAreNoClick()
{
    TRxDice die;
    QSignalSpy clicked(&die, &TRxDice::clicked);
    send(&die, QEvent::MouseButtonPress, QPoint(33, 33), Qt::RightButton, Qt::RightButton);
    send(&die, QEvent::MouseButtonRelease, QPoint(33, 33), Qt::RightButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 0);
}

void RxDiceTest::doubleClickCountsOnce()
{
    TRxDice die;
    QSignalSpy clicked(&die, &TRxDice::clicked);
    QSignalSpy doubled(&die, &TRxDice::doubleClicked);
    const QPoint at(33, 33);
    send(&die, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(&die, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    send(&die, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    send(&die, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(doubled.count(), 1);
}

void RxDiceTest::accessibleNameTellsNumberFaceAndState()
{
    TRxDice die;
    die.setTag(3);
    QCOMPARE(die.accessibleName(), QStringLiteral("Die 3: 1, free"));

    die.setValue(5);
    QCOMPARE(die.accessibleName(), QStringLiteral("Die 3: 5, free"));
    die.setDieState(TRxDice::Selected);
    QCOMPARE(die.accessibleName(), QStringLiteral("Die 3: 5, selected"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&die);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Die 3: 5, selected"));
    die.setDieState(TRxDice::Kept);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Die 3: 5, kept"));
    die.setTag(6);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Die 6: 5, kept"));
}

QTEST_MAIN(RxDiceTest)
#include "tst_rxdice.moc"
