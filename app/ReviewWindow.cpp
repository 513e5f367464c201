// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ReviewWindow.h"
#include "app/ChartAxis.h"
#include "app/SolveProgressBar.h"
#include "widgets/Appearance.h"
#include "game/Game.h"
#include "game/Scoring.h"
#include "game/SolveService.h"
#include "widgets/TRxDice.h"
#include "base/UiTexts.h"

#include <QAccessible>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString number(double v, int decimals = 2)
{
    return QLocale().toString(v, 'f', decimals);
}

QString signedNumber(double v)
{
    const QString s = number(v);
    return v > 0 && s != number(0.0) ? QStringLiteral("+") + s : s;
}

// The marks of the classes: a hue each and a shape each, so they tell apart
// without colour too; drawn with an outline in the text colour.
QColor classColor(DecisionClass c)
{
    switch (c) {
    case DecisionClass::Inaccuracy:
        return QColor(0xe8, 0xc0, 0x20);
    case DecisionClass::Mistake:
        return QColor(0xf0, 0x80, 0x10);
    case DecisionClass::Blunder:
        return QColor(0xe0, 0x20, 0x20);
    case DecisionClass::Best:
        break;
    }
    return {};
}

void drawMark(QPainter &p, DecisionClass c, QPointF at, double r, const QColor &outline)
{
    p.setPen(QPen(outline, 1.2));
    p.setBrush(classColor(c));
    if (c == DecisionClass::Inaccuracy) {
        p.drawEllipse(at, r * 0.8, r * 0.8);
    } else if (c == DecisionClass::Mistake) {
        p.drawRect(QRectF(at.x() - r * 0.75, at.y() - r * 0.75, r * 1.5, r * 1.5));
    } else if (c == DecisionClass::Blunder) {
        QPainterPath t;
        t.moveTo(at.x(), at.y() - r * 1.1);
        t.lineTo(at.x() + r, at.y() + r * 0.7);
        t.lineTo(at.x() - r, at.y() + r * 0.7);
        t.closeSubpath();
        p.drawPath(t);
    }
}

const char *const kClassKeys[4] = {nullptr, "revClassInaccuracy", "revClassMistake", "revClassBlunder"};

// The window's labels, wrapped.
QLabel *wrappedLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}

} // namespace

// ---------------------------------------------------------------- chart

ReviewChart::ReviewChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("chReview"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ReviewChart::setReview(const GameReview *review, const GameRecord *record)
{
    m_review = review;
    m_record = record;
    const int last = review ? int(review->chart.size()) - 2 : -1;
    m_step = std::min(m_step, last);
    update();
}

void ReviewChart::selectStep(int step)
{
    if (!m_review)
        return;
    step = std::clamp(step, -1, int(m_review->chart.size()) - 2);
    if (step == m_step)
        return;
    m_step = step;
    update();
}

QVector<ReviewChart::LegendItem> ReviewChart::legend() const
{
    const QFontMetrics fm(font());
    const char *const keys[5] = {"revLegendGame", "revLegendBest", "revLegendInaccuracy", "revLegendMistake",
                                 "revLegendBlunder"};
    QVector<LegendItem> items;
    double x = 4, y = 2;
    for (int k = 0; k < 5; ++k) {
        const QString t = uiText(keys[k]);
        const double w = 20 + fm.horizontalAdvance(t) + 12;
        if (x > 4 && x + w > width()) {
            x = 4;
            y += fm.height() + 2;
        }
        items.append({k, QPointF(x, y), t});
        x += w;
    }
    return items;
}

ReviewChart::Geometry ReviewChart::geometry(const QVector<LegendItem> &legend) const
{
    Geometry g;
    const QFontMetrics fm(font());
    // Left of the plot its title and the rounds; below it the rounds ended and their title.
    const double left = fm.height() + 4 + fm.horizontalAdvance(QStringLiteral("0000")) + 6;
    const double top = legend.constLast().at.y() + fm.height() + 8; // below the legend
    const double bottom = 2 * fm.height() + 6;
    g.plot = QRectF(left, top, std::max(10.0, width() - left - 8), std::max(10.0, height() - top - bottom));
    g.steps = m_review ? int(m_review->chart.size()) - 1 : 0;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    if (m_review) {
        for (double v : m_review->chart) {
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    if (!std::isfinite(lo)) {
        lo = 0;
        hi = 1;
    }
    if (m_review && std::isfinite(m_review->bestFromStart)) {
        lo = std::min(lo, m_review->bestFromStart);
        hi = std::max(hi, m_review->bestFromStart);
    }
    g.lo = std::floor(std::max(0.0, lo - 1));
    g.hi = std::ceil(hi + 1);
    return g;
}

double ReviewChart::Geometry::x(int step) const
{
    return steps <= 0 ? plot.left() : plot.left() + plot.width() * double(step + 1) / steps;
}

double ReviewChart::Geometry::y(double value) const
{
    return plot.bottom() - (value - lo) / (hi - lo) * plot.height();
}

double ReviewChart::xOf(int step) const
{
    return geometry(legend()).x(step);
}

int ReviewChart::stepAt(double x) const
{
    const Geometry g = geometry(legend());
    if (g.steps <= 0)
        return -1;
    return std::clamp(int(std::lround((x - g.plot.left()) / g.plot.width() * g.steps)) - 1, -1, g.steps - 1);
}

void ReviewChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const QColor text = pal.color(QPalette::Text);
    QColor faint = text;
    faint.setAlphaF(0.25);
    p.fillRect(rect(), pal.color(QPalette::Base));
    const QVector<LegendItem> items = legend();
    const Geometry g = geometry(items);
    const QRectF r = g.plot;
    drawLegend(p, items, text);
    drawAxes(p, g, text, faint);
    if (!m_review || !m_record)
        return;
    drawRoundEnds(p, g, text, faint);
    drawGame(p, g, text);
    // The selected step.
    const QColor mark = pal.color(QPalette::Highlight);
    const double xs = g.x(m_step);
    p.setPen(QPen(mark, 2));
    p.drawLine(QPointF(xs, r.top()), QPointF(xs, r.bottom()));
    const double vs = m_review->chart[size_t(m_step) + 1];
    if (std::isfinite(vs)) {
        p.setBrush(mark);
        p.setPen(QPen(text, 1));
        p.drawEllipse(QPointF(xs, g.y(vs)), 4, 4);
    }
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(text, 1, Qt::DotLine));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

// The game's line, the best play's, and the three marks, flowing onto a
// second row where the chart is narrow.
void ReviewChart::drawLegend(QPainter &p, const QVector<LegendItem> &items, const QColor &text) const
{
    const QFontMetrics fm(font());
    for (const LegendItem &item : items) {
        const double ly = item.at.y() + fm.height() / 2.0;
        const double x = item.at.x();
        if (item.kind == 0) {
            p.setPen(QPen(text, 2));
            p.drawLine(QPointF(x, ly), QPointF(x + 16, ly));
        } else if (item.kind == 1) {
            p.setPen(QPen(text, 1.2, Qt::DashLine));
            p.drawLine(QPointF(x, ly), QPointF(x + 16, ly));
        } else {
            drawMark(p, DecisionClass(item.kind - 1), QPointF(x + 8, ly), 5, text);
        }
        p.setPen(text);
        p.drawText(QPointF(x + 20, item.at.y() + fm.ascent()), item.text);
    }
}

// Whole rounds up the side, a few labelled, the titles beside and below.
void ReviewChart::drawAxes(QPainter &p, const Geometry &g, const QColor &text, const QColor &faint) const
{
    const QFontMetrics fm(font());
    const QRectF r = g.plot;
    const double lo = g.lo, hi = g.hi;
    const int every = ChartAxis::wholeStep(hi - lo, std::clamp(int(r.height() / (fm.height() * 1.5)), 1, 8));
    const QLocale locale;
    const ChartAxis::ValueLines lines{QPen(faint, 1), text, 0, r.left() - 5, double(fm.height())};
    for (int v = int(lo); v <= int(hi); ++v) {
        if (v % every == 0)
            ChartAxis::drawValueLine(p, r, g.y(v), lines, locale.toString(v));
    }
    ChartAxis::drawSideTitle(p, r, 2, uiText("revAxisY"));
    p.drawText(QRectF(r.left(), r.bottom() + fm.height() + 4, r.width(), fm.height()), Qt::AlignHCenter,
               uiText("revAxisX"));
}

// Round ends down the plot, each labelled with the round it ended: the
// first, and every few as room allows.
void ReviewChart::drawRoundEnds(QPainter &p, const Geometry &g, const QColor &text, const QColor &faint) const
{
    const QFontMetrics fm(font());
    const QRectF r = g.plot;
    const QLocale locale;
    const auto &steps = m_record->steps();
    int ends = 0, firstRound = 0;
    for (int i = 0; i < int(steps.size()); ++i) {
        if (steps[size_t(i)].kind == RecordStep::RoundEnd) {
            ++ends;
            if (firstRound == 0)
                firstRound = i > 0 ? steps[size_t(i) - 1].roundNo : m_record->start().roundNo;
        }
    }
    const double labelWidth = fm.horizontalAdvance(locale.toString(firstRound + ends)) + 8;
    const int labelEvery = ChartAxis::wholeStep(ends, std::max(1, int(r.width() / labelWidth / 2)));
    double lastRight = -1e9;
    for (int i = 0; i < int(steps.size()); ++i) {
        if (steps[size_t(i)].kind != RecordStep::RoundEnd)
            continue;
        const double xe = g.x(i);
        p.setPen(QPen(faint, 1, Qt::DotLine));
        p.drawLine(QPointF(xe, r.top()), QPointF(xe, r.bottom()));
        // The round before the step: a round end records the round after it.
        const int round = i > 0 ? steps[size_t(i) - 1].roundNo : m_record->start().roundNo;
        if (!ChartAxis::labelled(round, firstRound, labelEvery))
            continue;
        const QString label = locale.toString(round);
        const double w = fm.horizontalAdvance(label);
        if (xe - w / 2.0 > lastRight + 4 && xe + w / 2.0 < width()) {
            p.setPen(text);
            p.drawText(QPointF(xe - w / 2.0, r.bottom() + fm.ascent() + 3), label);
            lastRight = xe + w / 2.0;
        }
    }
}

// The best play's line and the game's, with the marks of its decisions.
void ReviewChart::drawGame(QPainter &p, const Geometry &g, const QColor &text) const
{
    const QRectF r = g.plot;
    // The best play's line from where the game was first valued.
    const double yb = g.y(m_review->bestFromStart);
    p.setPen(QPen(text, 1.2, Qt::DashLine));
    p.drawLine(QPointF(r.left(), yb), QPointF(r.right(), yb));
    // The game's line, broken where a stretch could not be valued.
    QPainterPath line;
    bool open = false;
    for (int k = 0; k < int(m_review->chart.size()); ++k) {
        const double v = m_review->chart[size_t(k)];
        if (!std::isfinite(v)) {
            open = false;
            continue;
        }
        const QPointF pt(g.x(k - 1), g.y(v));
        if (open)
            line.lineTo(pt);
        else
            line.moveTo(pt);
        open = true;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(text, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    for (const ReviewDecision &d : m_review->decisions) {
        const double v = m_review->chart[size_t(d.step) + 1];
        if (d.valued && d.cls != DecisionClass::Best && std::isfinite(v))
            drawMark(p, d.cls, QPointF(g.x(d.step), g.y(v)), 5, text);
    }
}

void ReviewChart::keyPressEvent(QKeyEvent *event)
{
    if (!m_review) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int last = int(m_review->chart.size()) - 2;
    int to = m_step;
    // Ctrl with an arrow goes from decision to decision.
    const bool byDecision = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        to = m_step - 1;
        if (byDecision)
            while (to >= 0 && m_review->decisionAt[size_t(to)] < 0)
                --to;
        break;
    case Qt::Key_Right:
        to = m_step + 1;
        if (byDecision)
            while (to <= last && m_review->decisionAt[size_t(to)] < 0)
                ++to;
        break;
    case Qt::Key_Home:
        to = -1;
        break;
    case Qt::Key_End:
        to = last;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    to = std::clamp(to, -1, last);
    if (to != m_step) {
        selectStep(to);
        emit stepSelected(to);
    }
}

void ReviewChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int to = stepAt(event->position().x());
    selectStep(to);
    emit stepSelected(to);
}

void ReviewChart::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        // Pointing at a step says what happened there.
        emit stepPointed(stepAt(event->position().x()), event->globalPosition().toPoint());
        return;
    }
    const int to = stepAt(event->position().x());
    if (to != m_step) {
        selectStep(to);
        emit stepSelected(to);
    }
}

// ---------------------------------------------------------------- window

ReviewWindow::ReviewWindow(Game &game, SolveService &solver, QWidget *parent)
    : SideWindow(parent), m_game(game), m_solver(solver)
{
    setObjectName(QStringLiteral("frmReview"));
    Appearance::keepHighlightReadable(this);
    auto *box = new QVBoxLayout(body());
    auto *gameRow = new QHBoxLayout;
    m_lGame = new QLabel(this);
    m_lGame->setObjectName(QStringLiteral("lGame"));
    m_cbGame = new QComboBox(this);
    m_cbGame->setObjectName(QStringLiteral("cbGame"));
    m_cbGame->addItems({QString(), QString()});
    m_lGame->setBuddy(m_cbGame);
    gameRow->addWidget(m_lGame);
    gameRow->addWidget(m_cbGame);
    gameRow->addStretch();
    box->addLayout(gameRow);
    m_lGame->hide();
    m_cbGame->hide();
    connect(m_cbGame, &QComboBox::activated, this, &ReviewWindow::refresh);
    m_lStatus = wrappedLabel(this, "lStatus");
    box->addWidget(m_lStatus);
    m_pbSolve = new SolveProgressBar(m_solver, "revProgress", this);
    box->addWidget(m_pbSolve);
    m_lSummary = wrappedLabel(this, "lSummary");
    m_lCounts = wrappedLabel(this, "lCounts");
    m_lNote = wrappedLabel(this, "lNote");
    box->addWidget(m_lSummary);
    box->addWidget(m_lCounts);
    box->addWidget(m_lNote);
    m_chart = new ReviewChart(this);
    box->addWidget(m_chart, 3);

    box->addWidget(buildPanes(), 4);
    resize(700, 560);
    Appearance::showPlainText(this);

    m_soon = new QTimer(this);
    m_soon->setSingleShot(true);
    m_soon->setInterval(0);
    connect(m_soon, &QTimer::timeout, this, &ReviewWindow::refresh);
    connect(&m_game, &Game::positionChanged, this, &ReviewWindow::refreshSoon);
    connect(&m_solver, &SolveService::solved, this, &ReviewWindow::refreshSoon);
    connect(&m_solver, &SolveService::reviewReady, this, &ReviewWindow::refreshSoon);
    connect(m_chart, &ReviewChart::stepSelected, this, &ReviewWindow::followChart);
    connect(m_chart, &ReviewChart::stepPointed, this, [this](int step, QPoint at) {
        QToolTip::showText(at, Appearance::plainToolTip(stepSentence(step)), m_chart);
    });
    connect(m_lvDecisions, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= int(m_review.decisions.size()))
            return;
        m_chart->selectStep(m_review.decisions[size_t(row)].step);
        showMoment(row);
    });
    applyTexts();
}

// The decisions on the left; on the right the moment chosen, its dice and
// every play ranked.
QSplitter *ReviewWindow::buildPanes()
{
    auto *split = new QSplitter(Qt::Horizontal, this);
    auto *left = new QWidget(split);
    auto *leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    m_lDecisions = wrappedLabel(this, "lDecisions");
    m_lvDecisions = new QListWidget(left);
    m_lvDecisions->setObjectName(QStringLiteral("lvDecisions"));
    m_lvDecisions->setWordWrap(true);
    m_lDecisions->setBuddy(m_lvDecisions);
    leftBox->addWidget(m_lDecisions);
    leftBox->addWidget(m_lvDecisions, 1);
    auto *right = new QWidget(split);
    auto *rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(0, 0, 0, 0);
    m_lMoment = wrappedLabel(this, "lMoment");
    rightBox->addWidget(m_lMoment);
    auto *diceRow = new QHBoxLayout;
    for (int n = 1; n <= 6; ++n) {
        m_dice[n] = new TRxDice(right);
        m_dice[n]->setObjectName(QStringLiteral("rvDice%1").arg(n));
        m_dice[n]->setFixedSize(40, 40);
        // Shown, not played: clicks and the keyboard pass them by.
        m_dice[n]->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dice[n]->setFocusPolicy(Qt::NoFocus);
        diceRow->addWidget(m_dice[n]);
    }
    diceRow->addStretch(1);
    rightBox->addLayout(diceRow);
    m_lRanking = wrappedLabel(this, "lRanking");
    m_lvRanking = new QListWidget(right);
    m_lvRanking->setObjectName(QStringLiteral("lvRanking"));
    // A long play wraps onto a second line instead of running out of sight.
    m_lvRanking->setWordWrap(true);
    m_lvRanking->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lvRanking->setResizeMode(QListView::Adjust);
    m_lRanking->setBuddy(m_lvRanking);
    rightBox->addWidget(m_lRanking);
    rightBox->addWidget(m_lvRanking, 1);
    split->addWidget(left);
    split->addWidget(right);
    split->setChildrenCollapsible(false);
    left->setMinimumWidth(180);
    right->setMinimumWidth(6 * 40 + 40); // the six dice side by side
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    return split;
}

ReviewWindow::~ReviewWindow() = default;

void ReviewWindow::applyTexts()
{
    setWindowTitle(uiText("revTitle"));
    m_lGame->setText(uiText("revWhichGame"));
    m_cbGame->setItemText(0, uiText("revThisGame"));
    m_cbGame->setItemText(1, uiText("revLastWon"));
    m_lDecisions->setText(uiText("revDecisions"));
    m_lRanking->setText(uiText("revRanking"));
    // Set only on a change: each sends a notice to assistive technology.
    const auto name = [](QWidget *w, const QString &text) {
        if (w->accessibleName() != text)
            w->setAccessibleName(text);
    };
    name(m_lvDecisions, uiText("revDecisionsName"));
    name(m_lvRanking, uiText("revRankingName"));
    name(m_chart, uiText("revChartName"));
    name(m_pbSolve, uiText("revProgressName"));
    for (int n = 1; n <= 6; ++n)
        name(m_dice[n], uiText("revDieName").arg(QString::number(n), QString::number(m_dice[n]->value())));
}

void ReviewWindow::refreshSoon()
{
    // A hidden window does no work; it looks again when shown.
    if (isVisible() && !m_soon->isActive())
        m_soon->start();
}

void ReviewWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void ReviewWindow::refresh()
{
    applyTexts();
    // The game on the table, or the last one won: that one alone while
    // nothing of the next is played, else the player's choice.
    const GameRecord &current = m_game.record();
    const bool currentPlayed = !current.steps().empty() && !(m_lastWon && current == *m_lastWon);
    const bool both = m_lastWon && currentPlayed;
    m_lGame->setVisible(both);
    m_cbGame->setVisible(both);
    const GameRecord &rec = m_lastWon && (!currentPlayed || m_cbGame->currentIndex() == 1) ? *m_lastWon : current;
    // The window shows best plays: a game still being played is assisted by it.
    if (!rec.won())
        emit showsGameInProgress();
    const auto sol = m_solver.request({rec.start().winner, rec.start().valid});
    if (!sol) {
        m_lStatus->setText(uiText(rec.start().valid ? "revWorkingBand" : "revWorking").arg(rec.start().winner));
        m_pbSolve->showFraction(m_solver.progress());
        m_pbSolve->show();
        return;
    }
    m_pbSolve->hide();
    // The review is worked out on the worker (a long game takes a while) and
    // shared with the statistics; the window shows it when it lands, the last
    // one staying in sight meanwhile.
    const auto review = m_solver.requestReview(rec, sol);
    if (!review) {
        if (!m_solution || rec.won())
            m_lStatus->setText(uiText("revReviewing"));
        return;
    }
    showReview(rec, sol, *review);
}

void ReviewWindow::setLastWon(std::shared_ptr<const GameRecord> record)
{
    m_lastWon = std::move(record);
    // A new win: the review follows the game on the table again.
    m_cbGame->setCurrentIndex(0);
    refreshSoon();
}

void ReviewWindow::showReview(const GameRecord &record, std::shared_ptr<const AdvisorSolution> solution)
{
    const GameReview review = reviewGame(record, *solution);
    showReview(record, std::move(solution), review);
}

void ReviewWindow::showReview(const GameRecord &record, std::shared_ptr<const AdvisorSolution> solution,
                              const GameReview &review)
{
    const int row = m_lvDecisions->currentRow();
    const bool atEnd = row < 0 || row == m_lvDecisions->count() - 1;
    m_record = record;
    m_solution = std::move(solution);
    m_review = review;
    m_chart->setReview(&m_review, &m_record);
    showSummary();
    fillDecisions();
    // The selection stays where it was, or follows the game at its end.
    const int count = int(m_review.decisions.size());
    const int to = count == 0 ? -1 : atEnd ? count - 1 : std::min(row, count - 1);
    if (to >= 0) {
        m_lvDecisions->setCurrentRow(to);
        m_chart->selectStep(m_review.decisions[size_t(to)].step);
        showMoment(to);
    } else {
        m_chart->selectStep(int(m_review.chart.size()) - 2);
        showMoment(-1);
    }
    // A won game's review reaches the practice with the statistics' own.
    if (m_solution->winnable() && !m_record.won())
        emit reviewed(m_record, m_review);
}

void ReviewWindow::showSummary()
{
    const GameReview &v = m_review;
    const RecordStart &start = m_record.start();
    if (!m_solution->winnable()) {
        m_lStatus->setText(start.winner > Advisor::maxWinner ? uiText("revTooLarge").arg(Advisor::maxWinner)
                                                           : uiText("revNeverReached").arg(start.winner));
    } else if (v.finished) {
        m_lStatus->setText(uiText("revWon").arg(QString::number(m_record.steps().empty() ? start.total : m_record.steps().back().total),
                                                  QString::number(m_record.steps().empty() ? start.roundNo : m_record.steps().back().roundNo)));
    } else if (m_record.steps().empty()) {
        m_lStatus->setText(uiText("revNothingYet"));
    } else {
        m_lStatus->setText(uiText("revInProgress"));
    }
    // The luck's sign says which way the dice went; the sentence after it says it in words.
    const QString luck = signedNumber(v.luck);
    const QString way = std::fabs(v.luck) < 0.005 ? QString()
            : QLatin1Char(' ') + uiText(v.luck > 0 ? "revLuckHelped" : "revLuckHurt");
    // One sentence per count, so each takes its own grammatical number.
    const auto rounds = [](const char *key, double r) { return uiPlural(key, r, 2).arg(number(r)); };
    QStringList summary{uiText(v.finished ? "revPlayed" : "revPlayedSoFar").arg(v.roundsPlayed)};
    // Positions no game reaches are not weighed: their figures are not numbers.
    const bool anyWeighed = std::any_of(v.chart.begin(), v.chart.end(), [](double x) { return std::isfinite(x); });
    if (!anyWeighed) {
        summary << uiText("revNothingWeighed");
    } else if (v.finished) {
        summary << rounds("revBestExpects", v.bestFromStart);
    } else {
        summary << rounds("revBestExpected", v.bestFromStart)
                << (std::isfinite(v.expectedAtEnd) ? rounds("revNowExpected", v.expectedAtEnd) : uiText("revNowUnknown"));
    }
    // A challenge won: your result and the best play's on the same dice
    // first, the rounds lost to decisions, which hold no luck, beside them.
    const QString challenge = m_challengeOf ? m_challengeOf(m_record) : QString();
    if (challenge.isEmpty())
        summary << rounds("revLostRounds", v.decisionsLost);
    else
        summary.prepend(challenge + QLatin1Char(' ') + uiText("chalWinLost").arg(number(v.decisionsLost)));
    summary << uiPlural("revLuckRounds", v.luck, 2).arg(luck);
    m_lSummary->setText(summary.join(QLatin1Char(' ')) + way);
    const auto count = [](const char *key, int n) { return uiPlural(key, n).arg(n); };
    m_lCounts->setText(uiText("revCountsLine").arg(count("revCountBest", v.count[0]), count("revCountInaccuracies", v.count[1]),
                                                    count("revCountMistakes", v.count[2]), count("revCountBlunders", v.count[3])));
    QStringList notes;
    if (start.opened)
        notes << uiText("revOpened").arg(start.roundNo);
    if (!v.rulesMatch)
        notes << uiText("revOtherRules");
    else if (!v.complete && m_solution->winnable())
        notes << uiText("revPartial");
    if (v.testSteps)
        notes << uiText("revTestSteps");
    m_lNote->setText(notes.join(QLatin1Char(' ')));
    m_lNote->setVisible(!notes.isEmpty());
}

QString ReviewWindow::diceText(const KeepOption &keep)
{
    QStringList faces;
    for (int f = 1; f <= 6; ++f)
        for (int k = 0; k < keep.count[f]; ++k)
            faces << QString::number(f);
    QString text = faces.join(QLatin1Char(' '));
    // A choice list taken at another entry than its first says which.
    for (const int face : {1, 5})
        if (!keep.entryText(face).isEmpty())
            text += QStringLiteral(" (") + keep.entryText(face) + QLatin1Char(')');
    return text;
}

QString ReviewWindow::playText(const AdvisorAction &a, qint32 roundPoints, bool past)
{
    const qint64 banked = qint64(roundPoints) + a.keep.points;
    QString t;
    if (a.keep.empty())
        t = uiText(past ? "revBanked" : "revBank").arg(banked);
    else if (a.bank)
        t = uiText(past ? "revKeptBanked" : "revKeepBank").arg(diceText(a.keep), QString::number(banked));
    else
        t = uiPlural(past ? "revKeptRolled" : "revKeepRoll", a.diceNext).arg(diceText(a.keep), QString::number(a.diceNext));
    if (a.bank && a.refused)
        t += QLatin1Char(' ') + uiText("revRefused");
    return t;
}

QString ReviewWindow::decisionSentence(int i) const
{
    if (i < 0 || i >= int(m_review.decisions.size()))
        return QString();
    const ReviewDecision &d = m_review.decisions[size_t(i)];
    const QString made = playText(d.made, d.roundPoints, true);
    if (!d.valued)
        return uiText("revItemUnvalued").arg(QString::number(d.round), made);
    if (d.rank == 1)
        return uiText("revItemBest").arg(QString::number(d.round), made);
    // Where the best play takes the same dice, it differs only in what follows.
    const bool sameDice = d.best.keep.sameAs(d.made.keep);
    QString best = playText(d.best, d.roundPoints, false);
    if (sameDice && !d.best.keep.empty()) {
        best = d.best.bank ? uiText("revBank").arg(qint64(d.roundPoints) + d.best.keep.points)
                           : uiPlural("revRoll", d.best.diceNext).arg(d.best.diceNext);
        if (d.best.bank && d.best.refused)
            best += QLatin1Char(' ') + uiText("revRefused");
    }
    if (d.cls == DecisionClass::Best)
        return uiPlural("revItemSmall", d.cost, 2).arg(QString::number(d.round), made, best, number(d.cost));
    return uiPlural("revItem", d.cost, 2).arg(QString::number(d.round), made, best, number(d.cost), uiText(kClassKeys[int(d.cls)]));
}

void ReviewWindow::fillDecisions()
{
    const QSignalBlocker block(m_lvDecisions);
    m_lvDecisions->clear();
    for (int i = 0; i < int(m_review.decisions.size()); ++i) {
        auto *item = new QListWidgetItem(decisionSentence(i), m_lvDecisions);
        const ReviewDecision &d = m_review.decisions[size_t(i)];
        item->setData(Qt::AccessibleTextRole, item->text());
        if (d.valued && d.cls != DecisionClass::Best) {
            // The class's mark beside its sentence, as on the chart.
            QPixmap mark(QSize(14, 14) * devicePixelRatioF());
            mark.setDevicePixelRatio(devicePixelRatioF());
            mark.fill(Qt::transparent);
            QPainter p(&mark);
            p.setRenderHint(QPainter::Antialiasing);
            drawMark(p, d.cls, QPointF(7, 7.5), 5.5, palette().color(QPalette::Text));
            p.end();
            item->setIcon(QIcon(mark));
        }
    }
}

void ReviewWindow::followChart(int step)
{
    // The decision at the step, else the last one before it.
    int row = -1;
    for (int i = 0; i < int(m_review.decisions.size()) && m_review.decisions[size_t(i)].step <= step; ++i)
        row = i;
    {
        const QSignalBlocker block(m_lvDecisions);
        m_lvDecisions->setCurrentRow(row);
    }
    showMoment(row);
    // What the chart shows at the step, for a screen reader.
    m_chart->setAccessibleDescription(stepSentence(step));
    QAccessibleEvent e(m_chart, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&e);
}

QString ReviewWindow::stepSentence(int step) const
{
    if (step < 0)
        return std::isfinite(m_review.chart.front())
                ? uiPlural("revChartStart", m_review.chart.front(), 2).arg(number(m_review.chart.front()))
                : uiText("revNowUnknown");
    if (step >= int(m_record.steps().size()))
        return QString();
    const RecordStep &s = m_record.steps()[size_t(step)];
    const double v = m_review.chart[size_t(step) + 1];
    QString said;
    if (s.kind == RecordStep::Keep) {
        said = decisionSentence(m_review.decisionAt[size_t(step)]);
    } else if (s.kind == RecordStep::Roll) {
        QStringList faces;
        for (int n = 1; n <= 6; ++n)
            if (s.faces[n])
                faces << QString::number(s.faces[n]);
        said = uiText("revChartRoll").arg(QString::number(s.roundNo), faces.join(QLatin1Char(' ')));
        for (const ReviewRoll &roll : m_review.rolls)
            if (roll.step == step && roll.valued && !roll.test)
                said += QStringLiteral("; ") + uiPlural("revChartLuck", roll.luck, 2).arg(signedNumber(roll.luck));
    } else {
        // A round end carries the round number after it, but for the winning one.
        const bool last = m_review.finished && step + 1 == int(m_record.steps().size());
        said = uiText("revChartRoundEnd").arg(QString::number(s.roundNo - (last ? 0 : 1)), QString::number(s.total));
    }
    if (std::isfinite(v))
        said += QStringLiteral("; ") + uiText("revChartValue").arg(number(v));
    return said;
}

void ReviewWindow::showMoment(int i)
{
    m_lvRanking->clear();
    if (i < 0 || i >= int(m_review.decisions.size())) {
        m_lMoment->setText(m_review.decisions.empty() ? uiText("revNoDecisions") : QString());
        for (int n = 1; n <= 6; ++n)
            m_dice[n]->setVisible(false);
        return;
    }
    const ReviewDecision &d = m_review.decisions[size_t(i)];
    const auto &steps = m_record.steps();
    // The dice as they lay: the roll's faces, the dice kept back showing what
    // they showed when they were last rolled this round.
    int face[7] = {}, state[7] = {};
    if (d.rollStep >= 0) {
        const RecordStep &roll = steps[size_t(d.rollStep)];
        for (int n = 1; n <= 6; ++n) {
            face[n] = roll.faces[n];
            state[n] = roll.faces[n] ? TRxDice::Free : TRxDice::Kept;
        }
        for (int k = d.rollStep - 1; k >= 0 && steps[size_t(k)].kind != RecordStep::RoundEnd; --k)
            for (int n = 1; n <= 6; ++n)
                if (!face[n] && steps[size_t(k)].kind == RecordStep::Roll && steps[size_t(k)].faces[n])
                    face[n] = steps[size_t(k)].faces[n];
        // The dice taken: the first free ones showing each face, as the game takes them.
        bool takeable[7] = {}, taken[7] = {};
        for (int n = 1; n <= 6; ++n)
            takeable[n] = state[n] == TRxDice::Free;
        diceTaken(d.made.keep.count, face, takeable, taken);
        for (int n = 1; n <= 6; ++n)
            if (taken[n])
                state[n] = TRxDice::Selected;
    }
    for (int n = 1; n <= 6; ++n) {
        m_dice[n]->setVisible(face[n] >= 1 && face[n] <= 6);
        m_dice[n]->setValue(face[n]);
        m_dice[n]->setDieState(state[n]);
    }
    QStringList rolled;
    for (int f = 1; f <= 6; ++f)
        for (int k = 0; k < d.rolled[f]; ++k)
            rolled << QString::number(f);
    m_lMoment->setText(uiText("revMoment").arg(QString::number(d.round), QString::number(d.total), QString::number(d.roundPoints),
                                                 rolled.isEmpty() ? QStringLiteral("-") : rolled.join(QLatin1Char(' '))));
    applyTexts();
    if (!d.valued || !m_solution)
        return;
    const QVector<AdvisorAction> ranked = m_solution->rankActions(d.total, d.roundPoints, d.rolled);
    for (int k = 0; k < ranked.size(); ++k) {
        const AdvisorAction &a = ranked[k];
        const bool played = a.bank == d.made.bank && a.keep.points == d.made.keep.points && a.keep.sameAs(d.made.keep);
        if (k >= AdvisorSolution::rankingShown && !played)
            continue;
        QString t = uiText("revRankItem").arg(number(a.rounds, 3), playText(a, d.roundPoints, false));
        if (played)
            t += QLatin1Char(' ') + uiText("revYourPlay");
        auto *item = new QListWidgetItem(t, m_lvRanking);
        if (played) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
    }
}
