// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window and its two charts.
#include "app/StatisticsWindow.h"
#include "app/ChartAxis.h"

#include "widgets/Appearance.h"
#include "widgets/Prompts.h"
#include "app/SolveProgressBar.h"
#include "game/SolveService.h"
#include "records/ChallengeFile.h"
#include "base/KvxError.h"
#include "base/UiTexts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QAbstractTableModel>
#include <QTableView>
#include <QTableWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Rows of the figures table, in order: key of the row's name in the language table.
const char *const kFigureRows[] = {"statGames",        "statSetAside",    "statAverageRounds", "statMedianRounds",
                                   "statBestRounds",   "statAverageTime", "statBestTime",      "statAverageRating",
                                   "statBestMean",     "statBestMedian",  "statBestNinety"};

QString timeText(double seconds)
{
    const qint64 s = qint64(std::llround(seconds));
    const QString ms = QStringLiteral("%1:%2").arg(s / 60 % 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    return s >= 3600 ? QStringLiteral("%1:%2").arg(s / 3600).arg(ms.rightJustified(5, QLatin1Char('0'))) : ms;
}

QString number(double v, int decimals)
{
    return QLocale().toString(v, 'f', decimals);
}

QTableWidgetItem *cell(const QString &text, bool right = false)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (right)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

template<class View>
void setUpTable(View *t, const char *name)
{
    t->setObjectName(QString::fromLatin1(name));
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setTabKeyNavigation(false);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    // Column widths from the first rows only: a table of thousands opens at once.
    t->horizontalHeader()->setResizeContentsPrecision(64);
}

// The colours of a chart: the palette's own, so light, dark and high-contrast
// themes read alike; the best play's line is the text colour, the player's
// bars the highlight.
struct ChartColours
{
    QColor back, text, grid, bars, barEdge, line;
    explicit ChartColours(const QPalette &p)
        : back(p.color(QPalette::Base)), text(p.color(QPalette::Text)), grid(p.color(QPalette::Mid)),
          bars(p.color(QPalette::Highlight)), barEdge(p.color(QPalette::Text)), line(p.color(QPalette::Text))
    {
        grid.setAlphaF(0.5);
        bars.setAlphaF(0.75);
    }
};

struct Plot
{
    QRectF area;
    double xMin, xMax, yMax;
    double x(double v) const { return area.left() + (v - xMin) / (xMax - xMin) * area.width(); }
    double y(double v) const { return area.bottom() - v / yMax * area.height(); }
};

// Frame, grid and tick labels; returns the plotting area.
Plot drawAxes(QPainter &p, const QRectF &r, const ChartColours &c, double xMin, double xMax, double yMax,
              bool percent, const QString &xTitle)
{
    const QFontMetricsF fm(p.font());
    const double yStep = ChartAxis::tickStep(yMax, 4);
    yMax = std::max(yStep, std::ceil(yMax / yStep - 1e-9) * yStep);
    const auto yLabel = [&](double v) {
        return percent ? uiText("statPercent").arg(number(100 * v, yStep * 100 < 1 ? 1 : 0)) : number(v, yStep < 1 ? 1 : 0);
    };
    const double left = fm.horizontalAdvance(yLabel(yMax)) + fm.height() * 0.6;
    Plot plot{QRectF(r.left() + left, r.top() + fm.height() * 2.4, r.width() - left - fm.height() * 0.8,
                     r.height() - fm.height() * 4.4),
              xMin, xMax, yMax};
    const ChartAxis::ValueLines lines{QPen(c.grid, 0), c.text, r.left(), left - fm.height() * 0.3, fm.height()};
    // A few lines and ticks each, whatever the values (a step lost in a huge
    // value would not move on).
    constexpr int kTicks = 40;
    for (int i = 0; i <= kTicks && i * yStep <= yMax + 1e-9; ++i)
        ChartAxis::drawValueLine(p, plot.area, plot.y(i * yStep), lines, yLabel(i * yStep));
    const double xStep = ChartAxis::wholeStep(xMax - xMin, 8);
    p.setPen(c.text);
    const double xFirst = std::ceil(xMin / xStep) * xStep;
    for (int i = 0; i <= kTicks && xFirst + i * xStep <= xMax + 1e-9; ++i) {
        const double v = xFirst + i * xStep;
        const double x = plot.x(v);
        p.drawLine(QPointF(x, plot.area.bottom()), QPointF(x, plot.area.bottom() + fm.height() * 0.25));
        p.drawText(QRectF(x - 40, plot.area.bottom() + fm.height() * 0.3, 80, fm.height()), Qt::AlignHCenter,
                   number(v, 0));
    }
    p.drawLine(plot.area.bottomLeft(), plot.area.bottomRight());
    p.drawLine(plot.area.bottomLeft(), plot.area.topLeft());
    p.drawText(QRectF(plot.area.left(), r.bottom() - fm.height() * 1.2, plot.area.width(), fm.height() * 1.2),
               Qt::AlignHCenter | Qt::AlignBottom, xTitle);
    return plot;
}

} // namespace

// A table whose cells are worked out when shown.
class TextTable : public QAbstractTableModel
{
public:
    using Text = std::function<QString(int row, int column)>;
    // Columns of numbers are set right; `textColumn` (if any) left.
    TextTable(const QStringList &headers, int textColumn, QObject *parent)
        : QAbstractTableModel(parent), m_headers(headers), m_textColumn(textColumn)
    {
    }

    void setHeaders(const QStringList &headers)
    {
        m_headers = headers;
        emit headerDataChanged(Qt::Horizontal, 0, int(headers.size()) - 1);
    }
    void reset(int rows, Text text)
    {
        beginResetModel();
        m_rows = rows;
        m_text = std::move(text);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || !m_text)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return m_text(index.row(), index.column());
        if (role == Qt::TextAlignmentRole && index.column() != m_textColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
            return m_headers[section];
        return QAbstractTableModel::headerData(section, o, role);
    }

private:
    QStringList m_headers;
    int m_textColumn = -1;
    int m_rows = 0;
    Text m_text;
};

// ------------------------------------------------------------------ charts

RoundsChart::RoundsChart(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(320, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize RoundsChart::sizeHint() const
{
    return QSize(480, 260);
}

void RoundsChart::setData(const std::vector<RoundsBucket> &buckets, double playerMean, double bestMean)
{
    m_buckets = buckets;
    m_playerMean = playerMean;
    m_bestMean = bestMean;
    update();
}

void RoundsChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const ChartColours c(palette());
    p.fillRect(rect(), c.back);
    if (m_buckets.empty())
        return;
    const int last = m_buckets.back().to;
    double playerTop = 0, bestTop = 0;
    for (const RoundsBucket &b : m_buckets) {
        playerTop = std::max(playerTop, b.share);
        bestTop = std::max(bestTop, b.bestShare);
    }
    // The scale follows the best play's curve: a bar of a few games (one game
    // is a bar of 100 %) would flatten it. A bar taller than the scale is cut
    // at the top, with its share written on it.
    const double yMax = bestTop > 0 && playerTop > 2 * bestTop ? 1.5 * bestTop : std::max(playerTop, bestTop);
    const Plot plot = drawAxes(p, QRectF(rect()).adjusted(4, 4, -4, -4), c, 0.5, last + 0.5, std::max(yMax, 0.01),
                               true, uiText("statRoundsAxis"));
    const QFontMetricsF fm(p.font());
    // the player's bars, each as wide as the rounds it holds
    for (const RoundsBucket &b : m_buckets) {
        const double share = b.share;
        if (share <= 0)
            continue;
        const bool cut = share > plot.yMax;
        const double top = cut ? plot.area.top() : plot.y(share);
        const double left = plot.x(b.from - 0.5), right = plot.x(b.to + 0.5);
        const double w = right - left;
        const QRectF bar(left + w * 0.1, top, w * 0.8, plot.area.bottom() - top);
        p.setPen(QPen(c.barEdge, 0));
        p.setBrush(c.bars);
        p.drawRect(bar);
        if (cut) {
            // A break across the bar, and its share beside it, above the curve.
            const double y = plot.area.top() + fm.height() * 0.6;
            p.setPen(QPen(c.back, 3));
            p.drawLine(QPointF(bar.left() - 2, y + 2), QPointF(bar.right() + 2, y - 2));
            p.setPen(c.text);
            const QString label = uiText("statPercent").arg(number(100 * share, 0));
            const double tw = fm.horizontalAdvance(label);
            const double lx = bar.right() + 4 + tw <= plot.area.right() ? bar.right() + 4 : bar.left() - 4 - tw;
            p.drawText(QPointF(lx, y + fm.height() + fm.ascent() / 2), label);
        }
    }
    // the best play's line, with a point at the middle of each bar
    QPainterPath line;
    for (const RoundsBucket &b : m_buckets) {
        const QPointF pt(plot.x((b.from + b.to) / 2.0), plot.y(b.bestShare));
        line.elementCount() == 0 ? line.moveTo(pt) : line.lineTo(pt);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.line, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    // the two means: the player's dashed, the best play's dotted
    const auto mark = [&](double mean, Qt::PenStyle style, const QString &label, int row) {
        if (!(mean > 0.5 && mean < last + 0.5))
            return;
        const double x = plot.x(mean);
        p.setPen(QPen(c.text, 1.5, style));
        p.drawLine(QPointF(x, plot.area.top() - fm.height() * 0.2), QPointF(x, plot.area.bottom()));
        const double tw = fm.horizontalAdvance(label);
        const double lx = std::clamp(x - tw / 2, 0.0, width() - tw);
        p.drawText(QPointF(lx, plot.area.top() - fm.descent() - fm.height() * (0.3 + row)), label);
    };
    mark(m_bestMean, Qt::DotLine, uiText("statBestMeanMark").arg(number(m_bestMean, 1)), 0);
    mark(m_playerMean, Qt::DashLine, uiText("statYourMeanMark").arg(number(m_playerMean, 1)),
         std::fabs(plot.x(m_playerMean) - plot.x(m_bestMean)) < fm.horizontalAdvance(QStringLiteral("0000000000000")) ? 1 : 0);
}

TrendChart::TrendChart(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(320, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize TrendChart::sizeHint() const
{
    return QSize(480, 200);
}

void TrendChart::setData(const std::vector<double> &values)
{
    m_values = values;
    update();
}

void TrendChart::setTexts(const char *axisKey, const char *emptyKey)
{
    m_axisKey = axisKey;
    m_emptyKey = emptyKey;
    update();
}

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const ChartColours c(palette());
    p.fillRect(rect(), c.back);
    if (m_values.empty()) {
        p.setPen(c.text);
        p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, uiText(m_emptyKey));
        return;
    }
    // More games than a few pixels each: each point is the mean of a run of
    // games, which also shows the trend through the scatter of single games.
    const int n = int(m_values.size());
    const int points = std::max(1, std::min(n, width() / 4));
    std::vector<std::pair<double, double>> means; // game (x), rounds lost (y)
    double top = 0.5;
    for (int k = 0; k < points; ++k) {
        const int from = int(qint64(n) * k / points), to = int(qint64(n) * (k + 1) / points);
        double sum = 0;
        for (int i = from; i < to; ++i)
            sum += std::max(0.0, m_values[size_t(i)]);
        means.emplace_back((from + to + 1) / 2.0, sum / std::max(1, to - from));
        top = std::max(top, means.back().second);
    }
    const Plot plot = drawAxes(p, QRectF(rect()).adjusted(4, 4, -4, -4), c, 0.5, std::max(n, 2) + 0.5, top, false,
                               uiText(m_axisKey));
    QPainterPath line;
    std::vector<QPointF> dots;
    for (const auto &[x, y] : means) {
        const QPointF pt(plot.x(x), plot.y(y));
        dots.empty() ? line.moveTo(pt) : line.lineTo(pt);
        dots.push_back(pt);
    }
    // The line in the text colour reads on any theme; the dots carry the highlight.
    p.setPen(QPen(c.line, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    QColor solid = c.bars;
    solid.setAlphaF(1);
    p.setBrush(solid);
    p.setPen(QPen(c.text, 0));
    if (points <= 60)
        for (const QPointF &pt : dots)
            p.drawEllipse(pt, 2.5, 2.5);
}

// ------------------------------------------------------------------ the window

StatisticsWindow::StatisticsWindow(Prompts &prompts, SolveService &solver, QWidget *parent)
    : SideWindow(parent), m_prompts(prompts), m_solver(solver)
{
    m_reader.setMaxThreadCount(1);
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(uiText("statTitle"));
    Appearance::keepHighlightReadable(this);
    buildFigures();
    buildCharts();

    btReset = new QPushButton(uiText("statReset"), this);
    btReset->setObjectName(QStringLiteral("btReset"));
    btReset->setAccessibleName(uiText("statResetName"));
    btClose = new QPushButton(uiText("statClose"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    btClose->setAccessibleName(uiText("statClose"));
    connect(btReset, &QPushButton::clicked, this, &StatisticsWindow::reset);
    connect(btClose, &QPushButton::clicked, this, &QWidget::close);
    connect(cbRules, &QComboBox::activated, this, [this](int i) {
        if (i >= 0 && i < m_choices.size()) {
            m_shown = m_choices[i];
            showChosen();
        }
    });
    connect(&m_solver, &SolveService::solved, this, &StatisticsWindow::solutionReady);
    connect(&m_solver, &SolveService::distributionReady, this, &StatisticsWindow::solutionReady);
    layOut();

    const QList<QWidget *> order{cbRules, tbFigures, tbRounds, tbTrend, btReset, btClose};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Wide enough for the charts beside the figures where the screen allows.
    resize(1080, 640);
    Appearance::showPlainText(this);
}

void StatisticsWindow::buildFigures()
{
    lNotice = new QLabel(this);
    lNotice->setObjectName(QStringLiteral("lNotice"));
    lNotice->setWordWrap(true);
    lNotice->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    lNotice->setFocusPolicy(Qt::StrongFocus);
    lNotice->hide();

    lRules = new QLabel(uiText("statRules"), this);
    lRules->setObjectName(QStringLiteral("lRules"));
    cbRules = new QComboBox(this);
    cbRules->setObjectName(QStringLiteral("cbRules"));
    cbRules->setAccessibleName(uiText("statRulesName"));
    // As wide as its longest rules' name in the language in force, whatever the style's margins.
    cbRules->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lRules->setBuddy(cbRules);
    lBest = new QLabel(this);
    lBest->setObjectName(QStringLiteral("lBest"));
    lBest->setWordWrap(true);
    lChallenges = new QLabel(this);
    lChallenges->setObjectName(QStringLiteral("lChallenges"));
    lChallenges->setTextFormat(Qt::PlainText);
    lChallenges->setWordWrap(true);
    lChallenges->hide();
    // While the best play of the rules shown is being worked out.
    m_pbSolve = new SolveProgressBar(m_solver, "advProgress", this);
    m_pbSolve->setAccessibleName(uiText("advProgressName"));

    tbFigures = new QTableWidget(0, 2, this);
    tbFigures->setHorizontalHeaderLabels({uiText("statFigure"), uiText("statValue")});
    setUpTable(tbFigures, "tbFigures");
    tbFigures->setAccessibleName(uiText("statFiguresName"));
    tbFigures->setRowCount(int(std::size(kFigureRows)));
    for (int i = 0; i < int(std::size(kFigureRows)); ++i) {
        tbFigures->setItem(i, 0, cell(uiText(kFigureRows[i])));
        tbFigures->setItem(i, 1, cell(QString(), true));
    }

    // The figures table shows its two columns whole.
    tbFigures->horizontalHeader()->setStretchLastSection(false);
    tbFigures->resizeColumnsToContents();
    tbFigures->resizeRowsToContents();
    tbFigures->setColumnWidth(1, tbFigures->fontMetrics().horizontalAdvance(QStringLiteral("0000:00:00")) + 16);
    tbFigures->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tbFigures->setMinimumWidth(tbFigures->horizontalHeader()->length() + 2 * tbFigures->frameWidth()
                               + tbFigures->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    tbFigures->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void StatisticsWindow::buildCharts()
{
    lRoundsCaption = new QLabel(uiText("statRoundsCaption"), this);
    lRoundsCaption->setObjectName(QStringLiteral("lRoundsCaption"));
    lRoundsCaption->setWordWrap(true);
    chRounds = new RoundsChart(this);
    chRounds->setObjectName(QStringLiteral("chRounds"));
    chRounds->setAccessibleName(uiText("statRoundsCaption"));
    chRounds->setAccessibleDescription(uiText("statChartTable"));
    m_rounds = new TextTable({uiText("statRoundsColumn"), uiText("statYourGames"), uiText("statYourShare"),
                              uiText("statBestShare")},
                             -1, this);
    tbRounds = new QTableView(this);
    tbRounds->setModel(m_rounds);
    setUpTable(tbRounds, "tbRounds");
    tbRounds->setAccessibleName(uiText("statRoundsTableName"));

    lTrendCaption = new QLabel(uiText("statTrendCaption"), this);
    lTrendCaption->setObjectName(QStringLiteral("lTrendCaption"));
    lTrendCaption->setWordWrap(true);
    chTrend = new TrendChart(this);
    chTrend->setObjectName(QStringLiteral("chTrend"));
    chTrend->setAccessibleName(uiText("statTrendCaption"));
    chTrend->setAccessibleDescription(uiText("statChartTable"));
    m_trend = new TextTable({uiText("statGameColumn"), uiText("statDateColumn"), uiText("statRoundsColumn"),
                             uiText("statLostColumn"), uiText("statLuckColumn")},
                            1, this);
    tbTrend = new QTableView(this);
    tbTrend->setModel(m_trend);
    setUpTable(tbTrend, "tbTrend");
    tbTrend->setAccessibleName(uiText("statTrendTableName"));
}

void StatisticsWindow::layOut()
{
    // The figures beside the charts, each chart beside its table; where the
    // window is too narrow for that, one below the other, scrolled.
    m_body = new QBoxLayout(QBoxLayout::LeftToRight);
    m_body->addWidget(tbFigures);
    auto *charts = new QVBoxLayout;
    charts->addWidget(lRoundsCaption);
    m_roundsRow = new QBoxLayout(QBoxLayout::LeftToRight);
    m_roundsRow->addWidget(chRounds, 4);
    m_roundsRow->addWidget(tbRounds, 3);
    charts->addLayout(m_roundsRow, 3);
    charts->addWidget(lTrendCaption);
    m_trendRow = new QBoxLayout(QBoxLayout::LeftToRight);
    m_trendRow->addWidget(chTrend, 4);
    m_trendRow->addWidget(tbTrend, 3);
    charts->addLayout(m_trendRow, 2);
    m_body->addLayout(charts, 1);
    auto *content = new QWidget;
    content->setLayout(m_body);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("saBody"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(content);

    auto *top = new QHBoxLayout;
    top->addWidget(lRules);
    top->addWidget(cbRules);
    top->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btReset);
    buttons->addStretch();
    buttons->addWidget(btClose);

    auto *main = new QVBoxLayout(this);
    main->addWidget(lNotice);
    main->addLayout(top);
    main->addWidget(lBest);
    main->addWidget(lChallenges);
    main->addWidget(m_pbSolve);
    main->addWidget(m_scroll, 1);
    main->addLayout(buttons);
}

int StatisticsWindow::sideBySideWidth() const
{
    const int spacing = std::max(0, m_body->spacing());
    const auto row = [spacing](const QWidget *chart, const QWidget *table) {
        return chart->minimumWidth() + spacing + table->minimumWidth();
    };
    return tbFigures->minimumWidth() + spacing
            + std::max(row(chRounds, tbRounds), row(chTrend, tbTrend));
}

void StatisticsWindow::arrange()
{
    const bool narrow = m_scroll->contentsRect().width() < sideBySideWidth();
    const auto direction = narrow ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    if (m_body->direction() == direction)
        return;
    for (QBoxLayout *l : {m_body, m_roundsRow, m_trendRow})
        l->setDirection(direction);
    // One below the other, each table shows a fair number of rows and the
    // figures whole; the window scrolls.
    const auto rows = [](const QAbstractItemView *t, int n) {
        return n * std::max(1, t->fontMetrics().height() + 6) + 2 * t->fontMetrics().height() + 2 * t->frameWidth();
    };
    tbFigures->setMinimumHeight(narrow ? rows(tbFigures, tbFigures->rowCount()) : 0);
    tbFigures->setSizePolicy(narrow ? QSizePolicy::Preferred : QSizePolicy::Fixed, QSizePolicy::Expanding);
    for (QTableView *t : {tbRounds, tbTrend})
        t->setMinimumHeight(narrow ? rows(t, 8) : 0);
}

void StatisticsWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}

QString StatisticsWindow::rulesName(const RuleSet &r) const
{
    return uiText(r.band ? "statRulesBand" : "statRulesPlain").arg(r.winner);
}

void StatisticsWindow::applyTexts()
{
    setWindowTitle(uiText("statTitle"));
    lRules->setText(uiText("statRules"));
    cbRules->setAccessibleName(uiText("statRulesName"));
    tbFigures->setHorizontalHeaderLabels({uiText("statFigure"), uiText("statValue")});
    tbFigures->setAccessibleName(uiText("statFiguresName"));
    for (int i = 0; i < int(std::size(kFigureRows)); ++i)
        tbFigures->item(i, 0)->setText(uiText(kFigureRows[i]));
    lRoundsCaption->setText(uiText("statRoundsCaption"));
    chRounds->setAccessibleName(uiText("statRoundsCaption"));
    chRounds->setAccessibleDescription(uiText("statChartTable"));
    m_rounds->setHeaders({uiText("statRoundsColumn"), uiText("statYourGames"), uiText("statYourShare"),
                          uiText("statBestShare")});
    tbRounds->setAccessibleName(uiText("statRoundsTableName"));
    lTrendCaption->setText(uiText("statTrendCaption"));
    chTrend->setAccessibleName(uiText("statTrendCaption"));
    chTrend->setAccessibleDescription(uiText("statChartTable"));
    m_trend->setHeaders({uiText("statGameColumn"), uiText("statDateColumn"), uiText("statRoundsColumn"),
                         uiText("statLostColumn"), uiText("statLuckColumn")});
    tbTrend->setAccessibleName(uiText("statTrendTableName"));
    m_pbSolve->setAccessibleName(uiText("advProgressName"));
    btReset->setText(uiText("statReset"));
    btReset->setAccessibleName(uiText("statResetName"));
    btClose->setText(uiText("statClose"));
    btClose->setAccessibleName(uiText("statClose"));
    // Room for the whole caption in any language, the style's margins beside it.
    for (QPushButton *b : {btReset, btClose}) {
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b)
                + b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b);
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 2 * margin + 4);
    }
    tbFigures->resizeColumnToContents(0);
    tbFigures->setMinimumWidth(tbFigures->horizontalHeader()->length() + 2 * tbFigures->frameWidth()
                               + tbFigures->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    arrange();
}

void StatisticsWindow::showRules(const RuleSet &inForce)
{
    // The texts of the language in force, which may have changed since the last opening.
    applyTexts();
    m_inForce = inForce;
    m_shown = inForce;
    reload();
}

StatisticsWindow::~StatisticsWindow()
{
    m_reader.waitForDone();
}

void StatisticsWindow::reload()
{
    m_path = Statistics::fileName();
    const int asked = ++m_readsAsked;
    m_reader.start([this, asked, path = m_path, table = ChallengeFile::fileName()] {
        const StatsData data = Statistics::load(path);
        // The challenge table, as far as its bound: its wins by rules.
        std::map<RuleSet, int> wins;
        for (const ChallengeResult &r : ChallengeFile::load(table).results)
            ++wins[r.rules];
        QMetaObject::invokeMethod(this, [this, asked, data, wins] {
            m_readsDone = asked;
            if (asked == m_readsAsked) {
                m_challengeWins = wins;
                dataRead(data);
            }
        }, Qt::QueuedConnection);
    });
    // Busy until the file is read, as while the best play is solved.
    m_pbSolve->setRange(0, 0);
    m_pbSolve->show();
}

void StatisticsWindow::dataRead(const StatsData &data)
{
    m_data = data;
    m_pbSolve->setRange(0, 1000);
    const QString file = QDir::toNativeSeparators(m_path);
    QString notice;
    switch (m_data.status) {
    case StatsData::Damaged:
        notice = uiText("statDamaged").arg(file, m_data.problem);
        break;
    case StatsData::Partial:
        notice = uiText("statPartial").arg(file, QString::number(m_data.skipped + m_data.unreadTotals));
        break;
    case StatsData::Future:
        notice = uiText("statFuture").arg(file);
        break;
    default:
        break;
    }
    lNotice->setText(notice);
    lNotice->setAccessibleName(notice);
    lNotice->setVisible(!notice.isEmpty());
    fillRuleChoice();
    showChosen();
}

void StatisticsWindow::fillRuleChoice()
{
    m_choices = m_data.ruleSets();
    if (!m_choices.contains(m_inForce))
        m_choices.prepend(m_inForce);
    if (!m_choices.contains(m_shown))
        m_shown = m_inForce;
    cbRules->clear();
    for (const RuleSet &r : m_choices)
        cbRules->addItem(r == m_inForce ? uiText("statInForce").arg(rulesName(r)) : rulesName(r));
    cbRules->setCurrentIndex(int(m_choices.indexOf(m_shown)));
    cbRules->setEnabled(m_choices.size() > 1);
}

void StatisticsWindow::setFigure(const char *key, const QString &value)
{
    for (int i = 0; i < int(std::size(kFigureRows)); ++i)
        if (qstrcmp(kFigureRows[i], key) == 0)
            tbFigures->item(i, 1)->setText(value);
}

QString StatisticsWindow::figure(const char *key) const
{
    for (int i = 0; i < int(std::size(kFigureRows)); ++i)
        if (qstrcmp(kFigureRows[i], key) == 0)
            return tbFigures->item(i, 1)->text();
    return QString();
}

void StatisticsWindow::solutionReady()
{
    if (reading())
        return; // shown with the file
    if (isVisible() || !m_data.games.isEmpty() || m_data.status != StatsData::Absent)
        showChosen();
}

void StatisticsWindow::showChosen()
{
    // Challenges won, counted apart: shown once there are any.
    const auto wins = m_challengeWins.find(m_shown);
    const QString challenges = m_challengeWins.empty() ? QString()
            : uiText("chalStatWon").arg(rulesName(m_shown),
                                        QLocale().toString(wins == m_challengeWins.end() ? 0 : wins->second),
                                        uiText("aChallengeTable").remove(QLatin1Char('&')));
    lChallenges->setText(challenges);
    lChallenges->setVisible(!challenges.isEmpty());
    const StatsFigures f = statsFigures(m_data, m_shown);
    showFigures(f);
    const int firstRow = showRounds(f);
    showTrend(f);
    // Each table as wide as its columns, so no figure is cut at the side.
    for (QTableView *t : {tbRounds, tbTrend}) {
        // A stretched last column takes what is left, which may be too little.
        t->horizontalHeader()->setStretchLastSection(false);
        t->resizeColumnsToContents();
        t->setMinimumWidth(t->horizontalHeader()->length() + 2 * t->frameWidth()
                           + t->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    }
    arrange();
    // The rounds table opens at the player's rows, once the table has its size.
    const auto scroll = [this, firstRow] {
        if (firstRow < m_rounds->rowCount())
            tbRounds->scrollTo(m_rounds->index(firstRow, 0), QAbstractItemView::PositionAtTop);
    };
    scroll();
    QMetaObject::invokeMethod(this, scroll, Qt::QueuedConnection);
}

void StatisticsWindow::showFigures(const StatsFigures &f)
{
    const StatsTotals &t = f.totals;
    const QString none = uiText("statNone");
    const bool any = t.games > 0;
    setFigure("statGames", QLocale().toString(t.games));
    setFigure("statSetAside", QLocale().toString(t.setAside));
    setFigure("statAverageRounds", any ? number(f.averageRounds, 2) : none);
    setFigure("statMedianRounds", f.keptGames > 0 ? number(f.medianRounds, f.medianRounds == std::floor(f.medianRounds) ? 0 : 1) : none);
    setFigure("statBestRounds", any && t.bestRounds > 0 ? QString::number(t.bestRounds) : none);
    setFigure("statAverageTime", any ? timeText(f.averageSeconds) : none);
    setFigure("statBestTime", any && t.bestSeconds > 0 ? timeText(t.bestSeconds) : none);
    // A rating is written as the score display and the top ten write it: no group separator.
    QLocale ratingLocale;
    ratingLocale.setNumberOptions(QLocale::OmitGroupSeparator);
    setFigure("statAverageRating", any ? ratingLocale.toString(f.averageRating, 'f', 0) : none);
}

int StatisticsWindow::showRounds(const StatsFigures &f)
{
    const QString none = uiText("statNone");
    // Asked of the solve service, which works the best play and its spread
    // of rounds out on its worker; meanwhile its progress shows.
    const std::shared_ptr<const AdvisorSolution> best = m_solver.request(m_shown);
    m_pbSolve->showFraction(m_solver.progress());
    m_pbSolve->setVisible(!best || best->distributionDue());
    const bool solved = best && best->winnable() && best->hasDistribution();
    const QString waiting = !best || best->distributionDue() ? uiText("statSolving")
            : !best->winnable()                ? uiText("statUnwinnable")
                                               : uiText("statTooLarge").arg(AdvisorSolution::distributionLimit);
    setFigure("statBestMean", solved ? number(best->distributionMean(), 2) : waiting);
    setFigure("statBestMedian", solved ? QString::number(best->roundsForChance(0.5)) : waiting);
    setFigure("statBestNinety", solved ? QString::number(best->roundsForChance(0.9)) : waiting);
    lBest->setText(solved ? uiPlural("statBestLine", best->distributionMean(), 2).arg(rulesName(m_shown), number(best->distributionMean(), 2))
                          : f.totals.games == 0 ? uiText("statNoGames").arg(rulesName(m_shown)) : waiting);

    // The histogram: as far as the player's longest game and the best play's
    // 99th percentile, in buckets of several rounds where that is far.
    int last = f.roundsCount.empty() ? 0 : f.roundsCount.rbegin()->first;
    if (solved)
        last = std::max(last, best->roundsForChance(0.99));
    const std::vector<RoundsBucket> buckets = roundsBuckets(
            f.roundsCount, f.keptGames, solved ? best->roundsDistribution() : std::vector<double>(), last);
    chRounds->setData(buckets, f.keptGames > 0 ? f.averageRounds : 0, solved ? best->distributionMean() : 0);
    const int kept = f.keptGames;
    m_rounds->reset(int(buckets.size()), [buckets, kept, solved, none, waiting](int row, int column) {
        const RoundsBucket &b = buckets[size_t(row)];
        switch (column) {
        case 0:
            return b.from == b.to ? QString::number(b.from)
                                  : QStringLiteral("%1\u2013%2").arg(QString::number(b.from), QString::number(b.to));
        case 1:
            return QString::number(b.games);
        case 2:
            return kept > 0 ? uiText("statPercent").arg(number(100.0 * b.share, 1)) : none;
        default:
            return solved ? uiText("statPercent").arg(number(100.0 * b.bestShare, 1)) : waiting;
        }
    });
    // A row above the player's fewest rounds at the top.
    if (f.roundsCount.empty())
        return 0;
    const int fewest = f.roundsCount.begin()->first;
    const auto at = std::find_if(buckets.begin(), buckets.end(), [fewest](const RoundsBucket &b) { return b.to >= fewest; });
    return std::max(0, int(at - buckets.begin()) - 1);
}

void StatisticsWindow::showTrend(const StatsFigures &f)
{
    std::vector<double> lost;
    for (const StatsGame &g : f.reviewed)
        lost.push_back(*g.decisionsLost);
    const QList<StatsGame> reviewed = f.reviewed;
    const QString unknown = uiText("statUnknown");
    m_trend->reset(int(reviewed.size()), [reviewed, unknown](int row, int column) {
        const StatsGame &g = reviewed[row];
        switch (column) {
        case 0:
            return QString::number(row + 1);
        case 1:
            return g.when.date().toString(Qt::ISODate); // the same in every country
        case 2:
            return QString::number(g.rounds);
        case 3:
            return number(*g.decisionsLost, 2);
        default:
            return g.luck ? number(*g.luck, 2) : unknown;
        }
    });
    chTrend->setData(lost);
}

void StatisticsWindow::reset()
{
    // What is forgotten is what the file holds: a read under way is awaited.
    if (reading()) {
        m_reader.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    const StatsTotals t = m_data.totalsFor(m_shown);
    // Kept enabled (a disabled button's text is too faint to read): with
    // nothing to forget it says so.
    if (t.games + t.setAside == 0 && m_data.gamesFor(m_shown).isEmpty()) {
        m_prompts.showMessage(uiText("statNothingToReset").arg(rulesName(m_shown)));
        return;
    }
    const QString question = uiText("statResetAsk")
                                     .arg(rulesName(m_shown),
                                          uiPlural("statResetCounted", t.games).arg(t.games),
                                          uiPlural("statResetApart", t.setAside).arg(t.setAside));
    if (!m_prompts.confirm(uiText("statResetTitle"), question))
        return;
    try {
        const QString aside = Statistics::reset(Statistics::fileName(), m_shown);
        if (!aside.isEmpty())
            m_prompts.showMessage(uiText("statResetAside").arg(QDir::toNativeSeparators(aside)));
    } catch (const KvxError &e) {
        m_prompts.showError(e.message());
    }
    reload();
}
