// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics of won games, set beside the rounds the best play needs.
// Every chart has a table beside it that tells the same to the keyboard and
// a screen reader.
#pragma once

#include "app/SideWindow.h"
#include "game/Advisor.h"
#include "records/Statistics.h"

#include <QThreadPool>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class Prompts;
class SolveProgressBar;
class SolveService;
class QBoxLayout;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTableView;
class QTableWidget;
class TextTable;

// The player's rounds to the win as bars (share of games per rounds) and the
// best play's chance per rounds as a line, on the same axes, both means marked.
class RoundsChart : public QWidget
{
    Q_OBJECT
public:
    explicit RoundsChart(QWidget *parent = nullptr);
    // The bars and the line, as many as the buckets (at most kMaxBuckets).
    void setData(const std::vector<RoundsBucket> &buckets, double playerMean, double bestMean);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    std::vector<RoundsBucket> m_buckets;
    double m_playerMean = 0, m_bestMean = 0;
};

// The rounds lost to decisions per reviewed game, oldest first, as a line.
class TrendChart : public QWidget
{
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);
    void setData(const std::vector<double> &values);
    // The language table's texts of its axis and of an empty chart.
    void setTexts(const char *axisKey, const char *emptyKey);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    std::vector<double> m_values;
    const char *m_axisKey = "statGameAxis";
    const char *m_emptyKey = "statNoReviews";
};

class StatisticsWindow : public SideWindow
{
    Q_OBJECT

public:
    // The best play beside the player's games comes from the shared solver.
    StatisticsWindow(Prompts &prompts, SolveService &solver, QWidget *parent = nullptr);
    // Waits for a read under way.
    ~StatisticsWindow() override;

    // Reads the file again, on a thread of its own, and shows the rules in
    // force once it is read; meanwhile the progress bar is busy.
    void showRules(const RuleSet &inForce);
    bool reading() const { return m_readsAsked != m_readsDone; }
    RuleSet shownRules() const { return m_shown; }

    QLabel *lNotice, *lRules, *lBest, *lRoundsCaption, *lTrendCaption;
    // Challenge games won here under the rules shown: counted apart, in the
    // challenge table, never in these figures.
    QLabel *lChallenges;
    QComboBox *cbRules;
    QTableWidget *tbFigures;
    QTableView *tbRounds, *tbTrend; // filled on demand: thousands of games stay quick
    RoundsChart *chRounds;
    TrendChart *chTrend;
    QPushButton *btReset, *btClose;

    // The text of a figure in the figures table, by its key (tests).
    QString figure(const char *key) const;

public slots:
    // A solve finished: the best play is asked for again.
    void solutionReady();
    void reset();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // The width the figures and both charts need side by side.
    int sideBySideWidth() const;
    // Side by side where the window is wide enough, else one below the other.
    void arrange();
    void applyTexts();
    void reload();
    void dataRead(const StatsData &data);
    void fillRuleChoice();
    void buildFigures();
    void buildCharts();
    void layOut();
    void showChosen();
    void showFigures(const StatsFigures &f);
    // The rounds chart and its table; returns the row to open the table at.
    int showRounds(const StatsFigures &f);
    void showTrend(const StatsFigures &f);
    void setFigure(const char *key, const QString &value);
    QString rulesName(const RuleSet &r) const;

    Prompts &m_prompts;
    SolveService &m_solver;
    SolveProgressBar *m_pbSolve;
    QString m_path;
    StatsData m_data;
    QThreadPool m_reader;
    int m_readsAsked = 0, m_readsDone = 0; // only the last read asked for is shown
    RuleSet m_inForce, m_shown;
    QList<RuleSet> m_choices;
    std::map<RuleSet, int> m_challengeWins; // from the challenge table, by rules
    TextTable *m_rounds, *m_trend;
    QScrollArea *m_scroll;
    QBoxLayout *m_body, *m_roundsRow, *m_trendRow;
};
