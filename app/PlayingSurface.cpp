// SPDX-License-Identifier: GPL-3.0-or-later
// The playing surface: its layout and the mirror of the engine's state.
#include "app/PlayingSurface.h"
#include "widgets/Appearance.h"
#include "widgets/TEffectLabel.h"
#include "widgets/THemisphereButton.h"
#include "widgets/Typeface.h"
#include "app/GamePresenter.h"
#include "widgets/TRxDice.h"
#include "base/UiTexts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <qdrawutil.h>

#include <algorithm>

namespace {

const QColor kPanelGreen(192, 220, 192);
const QColor kPanelSand(240, 202, 166);
const QColor kNavy(0, 0, 128);

QFont windowFont(int px, bool bold = false)
{
    QFont f = QApplication::font();
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

void setColors(QWidget *w, const QColor &fg, const QColor &bg = QColor())
{
    QPalette pal = w->palette();
    if (fg.isValid())
        pal.setColor(QPalette::WindowText, fg);
    if (bg.isValid()) {
        pal.setColor(QPalette::Window, bg);
        w->setAutoFillBackground(true);
    }
    w->setPalette(pal);
}

// A choice list: an inset frame whose caption, in a gap of the frame's top
// line, carries a navy shadow. A caption too long for the box is cut. The
// frame closes under the last entry shown, within the window's client area.
class ChoiceGroup : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

    static constexpr int kCaptionLeft = 6;
    // Where entry k lies: as wide as the frame allows, the longest valuation needs it.
    static QRect entryRect(int k) { return QRect(2, 14 + 16 * k, 102, 16); }
    int captionRoom() const { return Appearance::groupCaptionRoom(this); }

    QRadioButton *entries[5] = {};

    // The frame, in the box's coordinates.
    QRect frameRect() const
    {
        int last = -1;
        for (int k = 0; k < 5; ++k)
            if (entries[k] && !entries[k]->isHidden())
                last = k;
        int bottom = last >= 0 ? entryRect(last).bottom() + 3 : height() - 1;
        if (parentWidget())
            bottom = std::min(bottom, parentWidget()->height() - y() - 1);
        bottom = std::min(bottom, height() - 1);
        const int top = QFontMetrics(font()).height() / 2;
        return QRect(QPoint(0, top), QPoint(width() - 1, std::max(top + 2, bottom)));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QFontMetrics fm(font());
        const QString caption = Appearance::fitted(fm, title(), captionRoom());
        const QRect textRect(kCaptionLeft, 1, fm.horizontalAdvance(caption) + 1, fm.height());
        // Drawn here rather than by the style: a style's group frame keeps
        // room of its own above, and the frame is to hug the entries.
        if (!caption.isEmpty())
            p.setClipRegion(QRegion(rect()) - QRegion(textRect.adjusted(-2, 0, 2, 0)));
        qDrawShadeRect(&p, frameRect(), palette(), true, 1);
        p.setClipping(false);
        p.setFont(font());
        p.setPen(kNavy);
        // Not cut to its rectangle, and a pixel below the box's edge: at a
        // fractional scale the glyphs stand a little taller than the metrics say.
        const int align = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip;
        p.drawText(textRect.translated(1, 1), align, caption);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(textRect, align, caption);
    }
};

THemisphereButton *roundButton(QWidget *parent, const char *name, const char *caption, QRect geo)
{
    auto *b = new THemisphereButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFont(Typeface::font(16));
    b->setFaceColor(QColor(64, 243, 12));
    b->setGeometry(geo);
    return b;
}

// A plain label that cuts a text too long for it (a translation) visibly.
TEffectLabel *captionLabel(QWidget *parent, const char *name, const char *caption, QRect geo, Qt::Alignment align)
{
    auto *l = new TEffectLabel(parent);
    l->setText(QString::fromLatin1(caption));
    l->setLightDepth(0);
    l->setShadowDepth(0);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(Typeface::font(16));
    l->setAlignment(align | Qt::AlignVCenter);
    l->setGeometry(geo);
    setColors(l, kNavy);
    return l;
}

QLabel *display(QWidget *parent, const char *name, QRect geo, const QColor &bg, const QLabel *caption)
{
    auto *e = new QLabel(QStringLiteral("0"), parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(geo);
    e->setFont(windowFont(16, true));
    e->setAlignment(Qt::AlignCenter);
    e->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    e->setLineWidth(2);
    e->setFocusPolicy(Qt::ClickFocus);
    e->setTextInteractionFlags(Qt::NoTextInteraction);
    e->setAccessibleName(caption->text());
    setColors(e, Appearance::surfacePalette().color(QPalette::WindowText), bg);
    return e;
}

// A caption ends in a colon of its own ("Subtotal:"); a value follows it.
QString spokenCaption(const QLabel *caption)
{
    return caption->text().trimmed();
}

} // namespace

PlayingSurface::PlayingSurface(GamePresenter &presenter, QWidget *parent)
    : QWidget(parent), m_view(presenter), m_game(presenter.game())
{
    setObjectName(QStringLiteral("client"));
    // The playing surface keeps its light colours under any desktop theme;
    // the menu bar and the dialogs follow the desktop.
    Appearance::applySurface(this);
    m_lType = new TEffectLabel(this);
    m_lType->setObjectName(QStringLiteral("lType"));
    m_lType->setFont(Typeface::font(15, true));
    m_lType->setAlignment(Qt::AlignCenter);
    m_lType->setLightColor(Qt::white);
    m_lType->setShadowColor(QColor(192, 192, 192));
    setColors(m_lType, kNavy, kPanelGreen);
    buildDice();
    buildButtons();
    buildDisplays();
    buildChoiceLists();
    buildCheats();
    buildCover();
    buildTabOrder();
    layoutCover();
    connect(&m_game, &Game::newGameStarted, this, &PlayingSurface::showGameType);
    m_built = true;
}

// ---------------------------------------------------------------- building

void PlayingSurface::buildDice()
{
    for (int n = 1; n <= 6; ++n) {
        auto *d = new TRxDice(this);
        d->setObjectName(QStringLiteral("RxDice") + QString::number(n));
        d->setTag(n);
        d->setGeometry(16 + 72 * (n - 1), 40, 66, 66);
        d->setFocusPolicy(Qt::ClickFocus);
        connect(d, &TRxDice::clicked, this, [this, n] { emit dieClicked(n); });
        m_dice[n] = d;
    }
}

void PlayingSurface::buildButtons()
{
    m_btRoll = roundButton(this, "btRoll", "Roll", QRect(129, 112, 97, 33));
    m_btDone = roundButton(this, "btDone", "Done", QRect(233, 112, 97, 33));
}

void PlayingSurface::buildDisplays()
{
    m_lTime = captionLabel(this, "lTime", "Your time:", QRect(0, 155, 217, 22), Qt::AlignLeft);
    m_lSubTotal = captionLabel(this, "lSubTotal", "Subtotal:", QRect(208, 155, 127, 22), Qt::AlignRight);
    m_lTotal = captionLabel(this, "lTotal", "Total:", QRect(208, 187, 127, 22), Qt::AlignRight);
    m_lRound = captionLabel(this, "lRound", "Round:", QRect(208, 219, 127, 22), Qt::AlignRight);
    m_lYour = captionLabel(this, "lYour", "Your score:", QRect(208, 251, 127, 22), Qt::AlignRight);

    m_eSubScore = display(this, "eSubScore", QRect(336, 152, 121, 28), kPanelGreen, m_lSubTotal);
    m_eScore = display(this, "eScore", QRect(336, 184, 121, 28), kPanelGreen, m_lTotal);
    m_eRnd = display(this, "eRnd", QRect(336, 216, 57, 28), kPanelSand, m_lRound);
    m_eRnd->setText(QStringLiteral("1"));
    for (QLabel *e : {m_eSubScore, m_eScore, m_eRnd})
        e->installEventFilter(this);

    m_eValue = new QLabel(QStringLiteral("0"), this);
    m_eValue->setObjectName(QStringLiteral("eValue"));
    m_eValue->setGeometry(336, 248, 121, 28);
    m_eValue->setFont(windowFont(16, true));
    m_eValue->setAlignment(Qt::AlignCenter);
    m_eValue->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_eValue->setLineWidth(1);
    m_eValue->setAccessibleName(m_lYour->text());
    setColors(m_eValue, kNavy, kPanelSand);
}

void PlayingSurface::buildChoiceLists()
{
    m_rg10 = buildChoiceList(1, QRect(0, 176, 105, 105));
    m_rg5 = buildChoiceList(5, QRect(104, 176, 105, 105));
    // While a choice list is shown, Up and Down pick its valuations wherever
    // the focus is on the table; else they go on to the focused control.
    for (const auto &[key, step] : {std::pair{Qt::Key_Up, -1}, std::pair{Qt::Key_Down, 1}}) {
        auto *pick = new QShortcut(QKeySequence(key), this);
        pick->setEnabled(false);
        connect(pick, &QShortcut::activated, this, [this, step = step] { pickChoice(step); });
        m_pickKeys << pick;
    }
}

QGroupBox *PlayingSurface::buildChoiceList(int face, QRect geometry)
{
    auto *box = new ChoiceGroup(this);
    box->setObjectName(face == 1 ? QStringLiteral("rg10") : QStringLiteral("rg5"));
    box->setGeometry(geometry);
    QFont caption = QApplication::font();
    caption.setFamily(QStringLiteral("Arial"));
    caption.setPixelSize(11);
    caption.setBold(true);
    box->setFont(caption);
    box->setFocusPolicy(Qt::NoFocus);
    auto *group = new QButtonGroup(box);
    const int row = face == 1 ? 0 : 1;
    for (int k = 0; k < 5; ++k) {
        auto *r = new QRadioButton(box);
        r->setObjectName(box->objectName() + QStringLiteral("_") + QString::number(k));
        r->setFont(windowFont(11));
        r->setGeometry(ChoiceGroup::entryRect(k));
        r->hide();
        group->addButton(r, k);
        m_choices[row][k] = r;
        box->entries[k] = r;
    }
    connect(group, &QButtonGroup::idClicked, this, [this, face](int id) { emit choiceClicked(face, id); });
    box->hide();
    return box;
}

void PlayingSurface::buildCheats()
{
    const char *const names[4] = {"Button1", "Button2", "Button3", "Button4"};
    const char *const captions[4] = {"Cheat 1", "Cheat 5", "Cheat 3", "Cheat 1+5"};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(captions[i]), this);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setGeometry(8 + 80 * i, 288, 75, 25);
        m_cheats[i] = b;
    }
    m_cheats[0]->setProperty("Tag", 1);
    m_cheats[1]->setProperty("Tag", 5);
    m_cheats[2]->setProperty("Tag", 3);
}

void PlayingSurface::buildCover()
{
    m_pCover = new QWidget(this);
    m_pCover->setObjectName(QStringLiteral("pCover"));
    m_pCover->setAutoFillBackground(true);
    m_btStart = roundButton(m_pCover, "btStart", "Start", QRect(100, 96, 124, 41));
    m_btExit = roundButton(m_pCover, "btExit", "Exit", QRect(236, 96, 124, 41));
    m_btCont = roundButton(m_pCover, "btCont", "Continue", QRect(100, 144, 124, 41));
    m_pCover->hide();
}

void PlayingSurface::buildTabOrder()
{
    // Tab goes dice, Roll, Done, then the choice lists and the test buttons
    // while they are in sight; the cover keeps it among its own buttons.
    QList<QWidget *> chain;
    for (int n = 1; n <= 6; ++n)
        chain << m_dice[n];
    chain << m_btRoll << m_btDone;
    for (auto &row : m_choices)
        for (QRadioButton *r : row)
            chain << r;
    for (QPushButton *b : m_cheats)
        chain << b;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain.at(i - 1), chain.at(i));
    setTabOrder(m_btStart, m_btCont);
    setTabOrder(m_btCont, m_btExit);
}

void PlayingSurface::layoutCover()
{
    const int w = width();
    m_lType->setGeometry(0, 0, w, 33);
    m_pCover->setGeometry(0, 33, w, qMax(0, height() - 33));
}

void PlayingSurface::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCover();
    if (m_built)
        updateFocus(); // the test buttons come into sight, or go
}

bool PlayingSurface::eventFilter(QObject *watched, QEvent *event)
{
    // The displays never keep the focus: it goes to the first die (eRndEnter).
    if (event->type() == QEvent::FocusIn) {
        m_dice[1]->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- texts

void PlayingSurface::applyTexts(const std::function<QString(const char *)> &text, const QString &yourCaption)
{
    m_btRoll->setText(text("btRoll"));
    m_btDone->setText(text("btDone"));
    m_btStart->setText(text("btStart"));
    m_btCont->setText(text("btCont"));
    m_lSubTotal->setText(text("lSubTotal"));
    m_lTotal->setText(text("lTotal"));
    m_lRound->setText(text("lRound"));
    setYourCaption(yourCaption);
    for (QPushButton *b : m_cheats)
        b->setText(uiText(b->objectName().toLatin1().constData()));
    for (int n = 1; n <= 6; ++n)
        m_dice[n]->updateAccessibleName();
}

void PlayingSurface::setYourCaption(const QString &caption)
{
    if (!caption.isNull())
        m_lYour->setText(caption);
    nameDisplays();
}

QString PlayingSurface::caption(const QString &key) const
{
    const QList<const QWidget *> captioned{m_btRoll, m_btDone, m_btStart, m_btExit, m_btCont, m_cheats[0],
                                           m_cheats[1], m_cheats[2], m_cheats[3]};
    for (const QWidget *w : captioned)
        if (w->objectName() == key)
            return static_cast<const QAbstractButton *>(w)->text();
    const QList<const QLabel *> labels{m_lType, m_lTime, m_lSubTotal, m_lTotal, m_lRound,
                                       m_lYour, m_eSubScore, m_eScore, m_eRnd, m_eValue};
    for (const QLabel *l : labels)
        if (l->objectName() == key)
            return l->text();
    return QString();
}

// ---------------------------------------------------------------- mirroring the engine

void PlayingSurface::syncDie(int n)
{
    const DieModel &d = m_game.die(n);
    m_dice[n]->setRolling(d.rotate || d.timer != 0);
    m_dice[n]->setValue(d.value);
    m_dice[n]->setDieState(d.color);
}

QString PlayingSurface::clockCaption(const QString &label, qint32 seconds)
{
    const QString t = GamePresenter::elapsedText(seconds);
    // From 100 hours on the hours take more than two places; minutes and
    // seconds stay the last four.
    const QString hours = t.left(t.size() - 4);
    return label + QLatin1Char(' ') + hours + QLatin1Char(':') + t.mid(t.size() - 4, 2) + QLatin1Char(':')
         + t.right(2);
}

QString PlayingSurface::ratingText(std::optional<qint64> rating)
{
    return rating ? QString::number(*rating) : uiText("eValueNotDone");
}

void PlayingSurface::syncClock(qint32 seconds)
{
    m_lTime->setText(clockCaption(m_view.gameTexts().lTime, seconds));
}

void PlayingSurface::showGameType()
{
    m_lType->setText(m_view.gameTexts().gameTypeLabel(m_game.gameSettings().Type, m_game.gameSettings().Winner));
}

void PlayingSurface::syncChoice(QGroupBox *box, const ChoiceList &list)
{
    const int row = box == m_rg10 ? 0 : 1;
    if (list.visible) {
        box->setTitle(list.caption);
        Appearance::markCut(box, list.caption,
                            box->fontMetrics().horizontalAdvance(list.caption)
                                > Appearance::groupCaptionRoom(box));
        for (int k = 0; k < 5; ++k) {
            QRadioButton *r = m_choices[row][k];
            const bool used = k < list.items.size();
            if (used) {
                Appearance::setFittedText(r, list.items.at(k));
                // Named whole, with its points, whether or not it is shown cut.
                const QVector<ChoiceEntry> &offered = m_game.choices(row == 0 ? 1 : 5).entries;
                const qint32 points = k < offered.size() ? offered.at(k).value : 0;
                const QString name = uiText("sayEntry").arg(list.items.at(k), QLocale().toString(points));
                if (r->accessibleName() != name)
                    r->setAccessibleName(name);
            }
            r->setVisible(used);
        }
        box->update(); // the frame closes under the last entry
        QButtonGroup *group = m_choices[row][0]->group();
        const QSignalBlocker block(group);
        if (list.itemIndex >= 0 && list.itemIndex < 5) {
            m_choices[row][list.itemIndex]->setChecked(true);
        } else if (QAbstractButton *checked = group->checkedButton()) {
            group->setExclusive(false);
            checked->setChecked(false);
            group->setExclusive(true);
        }
    }
    box->setVisible(list.visible);
}

void PlayingSurface::sync()
{
    const QLocale locale;
    m_eSubScore->setText(locale.toString(m_view.eSubScore()));
    m_eScore->setText(locale.toString(m_view.eScore()));
    m_eRnd->setText(locale.toString(m_view.eRnd()));
    m_eValue->setText(ratingText(m_view.rating()));
    Appearance::condenseToFit(m_eValue, m_eValue->text(), m_eValue->contentsRect().width());
    nameDisplays();
    syncChoice(m_rg10, m_view.choiceList(1));
    syncChoice(m_rg5, m_view.choiceList(5));
    m_btRoll->setEnabled(m_view.rollDoneEnabled());
    m_btDone->setEnabled(m_view.rollDoneEnabled());
    m_btCont->setVisible(m_view.contVisible());
    if (m_pCover->isHidden() == m_view.coverVisible()) {
        m_pCover->setVisible(m_view.coverVisible());
        if (m_view.coverVisible())
            m_pCover->raise();
    }
    const bool picking = (m_view.choiceList(1).visible || m_view.choiceList(5).visible) && !m_view.coverVisible();
    for (QShortcut *pick : std::as_const(m_pickKeys))
        pick->setEnabled(picking);
    updateFocus();
}

// ---------------------------------------------------------------- focus

void PlayingSurface::nameDisplays()
{
    // A display is named by its caption and its value, as flat review reads it;
    // an unchanged name sends nothing.
    const std::pair<QLabel *, QLabel *> named[] = {
        {m_eSubScore, m_lSubTotal}, {m_eScore, m_lTotal}, {m_eRnd, m_lRound}, {m_eValue, m_lYour}};
    for (const auto &[display, caption] : named) {
        const QString name = spokenCaption(caption) + QLatin1Char(' ') + display->text();
        if (display->accessibleName() != name)
            display->setAccessibleName(name);
    }
}

bool PlayingSurface::cheatRowShown() const
{
    return m_cheats[0]->geometry().bottom() < height();
}

void PlayingSurface::updateFocus()
{
    // Only what the player can see takes the focus: behind the cover nothing
    // of the table, and the test buttons only where the window shows them.
    const bool cover = m_view.coverVisible();
    const auto allow = [](QWidget *w, bool on) {
        const Qt::FocusPolicy want = on ? Qt::StrongFocus : Qt::NoFocus;
        if (w->focusPolicy() != want)
            w->setFocusPolicy(want);
    };
    for (int n = 1; n <= 6; ++n)
        allow(m_dice[n], !cover);
    allow(m_btRoll, !cover);
    allow(m_btDone, !cover);
    for (auto &row : m_choices)
        for (QRadioButton *r : row)
            allow(r, !cover);
    for (QPushButton *b : m_cheats)
        allow(b, !cover && cheatRowShown());
    QWidget *f = window()->focusWidget();
    const bool lost = !f || !f->isVisible() || f->focusPolicy() == Qt::NoFocus
            || (cover && !m_pCover->isAncestorOf(f)) || (!cover && m_pCover->isAncestorOf(f));
    if (lost) {
        QWidget *to = cover ? (m_btCont->isVisible() ? static_cast<QWidget *>(m_btCont) : m_btStart) : m_btRoll;
        to->setFocus(Qt::OtherFocusReason);
    }
}

void PlayingSurface::noteFaceClicked(int face)
{
    if (face == 1 || face == 5)
        m_choiceFace = face;
}

bool PlayingSurface::pickChoice(int step)
{
    const bool ones = m_view.choiceList(1).visible, fives = m_view.choiceList(5).visible;
    if (!ones && !fives)
        return false;
    const int row = ones && fives ? (m_choiceFace == 5 ? 1 : 0) : (ones ? 0 : 1);
    const ChoiceList &list = row == 0 ? m_view.choiceList(1) : m_view.choiceList(5);
    const int count = int(list.items.size());
    if (count == 0)
        return false;
    const int at = list.itemIndex < 0 ? (step > 0 ? -1 : count) : list.itemIndex;
    const int to = std::clamp(at + step, 0, count - 1);
    // The entry takes the focus, so the arrows go on in the list itself.
    QRadioButton *entry = m_choices[row][to];
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    entry->setFocus(Qt::TabFocusReason);
    if (to != list.itemIndex)
        entry->click();
    return true;
}

int PlayingSurface::focusedDie() const
{
    for (int n = 1; n <= 6; ++n)
        if (m_dice[n]->hasFocus())
            return n;
    return 0;
}

void PlayingSurface::focusDie(int step)
{
    const int at = focusedDie();
    if (at == 0)
        return;
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    m_dice[(at - 1 + step + 6) % 6 + 1]->setFocus(Qt::TabFocusReason);
}

QRect PlayingSurface::playArea() const
{
    QRect area;
    for (int n = 1; n <= 6; ++n)
        area |= m_dice[n]->geometry();
    area |= m_btRoll->geometry() | m_btDone->geometry() | m_rg10->geometry() | m_rg5->geometry();
    return QRect(mapToGlobal(area.topLeft()), area.size());
}
