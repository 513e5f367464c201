// SPDX-License-Identifier: GPL-3.0-or-later
// A window beside the game that looks back on the game in progress or the
// game just won: a summary, a chart of the game, the decisions with what
// each cost, and for the one selected its dice and the advisor's ranking.
// The analysis is the core's (game/Review.h); the window only shows it.
#pragma once

#include "app/SideWindow.h"
#include "app/SolveProgressBar.h"
#include "game/Advisor.h"
#include "game/GameRecord.h"
#include "game/Review.h"

#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>

class Game;
class SolveService;
class TRxDice;
class QComboBox;
class QLabel;
class QListWidget;
class QSplitter;
class QTimer;

// The game as a line: after each step the rounds played plus the rounds still
// expected, the best play's line from the start, and the decisions of each
// class marked by colour and shape. Keys and the mouse move a selected step.
class ReviewChart : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewChart(QWidget *parent = nullptr);

    void setReview(const GameReview *review, const GameRecord *record);
    int selectedStep() const { return m_step; } // -1 for the start, else the step
    void selectStep(int step);
    // Where step's point lies (x) and the step nearest an x, for the mouse.
    double xOf(int step) const;
    int stepAt(double x) const;

    QSize sizeHint() const override { return {520, 190}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    void stepSelected(int step);
    // The mouse is over a step, without a button held.
    void stepPointed(int step, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    struct LegendItem
    {
        int kind; // 0 the game's line, 1 the best play's, 2.. the classes' marks
        QPointF at;
        QString text;
    };
    QVector<LegendItem> legend() const;
    // Where the plot lies and what it spans, worked out once per paint or event.
    struct Geometry
    {
        QRectF plot;
        double lo = 0, hi = 1; // the rounds up the side
        int steps = 0;
        double x(int step) const;
        double y(double value) const;
    };
    Geometry geometry(const QVector<LegendItem> &legend) const;
    void drawLegend(QPainter &p, const QVector<LegendItem> &items, const QColor &text) const;
    void drawAxes(QPainter &p, const Geometry &g, const QColor &text, const QColor &faint) const;
    void drawRoundEnds(QPainter &p, const Geometry &g, const QColor &text, const QColor &faint) const;
    void drawGame(QPainter &p, const Geometry &g, const QColor &text) const;

    const GameReview *m_review = nullptr;
    const GameRecord *m_record = nullptr;
    int m_step = -1;
};

class ReviewWindow : public SideWindow
{
    Q_OBJECT

public:
    ReviewWindow(Game &game, SolveService &solver, QWidget *parent = nullptr);
    ~ReviewWindow() override;

    QLabel *lSummary() const { return m_lSummary; }
    QLabel *lCounts() const { return m_lCounts; }
    QLabel *lNote() const { return m_lNote; }
    QLabel *lStatus() const { return m_lStatus; }
    SolveProgressBar *pbSolve() const { return m_pbSolve; }
    ReviewChart *chart() const { return m_chart; }
    QListWidget *lvDecisions() const { return m_lvDecisions; }
    QListWidget *lvRanking() const { return m_lvRanking; }
    // The dice of the selected moment, 1..6.
    TRxDice *die(int n) const { return m_dice[n]; }

    const GameReview &review() const { return m_review; }
    QComboBox *cbGame() const { return m_cbGame; }
    // The last game won, kept when the next game begins: reviewed when
    // nothing of the game on the table is played yet, else on choice.
    void setLastWon(std::shared_ptr<const GameRecord> record);
    const GameRecord &record() const { return m_record; }
    // Analyses a record against a solution and shows it (the window's own
    // refresh does this with the game's record and the shared solution).
    void showReview(const GameRecord &record, std::shared_ptr<const AdvisorSolution> solution);
    void showReview(const GameRecord &record, std::shared_ptr<const AdvisorSolution> solution,
                    const GameReview &review);
    // For a challenge won, both results of a record (yours and the best
    // play's on the same dice), shown beside the rounds lost to decisions;
    // empty for any other game.
    void setChallengeResult(std::function<QString(const GameRecord &)> of) { m_challengeOf = std::move(of); }
    // The sentence a screen reader reads for decision i.
    QString decisionSentence(int i) const;
    // What the chart says of a step (-1 for the start): the decision's
    // sentence, a roll's faces and luck, a round's end; with the line's value.
    QString stepSentence(int step) const;
    // The dice text of a keep ("1 1 5", with a choice list's entry when not its first).
    static QString diceText(const KeepOption &keep);
    // A play in words, as made (past) or as advised; the practice says them alike.
    static QString playText(const AdvisorAction &a, qint32 roundPoints, bool past);

public slots:
    // Looks at the game again (coalesced: at most once per pass of the event loop).
    void refreshSoon();
    void refresh();

signals:
    // The window shows best plays of a game not yet won.
    void showsGameInProgress();
    // A game still in play was reviewed (the practice keeps its costly
    // decisions; those of a won game come with its statistics).
    void reviewed(const GameRecord &record, const GameReview &review);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QSplitter *buildPanes();
    void applyTexts();
    void showSummary();
    void fillDecisions();
    void showMoment(int decision);
    void followChart(int step);

    QLabel *m_lSummary, *m_lCounts, *m_lNote, *m_lStatus, *m_lMoment, *m_lDecisions, *m_lRanking;
    SolveProgressBar *m_pbSolve;
    ReviewChart *m_chart;
    QListWidget *m_lvDecisions, *m_lvRanking;
    TRxDice *m_dice[7] = {};
    Game &m_game;
    SolveService &m_solver;
    GameRecord m_record;
    GameReview m_review;
    std::shared_ptr<const AdvisorSolution> m_solution;
    QTimer *m_soon;
    // Which game: the one on the table or the last won, when there are both.
    QLabel *m_lGame;
    QComboBox *m_cbGame;
    std::shared_ptr<const GameRecord> m_lastWon;
    std::function<QString(const GameRecord &)> m_challengeOf;
};
