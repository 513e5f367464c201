// SPDX-License-Identifier: GPL-3.0-or-later
// A window beside the game for practising single decisions: a position shown
// as the game shows it, the player's keep and Roll or Done by the mouse or
// the game's keys, then the verdict from the advisor's ranking, and the
// progress per source. It reads the rules in force and nothing else of the
// game: the game in progress, its clock, the top ten and the statistics are
// never touched. The analysis is the core's (game/Practice.h).
#pragma once

#include "app/SideWindow.h"
#include "app/SolveProgressBar.h"
#include "game/Practice.h"
#include "records/PracticeFile.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <utility>

class Announcer;
class GameRecord;
class Prompts;
class SolveService;
class TRxDice;
class TrendChart;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QVBoxLayout;
struct GameReview;

class PracticeWindow : public SideWindow
{
    Q_OBJECT

public:
    // The winning total and band rule in force.
    using RulesInForce = std::function<RuleSet()>;

    PracticeWindow(SolveService &solver, Prompts &prompts, RulesInForce rules, QWidget *parent = nullptr);
    ~PracticeWindow() override;

    // Keeps the costly decisions of a reviewed game in the practice file (each
    // new one once), saying so when a damaged file had to be kept aside.
    static void keepMistakes(const GameRecord &record, const GameReview &review, Prompts &prompts);
    // Practice writes that found the file in use by another copy of the game
    // wait and go before the next one; this is their last try, waiting
    // longer, as the game closes. The player is told of any still unwritten.
    static void writeWaiting(Prompts &prompts);

    QLabel *lStatus() const { return m_lStatus; }
    QLabel *lPosition() const { return m_lPosition; }
    QLabel *lVerdict() const { return m_lVerdict; }
    QComboBox *cbSource() const { return m_cbSource; }
    QComboBox *cbOnes() const { return m_cbChoice[0]; }
    QComboBox *cbFives() const { return m_cbChoice[1]; }
    QPushButton *btRoll() const { return m_btRoll; }
    QPushButton *btDone() const { return m_btDone; }
    QPushButton *btNext() const { return m_btNext; }
    QListWidget *lvTop() const { return m_lvTop; }
    QTableWidget *tbProgress() const { return m_tbProgress; }
    TRxDice *die(int n) const { return m_dice[n]; }
    Announcer *announcer() const { return m_announcer; }
    SolveProgressBar *pbSolve() const { return m_pbSolve; }

    bool hasPosition() const { return m_hasPosition; }
    const PracticePosition &position() const { return m_position; }
    bool answered() const { return m_answered; }
    const PracticeVerdict &verdict() const { return m_verdict; }
    PracticeSource source() const;
    void setSource(PracticeSource s);
    // The built-in set of the rules in force, once worked out.
    const QVector<PracticePosition> *builtIn() const;

public slots:
    // Looks at the rules in force, the solve and the file again.
    void refresh();
    void next();
    void again();
    // Takes or releases die n (1..6), as the game's die keys do.
    void toggleDie(int n);
    // Answers with the dice selected: roll on (false) or bank (true).
    void answer(bool bank);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The game's keys reach the window from every control in it.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void applyTexts();
    void reloadFile();
    void showPosition();
    void showSelection();
    void showVerdict();
    void sourceChanged();
    void showProgress();
    QString verdictText() const;
    QString whyText() const;
    QString plainRuleName(PlainRule r) const;
    void say(const QString &text);
    std::shared_ptr<const AdvisorSolution> solution() const;
    // The parts of the window, top to bottom.
    void buildPosition(QVBoxLayout *box);
    void buildAnswers(QVBoxLayout *box);
    void buildProgress(QVBoxLayout *box);

    SolveService &m_solver;
    Prompts &m_prompts;
    RulesInForce m_rules;
    RuleSet m_shown{0, false}; // the rules of the positions shown

    QLabel *m_lStatus, *m_lSource, *m_lPosition, *m_lSelection, *m_lVerdict, *m_lTop, *m_lProgress;
    QLabel *m_lChoice[2];
    QComboBox *m_cbSource, *m_cbChoice[2];
    QPushButton *m_btRoll, *m_btDone, *m_btNext, *m_btAgain, *m_btClose;
    QListWidget *m_lvTop;
    QTableWidget *m_tbProgress;
    TrendChart *m_chProgress;
    SolveProgressBar *m_pbSolve;
    Announcer *m_announcer;
    TRxDice *m_dice[7] = {};

    PracticeData m_data;
    QString m_fileNotice;
    // The built-in sets worked out, per solved rules; a set under way is absent.
    std::map<RuleSet, QVector<PracticePosition>> m_builtIn;
    RuleSet m_building{0, false};
    bool m_buildingAny = false;

    bool m_hasPosition = false;
    PracticePosition m_position;
    PracticeDie m_layout[7];
    bool m_selected[7] = {};
    bool m_answered = false;
    PracticeVerdict m_verdict;
};
