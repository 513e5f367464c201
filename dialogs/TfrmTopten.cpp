// SPDX-License-Identifier: GPL-3.0-or-later
// The hall-of-fame window.
#include "dialogs/TfrmTopten.h"

#include "widgets/Appearance.h"
#include "widgets/Prompts.h"
#include "widgets/THemisphereButton.h"
#include "widgets/TEffectLabel.h"
#include "widgets/Typeface.h"
#include "game/GameSettings.h"
#include "base/GameTexts.h"
#include "base/KvxError.h"
#include "records/TopTen.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QPixmap>
#include <QScreen>

namespace {

const QColor kBackground(192, 220, 192);
const QSize kOuterSize(537, 480);
const QSize kClientSize(529, 453);
const int kRowHeight = 26;
const int kWindowRowTops[7] = {176, 200, 224, 248, 272, 296, 320};

// 19 px bold, or smaller when the system's sans-serif face is too wide for
// the times and dates in their columns.
QFont rowFont()
{
    static const QFont font = [] {
        QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        f.setStyleHint(QFont::SansSerif);
        f.setBold(true);
        for (int px = 19; px > 9; --px) {
            f.setPixelSize(px);
            const QFontMetrics fm(f);
            if (fm.horizontalAdvance(QStringLiteral("00:00:00")) <= 79
                && fm.horizontalAdvance(QStringLiteral("0000.00.00 - 00:00:00")) <= 199)
                break;
        }
        return f;
    }();
    return font;
}

QLabel *makeLabel(QWidget *host, const QString &name, const QRect &r, Qt::Alignment align,
                  const QString &text = QString())
{
    auto *l = new QLabel(text, host);
    l->setObjectName(name);
    l->setGeometry(r);
    l->setAlignment(align);
    l->setFont(rowFont());
    return l;
}

void setTextColor(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

} // namespace

TfrmTopten::TfrmTopten(QWidget *parent) : TfrmTopten(Shared(), parent) {}

TfrmTopten::TfrmTopten(const Shared &shared, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_shared(shared)
{
    setObjectName(QStringLiteral("frmTopten"));
    setWindowTitle(QString());
    // The light look it was designed with, under any desktop theme.
    QPalette pal = Appearance::surfacePalette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);
    QFont windowFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setPixelSize(11);
    setFont(windowFont);

    resize(kClientSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.center() - QPoint(kOuterSize.width() / 2, kOuterSize.height() / 2));
    }

    LMDLabel1 = new TEffectLabel(this);
    LMDLabel1->setObjectName(QStringLiteral("LMDLabel1"));
    LMDLabel1->setText(uiText("topHallOfFame"));
    LMDLabel1->setFont(Typeface::font(24, true));
    LMDLabel1->setAlignment(Qt::AlignCenter);
    LMDLabel1->setLightDepth(3);
    LMDLabel1->setShadowDepth(0);
    // A deep red: pure red on the pale green is hard to read.
    setTextColor(LMDLabel1, QColor(180, 0, 0));

    lType = new TEffectLabel(this);
    lType->setObjectName(QStringLiteral("lType"));
    lType->setText(QStringLiteral("Game type: Normal / 1000"));
    lType->setFont(Typeface::font(15, true));
    lType->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lType->setLightColor(Qt::white);
    lType->setShadowColor(QColor(192, 192, 192));
    setTextColor(lType, QColor(0, 0, 128));

    buildRows();

    const auto makeButton = [this](const char *name, const QString &caption, const QRect &r,
                                   const QColor &face) {
        auto *b = new THemisphereButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setFaceColor(face);
        return b;
    };
    btClose = makeButton("btClose", QStringLiteral("Close"), QRect(104, 416, 97, 33),
                         THemisphereButton::defaultFace());
    btClear = makeButton("btClear", QStringLiteral("Clear"), QRect(216, 416, 97, 33), QColor(133, 219, 108));
    btChange = makeButton("btChange", QStringLiteral("Change"), QRect(328, 416, 97, 33), QColor(133, 219, 108));
    connect(btClose, &QAbstractButton::clicked, this, &TfrmTopten::btCloseClick);
    connect(btClear, &QAbstractButton::clicked, this, &TfrmTopten::btClearClick);
    connect(btChange, &QAbstractButton::clicked, this, &TfrmTopten::btChangeClick);

    LMDLabel1->setGeometry(0, 0, width(), 49);
    lType->setGeometry(0, 49, width(), 24);
    Appearance::showPlainText(this);
    Appearance::useSurfaceStyle(this);

    FormCreate();
}

void TfrmTopten::buildRows()
{
    const Qt::Alignment rankAlign = Qt::AlignLeft | Qt::AlignTop;
    for (int row = 1; row <= TopTen::Slots; ++row) {
        QWidget *host = this;
        int top = 0;
        if (row <= 3) {
            auto *panel = new QFrame(this);
            panel->setObjectName(QStringLiteral("Panel%1").arg(row));
            panel->setGeometry(0, 88 + 25 * (row - 1), 529, 25);
            panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
            panel->setLineWidth(1);
            QPalette pal = panel->palette();
            pal.setColor(QPalette::Window, kBackground);
            panel->setPalette(pal);
            panel->setAutoFillBackground(true);

            // The picture itself is drawn when the window is first shown.
            auto *image = new QLabel(panel);
            image->setObjectName(QStringLiteral("LMDNImage%1").arg(row));
            image->setGeometry(1, 1, 40, 23);

            host = panel;
            top = -1;
        } else {
            top = kWindowRowTops[row - 4];
        }
        const QRect rankRect = row == 10 ? QRect(5, top, 33, kRowHeight) : QRect(16, top, 22, kRowHeight);
        makeLabel(host, QStringLiteral("lRank%1").arg(row), rankRect, rankAlign, QStringLiteral("%1.").arg(row));
        makeLabel(host, QStringLiteral("ls%1").arg(row), QRect(40, top, 81, kRowHeight),
                  Qt::AlignRight | Qt::AlignVCenter);
        makeLabel(host, QStringLiteral("lna%1").arg(row), QRect(128, top, 185, kRowHeight),
                  Qt::AlignLeft | Qt::AlignVCenter);
        makeLabel(host, QStringLiteral("lda%1").arg(row), QRect(320, top, 201, kRowHeight),
                  Qt::AlignRight | Qt::AlignVCenter);
    }
}

void TfrmTopten::paintRowPictures()
{
    for (int row = 1; row <= 3; ++row) {
        auto *image = findChild<QLabel *>(QStringLiteral("LMDNImage%1").arg(row));
        if (!image || !image->pixmap().isNull())
            continue;
        // Sharp at any scale: drawn in the screen's own pixels.
        const qreal dpr = image->devicePixelRatioF();
        QPixmap tiled(QSize(40, 23) * dpr);
        tiled.setDevicePixelRatio(dpr);
        tiled.fill(Qt::transparent);
        {
            QPainter p(&tiled);
            if (row > 1)
                p.setOpacity(0.6);
            // Stretched, not tiled: one badge without a seam behind the
            // rank, in a frame of its own.
            const QImage picture = rowPicture(row);
            const QRect badge(0, 0, 40, 23);
            p.drawImage(badge, picture, picture.rect().adjusted(1, 1, -1, -1));
            p.setPen(QPen(picture.pixelColor(0, 0), 1));
            p.drawRect(QRectF(badge).adjusted(0.5, 0.5, -0.5, -0.5));
        }
        image->setPixmap(tiled);
    }
}

void TfrmTopten::showEvent(QShowEvent *event)
{
    // Most games never open the hall of fame: its pictures wait until it does.
    paintRowPictures();
    QWidget::showEvent(event);
}

QImage TfrmTopten::rowPicture(int row)
{
    static const QColor bases[3] = {QColor(255, 214, 0), QColor(150, 172, 140), QColor(255, 140, 0)};
    const QColor base = bases[qBound(1, row, 3) - 1];

    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    QLinearGradient shade(0, 0, 0, 32);
    shade.setColorAt(0, base.lighter(125));
    shade.setColorAt(1, base);
    p.fillRect(img.rect(), shade);
    p.setPen(base.darker(130));
    p.drawRect(0, 0, 31, 31);
    // No digit of its own: the row's rank number stands on the badge.
    return img;
}

void TfrmTopten::FormCreate()
{
    // Escape closes the window as Close does, once the player has clicked into it.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TfrmTopten::btCloseClick);
    FillTopTen();
}

int TfrmTopten::currentType() const
{
    return m_shared.settings ? m_shared.settings->Type : m_ownType;
}

void TfrmTopten::setCurrentType(int type)
{
    if (m_shared.settings && m_shared.setType)
        m_shared.setType(type);
    else
        m_ownType = type;
}

void TfrmTopten::reportError(const QString &message)
{
    if (m_shared.prompts)
        m_shared.prompts->showError(message);
    else {
        QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), boxText(message), QMessageBox::Ok, this);
        Appearance::showPlainText(&box);
        keepOnScreen(box);
        box.exec();
    }
}

QLabel *TfrmTopten::rowLabel(const QString &prefix, int row) const
{
    return findChild<QLabel *>(prefix + QString::number(row));
}

bool TfrmTopten::FillTopTen()
{
    // The captions as the language file has them now; each button carries its key as its name.
    for (THemisphereButton *button : {btClose, btClear, btChange}) {
        const LangEntry &e = kLanguageTable[languageIndex(button->objectName())];
        const QString english = QString::fromUtf8(e.englishDefault);
        button->setText(m_shared.language
                            ? m_shared.language->ReadString(QLatin1String(e.section), QLatin1String(e.key), english)
                            : english);
    }

    const int type = currentType();
    const GameTexts english;
    const GameTexts &texts = m_shared.texts ? *m_shared.texts : english;
    lType->setText(texts.gameTypeLabel(type, m_shared.settings ? m_shared.settings->Winner : 1000));

    TopTenTable &table = topTenTable();
    try {
        table.LoadTopTen(type);
    } catch (const KvxError &e) {
        reportError(e.message());
        return false;
    }
    if (type != 1 && type != 2)
        return true;

    for (int n = 1; n <= TopTen::Slots; ++n) {
        const TopTenRowText text = topTenRowText(table.slot(n), type);
        rowLabel(QStringLiteral("ls"), n)->setText(text.ls);
        {
            // Twenty wide letters do not fit the name column: cut, whole in the tooltip.
            QLabel *name = rowLabel(QStringLiteral("lna"), n);
            const int room = name->contentsRect().width();
            const QString shown = Appearance::fitted(name->fontMetrics(), text.lna, room);
            name->setText(shown);
            Appearance::markCut(name, text.lna, shown != text.lna);
        }
        rowLabel(QStringLiteral("lda"), n)->setText(text.lda);
    }
    return true;
}

void TfrmTopten::applyLanguage(const LanguageTexts &texts)
{
    for (THemisphereButton *button : {btClose, btClear, btChange}) {
        if (const auto &text = texts[size_t(languageIndex(button->objectName()))])
            button->setText(*text);
    }
    LMDLabel1->setText(uiText("topHallOfFame"));
}

QString TfrmTopten::caption(const QString &key) const
{
    for (const THemisphereButton *button : {btClose, btClear, btChange}) {
        if (key == button->objectName())
            return button->text();
    }
    return QString();
}

void TfrmTopten::btCloseClick()
{
    close();
}

void TfrmTopten::btChangeClick()
{
    setCurrentType(currentType() == 1 ? 2 : 1);
    FillTopTen();
}

void TfrmTopten::btClearClick()
{
    const int type = currentType();
    // The entries are gone for good: the player says so first, and the
    // question names the table it empties (No is the default).
    const GameTexts english;
    const GameTexts &texts = m_shared.texts ? *m_shared.texts : english;
    const QString name = type == 2 ? texts.lType2 : texts.lType1;
    const bool yes = m_shared.prompts ? m_shared.prompts->confirm(uiText("topClearTitle"), uiText("topClearAsk").arg(name))
                                      : QMessageBox::question(this, uiText("topClearTitle"), uiText("topClearAsk").arg(name),
                                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                                            == QMessageBox::Yes;
    if (!yes)
        return;
    if (type == 1 || type == 2) {
        const QString path = TopTen::fileName(type);
        if (QFile::exists(path))
            QFile::remove(path); // a refusal shows as the old rows coming back
    }
    try {
        topTenTable().LoadTopTen(type);
    } catch (const KvxError &e) {
        reportError(e.message());
        return;
    }
    FillTopTen();
}

void TfrmTopten::FormClick()
{
    FillTopTen();
}

void TfrmTopten::FormClose()
{
    setCurrentType(1);
}

void TfrmTopten::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TfrmTopten::mousePressEvent(QMouseEvent *event)
{
    // Only the window's own surface counts; labels pass their clicks up.
    m_backgroundPressed = event->button() == Qt::LeftButton && !childAt(event->position().toPoint());
    if (m_backgroundPressed)
        event->accept();
    else
        QWidget::mousePressEvent(event);
}

void TfrmTopten::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const bool click = m_backgroundPressed && event->button() == Qt::LeftButton && rect().contains(pos)
        && !childAt(pos);
    m_backgroundPressed = false;
    if (click)
        FormClick();
    else
        QWidget::mouseReleaseEvent(event);
}

void TfrmTopten::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LMDLabel1->setGeometry(0, 0, width(), 49);
    lType->setGeometry(0, 49, width(), 24);
}
