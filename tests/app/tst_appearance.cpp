// SPDX-License-Identifier: GPL-3.0-or-later
// Every text of the four windows: readable against what lies behind it under
// a light, a dark and a high-contrast desktop palette, and whole in the room
// its control gives it.
#include "app/AdvisorWindow.h"
#include "app/ChallengeKeeper.h"
#include "app/StatisticsWindow.h"
#include "app/ReviewWindow.h"
#include "app/PracticeWindow.h"
#include "support/WindowRig.h"
#include "widgets/Appearance.h"
#include "base/ProgramDir.h"
#include "base/UiTexts.h"
#include "widgets/TEffectLabel.h"
#include "game/Scoring.h"
#include "dialogs/TfrmTopten.h"
#include "dialogs/TfrmSetup.h"
#include "support/Contrast.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

// One text as drawn: its colour and every colour that lies behind some of it.
struct TextSpot
{
    QString what;
    QColor colour;
    QList<QColor> behind;
};

QString nameOf(const QWidget *w)
{
    const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                    : w->objectName();
    const QWidget *top = w->window();
    return top == w ? name : top->objectName() + QLatin1Char('/') + name;
}

// What a widget without a background of its own stands on.
QColor backgroundOf(const QWidget *w)
{
    for (const QWidget *x = w; x; x = x->parentWidget())
        if (x->autoFillBackground() || x->isWindow())
            return x->palette().color(x->backgroundRole());
    return QColor();
}

QRect labelTextRect(const QLabel *l)
{
    const QFontMetrics fm(l->font());
    const QSize size(fm.horizontalAdvance(l->text()), fm.height());
    return QStyle::alignedRect(l->layoutDirection(), QStyle::visualAlignment(l->layoutDirection(), l->alignment()),
                               size, l->contentsRect());
}

// Pictures on sibling labels below the text (the top ten's row marks).
void addPicturesBehind(const QLabel *l, const QColor &ground, QList<QColor> &behind)
{
    const QWidget *parent = l->parentWidget();
    if (!parent)
        return;
    const QRect text = labelTextRect(l).translated(l->pos());
    for (const QLabel *sibling : parent->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (sibling == l || sibling->pixmap().isNull() || !sibling->isVisibleTo(l->window()))
            continue;
        const QRect overlap = text & sibling->geometry();
        if (overlap.isEmpty())
            continue;
        QImage img(sibling->size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(ground);
        {
            QPainter p(&img);
            p.drawPixmap(0, 0, sibling->pixmap());
        }
        const QRect local = overlap.translated(-sibling->pos());
        for (int y = local.top(); y <= local.bottom(); ++y)
            for (int x = local.left(); x <= local.right(); ++x)
                behind << img.pixelColor(x, y);
    }
}

// The face of a round button wherever its caption leaves ink, raised and pressed.
QList<QColor> faceBehindCaption(const THemisphereButton *b)
{
    THemisphereButton bare;
    bare.resize(b->size());
    bare.setFaceColor(b->faceColor());
    bare.setFaceShaded(b->faceShaded());
    bare.setBevelOuter(b->bevelOuter());
    bare.setBevelInner(b->bevelInner());
    bare.setBevelWidth(b->bevelWidth());
    QList<QColor> colours;
    for (bool pressed : {false, true}) {
        const QImage face = bare.faceImage(pressed, 1.0);
        const QImage captioned = b->faceImage(pressed, 1.0);
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                if (face.pixel(x, y) != captioned.pixel(x, y))
                    colours << face.pixelColor(x, y);
    }
    return colours;
}

bool hasText(const QWidget *w)
{
    for (const char *property : {"text", "title", "plainText"}) {
        const QVariant v = w->property(property);
        if (v.isValid() && !v.toString().isEmpty())
            return true;
    }
    return false;
}

// Every visible text of a window, each with its colours as drawn.
QList<TextSpot> textsOf(QWidget *window, QStringList &unclassified)
{
    QList<TextSpot> spots;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : std::as_const(widgets)) {
        if (!w->isVisibleTo(window) && w != window)
            continue;
        const QPalette pal = w->palette();
        const QString name = nameOf(w);
        if (auto *e = qobject_cast<TEffectLabel *>(w)) {
            if (e->text().isEmpty())
                continue;
            QList<QColor> behind{backgroundOf(e)};
            if (e->lightDepth() > 0)
                behind << e->lightColor();
            if (e->shadowDepth() > 0)
                behind << e->shadowColor();
            spots << TextSpot{name, pal.color(QPalette::WindowText), behind};
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->text().isEmpty())
                continue;
            QList<QColor> behind{backgroundOf(l)};
            addPicturesBehind(l, behind.first(), behind);
            spots << TextSpot{name, pal.color(QPalette::WindowText), behind};
        } else if (auto *b = qobject_cast<THemisphereButton *>(w)) {
            spots << TextSpot{name, b->textColor(), faceBehindCaption(b)};
        } else if (qobject_cast<QRadioButton *>(w) || qobject_cast<QCheckBox *>(w) || qobject_cast<QGroupBox *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::WindowText), {backgroundOf(w)}};
        } else if (qobject_cast<QPushButton *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::ButtonText), {pal.color(QPalette::Button)}};
        } else if (qobject_cast<QLineEdit *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::Text), {pal.color(QPalette::Base)}};
            spots << TextSpot{name + QStringLiteral(" (selected)"), pal.color(QPalette::HighlightedText),
                              {pal.color(QPalette::Highlight)}};
        } else if (qobject_cast<QTabBar *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::WindowText),
                              {pal.color(QPalette::Window), pal.color(QPalette::Button)}};
        } else if (qobject_cast<QMenuBar *>(w) || qobject_cast<QMenu *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::WindowText), {pal.color(QPalette::Window)}};
            spots << TextSpot{name + QStringLiteral(" (button text)"), pal.color(QPalette::ButtonText),
                              {pal.color(QPalette::Button)}};
            spots << TextSpot{name + QStringLiteral(" (chosen)"), pal.color(QPalette::HighlightedText),
                              {pal.color(QPalette::Highlight)}};
        } else if (qobject_cast<ReviewChart *>(w)) {
            // The chart draws its legend, scale, line and marks' outlines in the text colour on the base.
            spots << TextSpot{name, pal.color(QPalette::Text), {pal.color(QPalette::Base)}};
        } else if (auto *list = qobject_cast<QListWidget *>(w)) {
            spots << TextSpot{name + QStringLiteral(" (selected)"), pal.color(QPalette::HighlightedText),
                              {pal.color(QPalette::Highlight)}};
            for (int i = 0; i < list->count(); ++i) {
                const QListWidgetItem *item = list->item(i);
                const QBrush fg = item->foreground(), bg = item->background();
                spots << TextSpot{name + QStringLiteral(" item %1").arg(i),
                                  fg.style() == Qt::NoBrush ? pal.color(QPalette::Text) : fg.color(),
                                  {bg.style() == Qt::NoBrush ? pal.color(QPalette::Base) : bg.color()}};
            }
        } else if (auto *edit = qobject_cast<QTextEdit *>(w)) {
            // Every run of the document in its own colours.
            const QColor base = edit->viewport()->palette().color(edit->viewport()->backgroundRole());
            for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextFragment f = it.fragment();
                    if (f.text().trimmed().isEmpty())
                        continue;
                    const QTextCharFormat fmt = f.charFormat();
                    const QColor fg = fmt.hasProperty(QTextFormat::ForegroundBrush) ? fmt.foreground().color()
                                                                                     : pal.color(QPalette::Text);
                    const QColor bg = fmt.hasProperty(QTextFormat::BackgroundBrush) ? fmt.background().color()
                        : block.blockFormat().hasProperty(QTextFormat::BackgroundBrush)
                        ? block.blockFormat().background().color()
                        : base;
                    spots << TextSpot{name + QStringLiteral(": \"%1\"").arg(f.text().left(24)), fg, {bg}};
                }
            }
        } else if (qobject_cast<QAbstractItemView *>(w) || qobject_cast<RoundsChart *>(w)
                   || qobject_cast<TrendChart *>(w)) {
            // Tables and the charts' axes, marks and notes: text on the base colour.
            spots << TextSpot{name, pal.color(QPalette::Text), {pal.color(QPalette::Base)}};
            spots << TextSpot{name + QStringLiteral(" (selected)"), pal.color(QPalette::HighlightedText),
                              {pal.color(QPalette::Highlight)}};
        } else if (qobject_cast<QSpinBox *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::Text), {pal.color(QPalette::Base)}};
        } else if (qobject_cast<QProgressBar *>(w)) {
            spots << TextSpot{name, pal.color(QPalette::Text), {pal.color(QPalette::Base)}};
            spots << TextSpot{name + QStringLiteral(" (done part)"), pal.color(QPalette::HighlightedText),
                              {pal.color(QPalette::Highlight)}};
        } else if (hasText(w) && w != window) {
            unclassified << name;
        }
    }
    return spots;
}

// One text in the room its control gives it.
struct Room
{
    QString what;
    QString text;
    QFont font;
    int room;
};

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Whether a round button's caption lies inside its face, within the bevel.
bool captionInsideFace(const THemisphereButton *b, QString &why)
{
    const QFontMetrics fm(b->font());
    const QString text = b->text();
    const QSize t = fm.size(Qt::TextSingleLine, text);
    const QPoint at(qRound((b->width() - t.width() - 2) / 2.0), qRound((b->height() - t.height() - 2) / 2.0));
    const QRectF ink = QRectF(fm.tightBoundingRect(text)).translated(at + QPoint(0, fm.ascent()));
    const double a = b->width() / 2.0, bb = b->height() / 2.0, i = b->bevelInset();
    const auto inside = [&](QPointF p) {
        const double u = (p.x() - a) / (a - i), v = (p.y() - bb) / (bb - i);
        return u * u + v * v <= 1.0;
    };
    const QPointF mids[4] = {{ink.left(), ink.center().y()}, {ink.right(), ink.center().y()},
                             {ink.center().x(), ink.top()}, {ink.center().x(), ink.bottom()}};
    for (QPointF m : mids) {
        if (!inside(m)) {
            why = QStringLiteral("ink %1,%2 %3x%4 leaves the face").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height());
            return false;
        }
    }
    return true;
}

// Every text of a window with the room it has; round buttons are checked
// against their face at once (badCaptions).
QList<Room> roomsOf(QWidget *window, QStringList &badCaptions)
{
    QList<Room> rooms;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *w : std::as_const(widgets)) {
        if (!w->isVisibleTo(window))
            continue;
        const QString name = nameOf(w);
        QStyle *style = w->style();
        if (auto *e = qobject_cast<TEffectLabel *>(w)) {
            rooms << Room{name, e->text(), e->font(), e->textRoom()};
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (!l->text().isEmpty() && !l->wordWrap())
                rooms << Room{name, plain(l->text()), l->font(), l->contentsRect().width() - 2 * l->margin()};
        } else if (auto *b = qobject_cast<THemisphereButton *>(w)) {
            QString why;
            if (!captionInsideFace(b, why))
                badCaptions << name + QStringLiteral(" \"") + b->text() + QStringLiteral("\": ") + why;
            else if (b->captionCut())
                badCaptions << name + QStringLiteral(" \"") + b->text() + QStringLiteral("\": cut with an ellipsis");
        } else if (qobject_cast<QRadioButton *>(w) || qobject_cast<QCheckBox *>(w)) {
            auto *button = static_cast<QAbstractButton *>(w);
            const QString whole = button->toolTip().isEmpty() ? button->text() : button->toolTip();
            rooms << Room{name, plain(whole), button->font(), Appearance::buttonTextRoom(button)};
        } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
            rooms << Room{name, g->title(), g->font(), Appearance::groupCaptionRoom(g)};
        } else if (auto *pb = qobject_cast<QPushButton *>(w)) {
            const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, pb)
                + style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pb);
            rooms << Room{name, plain(pb->text()), pb->font(), pb->width() - 2 * margin};
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            const int pad = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
            for (int i = 0; i < tabs->count(); ++i)
                rooms << Room{name + QStringLiteral(" tab %1").arg(i), plain(tabs->tabText(i)), tabs->font(),
                              tabs->tabRect(i).width() - pad};
        } else if (auto *bar = qobject_cast<QMenuBar *>(w)) {
            for (QAction *a : bar->actions()) {
                if (a->isSeparator() || !a->isVisible())
                    continue;
                const QRect r = bar->actionGeometry(a);
                // Off the bar's end, a title would hide behind the overflow button.
                const int room = r.right() < bar->width() ? r.width() : 0;
                rooms << Room{name + QStringLiteral(" ") + plain(a->text()), plain(a->text()), bar->font(), room};
            }
        } else if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            const QLineEdit *field = spin->findChild<QLineEdit *>();
            for (int value : {spin->minimum(), spin->maximum()})
                rooms << Room{name, spin->locale().toString(value), spin->font(), field->width() - 4};
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            const int room = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo).width();
            for (int i = 0; i < combo->count(); ++i)
                rooms << Room{name + QStringLiteral(" item %1").arg(i), combo->itemText(i), combo->font(), room};
        } else if (auto *list = qobject_cast<QListWidget *>(w)) {
            // A list that wraps its lines cuts only a word longer than a line.
            for (int i = 0; i < list->count(); ++i)
                for (const QString &text : list->wordWrap() ? list->item(i)->text().split(QLatin1Char(' '))
                                                            : QStringList{list->item(i)->text()})
                    rooms << Room{name + QStringLiteral(" item %1").arg(i), text, list->font(), list->viewport()->width() - 8};
        }
    }
    return rooms;
}

// The colour most pixels of a part of an image have.
QColor dominant(const QImage &img, const QRect &part)
{
    QHash<QRgb, int> seen;
    QRgb best = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            if (++seen[img.pixel(x, y)] > seen.value(best))
                best = img.pixel(x, y);
    return QColor::fromRgb(best);
}

// The looks the windows are tried under: a palette, or a style with its own.
void addLooks()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("light") << QString() << QApplication::style()->standardPalette();
    QTest::newRow("dark") << QString() << TestPalettes::dark();
    QTest::newRow("high contrast") << QString() << TestPalettes::highContrast();
    QTest::newRow("Adwaita-Dark") << QStringLiteral("Adwaita-Dark") << QPalette();
}

// Puts a look in force; false when its style is not installed here.
bool useLook(const QString &style, const QPalette &palette)
{
    QStyle *s = style.isEmpty() ? nullptr : QStyleFactory::create(style);
    if (s)
        QApplication::setStyle(s);
    QApplication::setPalette(s ? s->standardPalette() : palette);
    return s || style.isEmpty();
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

    ProgramFolder m_folder;
    ManualTimerService m_timers;
    FakePrompts m_prompts;

    QString m_style; // the one the tests started with

    // The four windows, staged mid-round with both choice lists offered.
    struct Windows
    {
        std::unique_ptr<TfrmMain> main;
        TfrmTopten *topten = nullptr;
        TfrmSetup *setup = nullptr;
        AdvisorWindow *advisor = nullptr;
        StatisticsWindow *statistics = nullptr;
        ReviewWindow *review = nullptr;
        QList<QWidget *> all() const { return {main.get(), topten, setup, advisor, statistics}; }
    };


    // The statistics read, nothing else let in meanwhile (no solve lands).
    static void awaitStatistics(Windows &win)
    {
        while (win.statistics->reading())
            QCoreApplication::sendPostedEvents(win.statistics, QEvent::MetaCall);
    }

    // Continue on the cover that a window opened to read put up.
    static void playOn(Windows &win)
    {
        if (win.main->surface().btCont()->isVisible())
            win.main->surface().btCont()->click();
    }

    // A challenge begun and its first round banked: the code and the race line shown.
    void playChallengeRound(TfrmMain &w)
    {
        w.challenges().play(ChallengeCode::parse(QStringLiteral("2222-2222")));
        QTRY_VERIFY_WITH_TIMEOUT(w.challenges().bestRun() != nullptr, 60000);
        rig::roll(w, m_timers); // 6 1 6 1 3 5
        rig::clickDie(w, 2);
        w.surface().btDone()->click();
    }

    void open(Windows &win)
    {
        win.main = std::make_unique<TfrmMain>(m_prompts, m_timers, QStringList{QStringLiteral("/CHEAT")});
        win.topten = &win.main->topten();
        win.setup = &win.main->setup();
        win.main->show();
        rig::stage(*win.main, m_timers, 0);
        win.main->surface().cheat(4)->click(); // 1, 1, 1, 5, 5, 5
        for (int n = 1; n <= 6; ++n)
            emit win.main->surface().dice(n)->clicked();
        QVERIFY(win.main->surface().rg10()->isVisible() && win.main->surface().rg5()->isVisible());
        action(*win.main, "aAdvisor")->trigger();
        win.advisor = win.main->sideWindows().advisor();
        QVERIFY(win.advisor && win.advisor->waitForSolution(60000)); // its plays listed
        action(*win.main, "aStatistics")->trigger();
        win.statistics = win.main->sideWindows().statistics();
        QVERIFY(win.statistics);
        awaitStatistics(win);
        playOn(win); // the statistics paused the game
        win.setup->Fill();
        win.setup->show();
        win.topten->show();
        QCoreApplication::processEvents();
        QVERIFY(win.advisor->lvActions()->count() > 0);
    }

private slots:
    void initTestCase() { m_style = QApplication::style()->name(); }
    void init()
    {
        QVERIFY(m_folder.make());
        QFile::copy(QDir(qEnvironmentVariable("KORVEX_SOURCE_DIR")).filePath(QStringLiteral("resources/KVXRules.rtf")),
                    ProgramDir::file(QStringLiteral("KVXRules.rtf")));
        m_prompts = FakePrompts();
    }
    void cleanup()
    {
        if (QApplication::style()->name() != m_style)
            QApplication::setStyle(m_style);
        QApplication::setPalette(QApplication::style()->standardPalette());
        m_folder.remove();
    }

    void contrastOfEveryText_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("changedLater");
        const QPalette light = QApplication::style()->standardPalette();
        QTest::newRow("light") << light << false;
        QTest::newRow("dark") << TestPalettes::dark() << false;
        QTest::newRow("high contrast") << TestPalettes::highContrast() << false;
        QTest::newRow("dark, chosen while running") << TestPalettes::dark() << true;
    }
    void contrastOfEveryText()
    {
        QFETCH(QPalette, palette);
        QFETCH(bool, changedLater);
        if (!changedLater)
            QApplication::setPalette(palette);
        Windows win;
        open(win);
        action(*win.main, "aReview")->trigger();
        win.review = win.main->sideWindows().review();
        QVERIFY(win.review && win.main->solver().waitFor({1000, false}, 60000));
        QCoreApplication::processEvents();
        // The practice window with a verdict shown.
        action(*win.main, "aPractice")->trigger();
        playOn(win);
        PracticeWindow *practice = win.main->sideWindows().practice();
        QVERIFY(practice);
        practice->setSource(PracticeSource::BuiltIn);
        QTRY_VERIFY_WITH_TIMEOUT(practice->hasPosition(), 60000);
        for (int n = 1; n <= 6 && !practice->answered(); ++n) {
            practice->toggleDie(n);
            if (practice->die(n)->dieState() == TRxDice::Selected)
                practice->answer(false);
        }
        QVERIFY(practice->answered());
        if (changedLater) {
            QApplication::setPalette(palette);
            QCoreApplication::processEvents();
        }
        // The playing surface keeps its own colours; the menus follow the desktop.
        QCOMPARE(win.main->surface().palette().color(QPalette::Window),
                 Appearance::surfacePalette().color(QPalette::Window));
        QCOMPARE(win.main->menuBar()->palette().color(QPalette::Window), palette.color(QPalette::Window));
        QCOMPARE(win.advisor->palette().color(QPalette::Base), palette.color(QPalette::Base));
        double lowest = 21;
        QString lowestAt;
        QStringList failures, unclassified;
        int count = 0;
        const auto walk = [&](QWidget *window) {
            for (const TextSpot &spot : textsOf(window, unclassified)) {
                ++count;
                for (const QColor &bg : spot.behind) {
                    QVERIFY2(bg.isValid(), qPrintable(spot.what));
                    const double r = Contrast::ratio(spot.colour, bg);
                    if (r < lowest) {
                        lowest = r;
                        lowestAt = spot.what;
                    }
                    if (r < Contrast::kMinimum) {
                        failures << QStringLiteral("%1: %2 on %3 is %4:1")
                                        .arg(spot.what, spot.colour.name(), bg.name())
                                        .arg(r, 0, 'f', 2);
                        break;
                    }
                }
            }
        };
        // The review's sentences wrap in its list, so it joins this walk only.
        for (QWidget *window : win.all() + QList<QWidget *>{win.review, practice})
            walk(window);
        // A challenge's own: its code beside the game type, the best play's
        // race line after a round, the challenge table and New Challenge.
        ChallengeKeeper &keeper = win.main->challenges();
        playChallengeRound(*win.main);
        const QStringList challengeLabels{QStringLiteral("lChallenge"), QStringLiteral("lRace")};
        for (const QString &name : challengeLabels) {
            auto *label = win.main->findChild<QLabel *>(name);
            QVERIFY2(label && label->isVisibleTo(win.main.get()) && !label->text().isEmpty(), qPrintable(name));
        }
        keeper.tableAction()->trigger();
        QVERIFY(keeper.tableWindow());
        m_prompts.onModal = [&](QDialog &d) {
            walk(&d);
            return int(QDialog::Rejected);
        };
        keeper.newAction()->trigger();
        const int before = count;
        for (QWidget *window : {static_cast<QWidget *>(win.main.get()), static_cast<QWidget *>(keeper.tableWindow())})
            walk(window);
        QVERIFY2(count > before + 4, "the walk missed the challenge's texts");
        keeper.tableWindow()->close();
        qInfo("%d texts; lowest contrast %.2f:1 (%s)", count, lowest, qPrintable(lowestAt));
        QVERIFY2(unclassified.isEmpty(), qPrintable(QStringLiteral("texts not checked: ") + unclassified.join(", ")));
        QVERIFY2(count > 80, "the walk missed the windows' texts");
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }

    // A text from the language editor too long for its control: cut with an
    // ellipsis, whole in the tooltip and the accessible name; a shorter one
    // afterwards takes both back.
    void overlongTextIsCutAndShownWhole()
    {
        const QString whole = QStringLiteral("Eine sehr lange Bewertung, die nicht passt");
        QRadioButton radio;
        radio.setGeometry(0, 0, 100, 17);
        Appearance::setFittedText(&radio, whole);
        QVERIFY(radio.text().endsWith(QChar(0x2026)));
        QVERIFY(radio.fontMetrics().horizontalAdvance(radio.text()) <= Appearance::buttonTextRoom(&radio));
        QCOMPARE(radio.toolTip(), whole);
        QCOMPARE(radio.accessibleName(), whole);
        Appearance::setFittedText(&radio, QStringLiteral("3 * 5"));
        QCOMPARE(radio.text(), QStringLiteral("3 * 5"));
        QVERIFY(radio.toolTip().isEmpty());
        QVERIFY(radio.accessibleName().isEmpty());

        TEffectLabel label;
        label.setGeometry(0, 0, 127, 22);
        label.setText(whole);
        label.grab();
        QCOMPARE(label.toolTip(), whole);
        QCOMPARE(label.text(), whole); // the language editor reads it back whole
        label.setText(QStringLiteral("Total:"));
        label.grab();
        QVERIFY(label.toolTip().isEmpty());

        // A choice list's caption in the main window.
        Windows win;
        open(win);
        GameTexts texts = win.main->presenter().gameTexts();
        texts.s10 = whole;
        win.main->presenter().applyTexts(texts);
        win.main->surface().btRoll()->click();
        QVERIFY(m_timers.runUntil([&win] { return win.main->game().rollingDice() == 0; }));
        win.main->surface().cheat(1)->click(); // six ones
        for (int n = 1; n <= 6; ++n)
            emit win.main->surface().dice(n)->clicked();
        QVERIFY(win.main->surface().rg10()->isVisible());
        QCOMPARE(win.main->surface().rg10()->toolTip(), whole);
    }

    // The texts of every language shipped, English first; a translation is a
    // language file under resources/lang.
    void everyTextIsWhole_data()
    {
        QTest::addColumn<QString>("languageFile");
        QTest::addColumn<QString>("style");
        QTest::newRow("English") << QString() << QString();
        const QDir lang(QDir(qEnvironmentVariable("KORVEX_SOURCE_DIR")).filePath(QStringLiteral("resources/lang")));
        for (const QFileInfo &f : lang.entryInfoList({QStringLiteral("*.lng")}, QDir::Files))
            QTest::newRow(qPrintable(f.baseName())) << f.filePath() << QString();
        // A desktop style whose marks and margins take more room.
        QTest::newRow("English, Adwaita-Dark") << QString() << QStringLiteral("Adwaita-Dark");
        for (const char *code : {"hu", "pl"})
            QTest::newRow(qPrintable(QStringLiteral("%1, Adwaita-Dark").arg(QLatin1String(code))))
                    << lang.filePath(QLatin1String(code) + QStringLiteral(".lng")) << QStringLiteral("Adwaita-Dark");
    }
    void everyTextIsWhole()
    {
        QFETCH(QString, languageFile);
        QFETCH(QString, style);
        if (!useLook(style, QApplication::palette()))
            QSKIP("this style is not installed here (adwaita-qt6)");
        // The language is switched while the windows are open, as a player does.
        Windows win;
        open(win);
        if (!languageFile.isEmpty()) {
            QVERIFY(QFile::copy(languageFile, ProgramDir::file(QStringLiteral("Korvex.lng"))));
            win.main->loadLanguage();
            action(*win.main, "aStatistics")->trigger();
            awaitStatistics(win);
            playOn(win);
            QCoreApplication::processEvents();
        }
        QStringList cut, badCaptions;
        QList<Room> rooms;
        for (QWidget *window : win.all())
            rooms << roomsOf(window, badCaptions);
        // Texts a control shows at other times than the staged one.
        TfrmMain &w = *win.main;
        // A challenge: its code beside the game type, which keeps its own
        // text whole; the race line in its room; the table and New Challenge.
        ChallengeKeeper &keeper = w.challenges();
        playChallengeRound(w);
        rooms << roomsOf(&w, badCaptions);
        keeper.tableAction()->trigger();
        rooms << roomsOf(keeper.tableWindow(), badCaptions);
        m_prompts.onModal = [&](QDialog &d) {
            d.show();
            rooms << roomsOf(&d, badCaptions);
            return int(QDialog::Rejected);
        };
        keeper.newAction()->trigger();
        keeper.tableWindow()->close();
        auto *race = w.findChild<QLabel *>(QStringLiteral("lRace"));
        QVERIFY(race && race->isVisibleTo(&w));
        for (const QString &text : {uiText("chalRaceAfter").arg(QLocale().toString(9995), QStringLiteral("99")),
                                    uiText("chalRaceWon").arg(QStringLiteral("99")), uiText("chalRaceWorking")}) {
            const QRect need = race->fontMetrics().boundingRect(race->contentsRect(), Qt::TextWordWrap, text);
            if (need.height() > race->contentsRect().height() || need.width() > race->contentsRect().width())
                cut << QStringLiteral("lRace \"%1\": %2x%3 px in %4x%5")
                               .arg(text, QString::number(need.width()), QString::number(need.height()),
                                    QString::number(race->contentsRect().width()),
                                    QString::number(race->contentsRect().height()));
        }
        for (int face : {1, 5}) {
            QGroupBox *box = face == 1 ? w.surface().rg10() : w.surface().rg5();
            auto *item = box->findChild<QRadioButton *>();
            QVERIFY(item);
            for (int count = 3; count <= 6; ++count)
                for (const ChoiceEntry &entry : choiceEntries(face, count))
                    rooms << Room{nameOf(item), entry.text, item->font(), Appearance::buttonTextRoom(item)};
        }
        // The score display's texts, fitted as the window fits them.
        for (const QString &text : {QStringLiteral("Not done yet..."), QStringLiteral("-10000"), QStringLiteral("28333")}) {
            QFont f = w.surface().eValue()->font();
            QLabel probe;
            probe.setFont(f);
            Appearance::condenseToFit(&probe, text, w.surface().eValue()->contentsRect().width());
            QVERIFY(probe.font().stretch() == QFont::Unstretched || probe.font().stretch() >= 80);
            QCOMPARE(probe.font().pixelSize(), 16);
            rooms << Room{nameOf(w.surface().eValue()), text, probe.font(), w.surface().eValue()->contentsRect().width()};
        }
        for (QLabel *e : {w.surface().eSubScore(), w.surface().eScore()})
            rooms << Room{nameOf(e), QLocale().toString(-10000), e->font(), e->contentsRect().width()};
        rooms << Room{nameOf(w.surface().eRnd()), QLocale().toString(9999), w.surface().eRnd()->font(), w.surface().eRnd()->contentsRect().width()};
        for (const QString &text : {QStringLiteral("00:00:00"), QStringLiteral("99999")})
            rooms << Room{QStringLiteral("frmTopten/ls"), text, win.topten->findChild<QLabel *>(QStringLiteral("ls4"))->font(),
                          win.topten->findChild<QLabel *>(QStringLiteral("ls4"))->contentsRect().width()};
        for (const QString &text : {QStringLiteral("2026.12.31 - 23:59:59"), QStringLiteral("99999 - 2026.12.31")})
            rooms << Room{QStringLiteral("frmTopten/lda"), text, win.topten->findChild<QLabel *>(QStringLiteral("lda4"))->font(),
                          win.topten->findChild<QLabel *>(QStringLiteral("lda4"))->contentsRect().width()};
        for (QMenu *menu : w.menuBar()->findChildren<QMenu *>()) {
            for (QAction *a : menu->actions())
                if (!a->isSeparator())
                    rooms << Room{nameOf(menu) + QLatin1Char(' ') + plain(a->text()), plain(a->text()), menu->font(),
                                  menu->actionGeometry(a).width()};
        }
        for (const Room &r : std::as_const(rooms)) {
            const int width = QFontMetrics(r.font).horizontalAdvance(r.text);
            if (width > r.room)
                cut << QStringLiteral("%1 \"%2\": %3 px in %4").arg(r.what, r.text).arg(width).arg(r.room);
        }
        QVERIFY2(rooms.size() > 100, "the walk missed the windows' texts");
        QVERIFY2(badCaptions.isEmpty(), qPrintable(badCaptions.join(QLatin1Char('\n'))));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // Under every look, on the light surfaces: buttons and check marks in the
    // surfaces' colours; a choice list of five valuations at the normal
    // height framed from its caption to under its last entry, inside the
    // window; the top ten's badges of one colour along each line, no figure
    // or seam of their own behind the rank.
    void surfacesUnderEveryLook_data() { addLooks(); }
    void surfacesUnderEveryLook()
    {
        QFETCH(QString, style);
        QFETCH(QPalette, palette);
        if (!useLook(style, palette))
            QSKIP("this style is not installed here (adwaita-qt6)");
        Windows win;
        open(win);
        TfrmMain &w = *win.main;
        rig::roll(w, m_timers);
        w.surface().cheat(1)->click(); // six ones
        for (int n = 1; n <= 6; ++n)
            emit w.surface().dice(n)->clicked();
        win.setup->showPage(false);
        QCoreApplication::processEvents();
        QStringList failures;
        for (QWidget *surface : QList<QWidget *>{&w.surface(), win.setup, win.topten}) {
            for (QAbstractButton *b : surface->findChildren<QAbstractButton *>()) {
                if (!b->isVisible() || qobject_cast<THemisphereButton *>(b))
                    continue;
                const QImage img = b->grab().toImage();
                QStyleOptionButton opt;
                opt.initFrom(b);
                const bool push = qobject_cast<QPushButton *>(b), check = qobject_cast<QCheckBox *>(b);
                const QRect mark = push ? img.rect().adjusted(2, 2, -4, -4)
                        : b->style()->subElementRect(check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &opt, b).adjusted(2, 2, -2, -2);
                const QColor fill = dominant(img, mark & img.rect());
                const double r = Contrast::ratio(b->palette().color(push ? QPalette::ButtonText : QPalette::Base), fill);
                if (push ? r < Contrast::kMinimum : r > 1.5)
                    failures << QStringLiteral("%1 drawn on %2").arg(nameOf(b), fill.name());
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));

        w.setOuterHeight(TfrmMain::kOuterHeight);
        QCoreApplication::processEvents();
        QGroupBox *box = w.surface().rg10();
        QRect shown;
        for (QRadioButton *r : box->findChildren<QRadioButton *>())
            shown |= r->isVisible() ? r->geometry() : QRect();
        QCOMPARE(shown.height() / w.surface().rg10()->findChild<QRadioButton *>()->height(), 5);
        // The frame's right edge, down the box's last column, in the box's own pixels.
        const QImage img = w.surface().grab(box->geometry()).toImage();
        int top = -1, bottom = -1;
        for (int y = 0; y < img.height(); ++y) {
            if (img.pixelColor(img.width() - 1, y) != w.surface().palette().color(QPalette::Window)) {
                top = top < 0 ? int(y / img.devicePixelRatio()) : top;
                bottom = int(y / img.devicePixelRatio());
            }
        }
        QVERIFY2(top >= 0 && top < shown.top() && bottom > shown.bottom(),
                 qPrintable(QStringLiteral("frame %1 to %2 around entries %3 to %4").arg(top).arg(bottom).arg(shown.top()).arg(shown.bottom())));
        QVERIFY2(box->y() + bottom < w.surface().height() - 1, "the frame runs off the window");

        for (int row = 1; row <= 3; ++row) {
            auto *badge = win.topten->findChild<QLabel *>(QStringLiteral("LMDNImage%1").arg(row));
            const QImage pic = badge->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            const int edge = qCeil(pic.devicePixelRatio()); // the badge's frame
            for (int y = edge; y < pic.height() - edge; ++y) {
                const QColor along = dominant(pic, QRect(edge, y, pic.width() - 2 * edge, 1));
                for (int x = edge; x < pic.width() - edge; ++x)
                    QVERIFY2(Contrast::ratio(pic.pixelColor(x, y), along) < 1.2,
                             qPrintable(QStringLiteral("badge %1: ink at %2,%3").arg(row).arg(x).arg(y)));
            }
        }
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
