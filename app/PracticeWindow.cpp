// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PracticeWindow.h"

#include "app/Announcer.h"
#include "widgets/Appearance.h"
#include "widgets/Prompts.h"
#include "app/ReviewWindow.h"
#include "app/StatisticsWindow.h"
#include "base/KvxError.h"
#include "game/Review.h"
#include "game/Scoring.h"
#include "game/SolveService.h"
#include "widgets/TRxDice.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

QString number(double v, int decimals = 2)
{
    return QLocale().toString(v, 'f', decimals);
}

QString percent(double chance)
{
    return QLocale().toString(chance * 100.0, 'f', 1);
}

// The keys of the choice lists' captions, ones then fives.
const char *const kChoiceKeys[2] = {"pracOnesAs", "pracFivesAs"};

// The window's labels: plain text, wrapped.
QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}

// Its buttons: none of them the default of a Return pressed elsewhere.
QPushButton *plainButton(QWidget *parent, const char *name)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

PracticeWindow::PracticeWindow(SolveService &solver, Prompts &prompts, RulesInForce rules, QWidget *parent)
    : SideWindow(parent), m_solver(solver), m_prompts(prompts), m_rules(std::move(rules))
{
    setObjectName(QStringLiteral("frmPractice"));
    Appearance::keepHighlightReadable(this);
    auto *box = new QVBoxLayout(body());
    buildPosition(box);
    buildAnswers(box);
    buildProgress(box);

    m_announcer = new Announcer(this);

    connect(m_btRoll, &QPushButton::clicked, this, [this] { answer(false); });
    connect(m_btDone, &QPushButton::clicked, this, [this] { answer(true); });
    connect(m_btNext, &QPushButton::clicked, this, &PracticeWindow::next);
    connect(m_btAgain, &QPushButton::clicked, this, &PracticeWindow::again);
    connect(m_btClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_cbSource, &QComboBox::activated, this, &PracticeWindow::sourceChanged);
    connect(&m_solver, &SolveService::solved, this, [this] {
        if (isVisible())
            refresh();
    });
    // Narrow enough to stand beside the game on a small screen.
    resize(440, 640);
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);
    applyTexts();
}

void PracticeWindow::buildPosition(QVBoxLayout *box)
{
    auto *sourceRow = new QHBoxLayout;
    m_lSource = plainLabel(this, "lSource");
    m_lSource->setWordWrap(false);
    m_cbSource = new QComboBox(this);
    m_cbSource->setObjectName(QStringLiteral("cbSource"));
    m_cbSource->addItems({QString(), QString()});
    m_lSource->setBuddy(m_cbSource);
    sourceRow->addWidget(m_lSource);
    sourceRow->addWidget(m_cbSource, 1);
    box->addLayout(sourceRow);

    m_lStatus = plainLabel(this, "lStatus");
    box->addWidget(m_lStatus);
    m_pbSolve = new SolveProgressBar(m_solver, "pracProgress", this);
    box->addWidget(m_pbSolve);
    m_lPosition = plainLabel(this, "lPosition");
    box->addWidget(m_lPosition);

    auto *diceRow = new QHBoxLayout;
    for (int n = 1; n <= 6; ++n) {
        m_dice[n] = new TRxDice(this);
        m_dice[n]->setObjectName(QStringLiteral("prDice%1").arg(n));
        m_dice[n]->setTag(n);
        m_dice[n]->setFixedSize(48, 48);
        m_dice[n]->setFocusPolicy(Qt::NoFocus);
        connect(m_dice[n], &TRxDice::clicked, this, [this, n] { toggleDie(n); });
        diceRow->addWidget(m_dice[n]);
    }
    diceRow->addStretch(1);
    box->addLayout(diceRow);

    auto *choiceRow = new QHBoxLayout;
    for (int k = 0; k < 2; ++k) {
        m_lChoice[k] = plainLabel(this, k == 0 ? "lOnesAs" : "lFivesAs");
        m_lChoice[k]->setWordWrap(false);
        m_cbChoice[k] = new QComboBox(this);
        m_cbChoice[k]->setObjectName(QString::fromLatin1(k == 0 ? "cbOnes" : "cbFives"));
        m_lChoice[k]->setBuddy(m_cbChoice[k]);
        choiceRow->addWidget(m_lChoice[k]);
        choiceRow->addWidget(m_cbChoice[k]);
        connect(m_cbChoice[k], &QComboBox::activated, this, [this] { showSelection(); });
    }
    choiceRow->addStretch(1);
    box->addLayout(choiceRow);
    m_lSelection = plainLabel(this, "lSelection");
    box->addWidget(m_lSelection);
}

void PracticeWindow::buildAnswers(QVBoxLayout *box)
{
    auto *buttons = new QHBoxLayout;
    m_btRoll = plainButton(this, "btRoll");
    m_btDone = plainButton(this, "btDone");
    m_btAgain = plainButton(this, "btAgain");
    m_btNext = plainButton(this, "btNext");
    m_btClose = plainButton(this, "btClose");
    for (QPushButton *b : {m_btRoll, m_btDone, m_btAgain, m_btNext})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_btClose);
    box->addLayout(buttons);

    m_lVerdict = plainLabel(this, "lVerdict");
    m_lVerdict->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->addWidget(m_lVerdict);
    m_lTop = plainLabel(this, "lTop");
    box->addWidget(m_lTop);
    m_lvTop = new QListWidget(this);
    m_lvTop->setObjectName(QStringLiteral("lvTop"));
    m_lvTop->setWordWrap(true);
    m_lvTop->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lvTop->setResizeMode(QListView::Adjust);
    m_lTop->setBuddy(m_lvTop);
    m_lvTop->setMinimumHeight(80);
    box->addWidget(m_lvTop, 2);
}

void PracticeWindow::buildProgress(QVBoxLayout *box)
{
    m_lProgress = plainLabel(this, "lProgress");
    box->addWidget(m_lProgress);
    // The chart with its table under it: the same figures, for the keyboard
    // and a screen reader.
    auto *progressRow = new QVBoxLayout;
    m_chProgress = new TrendChart(this);
    m_chProgress->setObjectName(QStringLiteral("chProgress"));
    m_chProgress->setTexts("pracDayAxis", "pracNoAnswers");
    // Tall enough to read whatever the texts above it take: the page scrolls.
    m_chProgress->setMinimumSize(150, 160);
    m_tbProgress = new QTableWidget(0, 4, this);
    m_tbProgress->setObjectName(QStringLiteral("tbProgress"));
    m_tbProgress->verticalHeader()->hide();
    m_tbProgress->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tbProgress->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tbProgress->horizontalHeader()->setStretchLastSection(true);
    m_tbProgress->setMinimumHeight(80);
    progressRow->addWidget(m_chProgress, 3);
    progressRow->addWidget(m_tbProgress, 2);
    box->addLayout(progressRow, 3);
}

PracticeWindow::~PracticeWindow() = default;

void PracticeWindow::applyTexts()
{
    setWindowTitle(uiText("pracTitle"));
    const auto name = [](QWidget *w, const QString &text) {
        if (w->accessibleName() != text)
            w->setAccessibleName(text);
    };
    m_lSource->setText(uiText("pracSource"));
    m_cbSource->setItemText(0, uiText("pracMine"));
    m_cbSource->setItemText(1, uiText("pracBuiltIn"));
    name(m_cbSource, uiText("pracSourceName"));
    for (int k = 0; k < 2; ++k) {
        m_lChoice[k]->setText(uiText(kChoiceKeys[k]));
        name(m_cbChoice[k], uiText(kChoiceKeys[k]).remove(QLatin1Char('&')));
    }
    m_btRoll->setText(uiText("pracRoll"));
    for (int n = 1; n <= 6; ++n)
        m_dice[n]->updateAccessibleName();
    m_btDone->setText(uiText("pracDone"));
    m_btAgain->setText(uiText("pracAgain"));
    m_btNext->setText(uiText("pracNext"));
    m_btClose->setText(uiText("statClose"));
    name(m_btRoll, uiText("pracRollName"));
    name(m_btDone, uiText("pracDoneName"));
    name(m_btAgain, uiText("pracAgainName"));
    name(m_btNext, uiText("pracNextName"));
    name(m_btClose, uiText("statClose"));
    m_lTop->setText(uiText("pracTop"));
    name(m_lvTop, uiText("pracTopName"));
    name(m_pbSolve, uiText("advProgressName"));
    m_lProgress->setText(uiText("pracProgressCaption"));
    name(m_chProgress, uiText("pracProgressCaption"));
    m_chProgress->setAccessibleDescription(uiText("statChartTable"));
    m_tbProgress->setHorizontalHeaderLabels(
        {uiText("pracDayColumn"), uiText("pracTriedColumn"), uiText("pracBestColumn"), uiText("pracLostColumn")});
    name(m_tbProgress, uiText("pracProgressTableName"));
}

PracticeSource PracticeWindow::source() const
{
    return m_cbSource->currentIndex() == 1 ? PracticeSource::BuiltIn : PracticeSource::Mine;
}

void PracticeWindow::setSource(PracticeSource s)
{
    m_cbSource->setCurrentIndex(s == PracticeSource::BuiltIn ? 1 : 0);
    sourceChanged();
}

void PracticeWindow::sourceChanged()
{
    m_hasPosition = false;
    next();
    showProgress(); // the new source's, before its first answer
}

const QVector<PracticePosition> *PracticeWindow::builtIn() const
{
    const auto it = m_builtIn.find(m_solver.keyFor(m_shown));
    return it == m_builtIn.end() ? nullptr : &it->second;
}

std::shared_ptr<const AdvisorSolution> PracticeWindow::solution() const
{
    return m_solver.solution(m_shown);
}

void PracticeWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void PracticeWindow::reloadFile()
{
    const QString path = PracticeFile::fileName();
    m_data = PracticeFile::load(path);
    const QString file = QDir::toNativeSeparators(path);
    switch (m_data.status) {
    case PracticeData::Damaged:
        m_fileNotice = uiText("pracDamaged").arg(file, m_data.problem);
        break;
    case PracticeData::Partial:
        m_fileNotice = uiText("pracPartial").arg(file, QString::number(m_data.skipped));
        break;
    case PracticeData::Future:
        m_fileNotice = uiText("pracFuture").arg(file);
        break;
    default:
        m_fileNotice.clear();
    }
}

void PracticeWindow::refresh()
{
    applyTexts();
    const RuleSet rules = m_rules();
    const auto [winner, band] = rules;
    if (rules != m_shown)
        m_hasPosition = false;
    m_shown = rules;
    reloadFile();
    m_lStatus->show();
    if (winner > Advisor::maxWinner) {
        m_lStatus->setText(uiText("advTooLarge").arg(Advisor::maxWinner));
        m_pbSolve->hide();
        return;
    }
    const auto sol = m_solver.request(rules);
    if (!sol) {
        m_lStatus->setText(uiText(band ? "advWorkingBand" : "advWorking").arg(winner));
        m_pbSolve->showFraction(m_solver.progress());
        m_pbSolve->show();
        showPosition();
        return;
    }
    m_pbSolve->hide();
    if (!sol->winnable()) {
        m_lStatus->setText(uiText("advNeverReached").arg(winner));
        m_hasPosition = false;
        showPosition();
        return;
    }
    // The built-in set is worked out once per rules, on the solver's worker.
    const RuleSet key = m_solver.keyFor(rules);
    if (!m_builtIn.count(key) && !(m_buildingAny && m_building == key)) {
        m_buildingAny = true;
        m_building = key;
        auto result = std::make_shared<QVector<PracticePosition>>();
        m_solver.runOnWorker([sol, band = key.band, result] { *result = builtInPractice(*sol, band); }, this,
                             [this, key, result] {
                                 m_builtIn[key] = *result;
                                 m_buildingAny = false;
                                 if (isVisible())
                                     refresh();
                             });
    }
    QStringList notes;
    if (!m_fileNotice.isEmpty())
        notes << m_fileNotice;
    if (const int others = m_data.otherRules(rules))
        notes << uiText("pracOtherRules").arg(QString::number(others));
    m_lStatus->setText(notes.join(QLatin1Char(' ')));
    m_lStatus->setVisible(!notes.isEmpty());
    if (!m_hasPosition)
        next();
    else
        showPosition();
    showProgress();
}

void PracticeWindow::next()
{
    if (m_rules() != m_shown) {
        refresh(); // the rules changed since: their positions
        return;
    }
    m_hasPosition = false;
    m_answered = false;
    const auto sol = solution();
    if (sol && sol->winnable()) {
        QVector<PracticePosition> list;
        if (source() == PracticeSource::Mine) {
            list = m_data.mine(m_shown);
        } else if (const QVector<PracticePosition> *b = builtIn()) {
            list = m_data.scheduled(*b);
        }
        const int at = nextPractice(list, m_shown);
        if (at >= 0) {
            m_position = list[at];
            m_hasPosition = true;
        }
    }
    again();
}

void PracticeWindow::again()
{
    m_answered = false;
    std::fill(m_selected, m_selected + 7, false);
    for (QComboBox *cb : m_cbChoice)
        cb->clear();
    showPosition();
    if (m_hasPosition) {
        say(uiText("pracSayPosition")
                .arg(QString::number(m_position.total), QString::number(m_position.roundPoints),
                     PracticePosition::facesText(m_position.rolled)));
    } else if (!m_lPosition->text().isEmpty()) {
        say(m_lPosition->text()); // why there is nothing to practise, for those who cannot see it
    }
}

void PracticeWindow::showPosition()
{
    const bool ready = m_hasPosition;
    for (int n = 1; n <= 6; ++n)
        m_dice[n]->setVisible(ready);
    if (!ready) {
        const auto sol = solution();
        QString why;
        if (sol && sol->winnable())
            why = source() == PracticeSource::Mine ? uiText("pracNoMine").arg(m_shown.winner)
                  : builtIn()                      ? uiText("pracNoBuiltIn")
                                                   : uiText("pracPreparing");
        m_lPosition->setText(why);
        m_lSelection->clear();
        m_lVerdict->clear();
        m_lvTop->clear();
        for (int k = 0; k < 2; ++k) {
            m_lChoice[k]->hide();
            m_cbChoice[k]->hide();
        }
        for (QPushButton *b : {m_btRoll, m_btDone, m_btAgain})
            b->hide();
        m_btNext->setVisible(sol && sol->winnable());
        return;
    }
    practiceLayout(m_position, m_layout);
    const QString from = m_position.source == PracticeSource::Mine ? uiText("pracFromMine") : uiText("pracFromBuiltIn");
    m_lPosition->setText(uiText("pracPosition")
                             .arg(QString::number(m_position.total), QString::number(m_position.winner),
                                  QString::number(m_position.roundPoints),
                                  PracticePosition::facesText(m_position.rolled))
                         + QLatin1Char(' ') + from);
    showSelection();
    if (!m_answered) {
        m_lVerdict->setText(uiText("pracAsk"));
        m_lvTop->clear();
    }
}

void PracticeWindow::showSelection()
{
    int counts[7];
    selectedCounts(m_layout, m_selected, counts);
    for (int n = 1; n <= 6; ++n) {
        m_dice[n]->setValue(m_layout[n].face);
        m_dice[n]->setDieState(m_layout[n].kept ? TRxDice::Kept : m_selected[n] ? TRxDice::Selected : TRxDice::Free);
    }
    // A choice list for three or more ones or fives, as in the game.
    for (int k = 0; k < 2; ++k) {
        const int face = k == 0 ? 1 : 5;
        const QVector<ChoiceEntry> entries = choiceEntries(face, counts[face]);
        QComboBox *cb = m_cbChoice[k];
        if (cb->count() != entries.size()) {
            const QSignalBlocker block(cb);
            cb->clear();
            for (const ChoiceEntry &e : entries)
                cb->addItem(e.text);
            cb->setCurrentIndex(entries.isEmpty() ? -1 : 0);
        }
        const bool shown = !entries.isEmpty() && !m_answered;
        m_lChoice[k]->setVisible(shown);
        cb->setVisible(shown);
    }
    bool legal = false;
    const PracticeChoice c = choiceOf(counts, m_cbChoice[0]->currentIndex(), m_cbChoice[1]->currentIndex(), true, &legal);
    m_lSelection->setText(uiText("pracSelected").arg(QString::number(c.keep.points), QString::number(m_position.roundPoints + c.keep.points)));
    // Only what can be done now is there (a greyed button would not read well).
    m_btRoll->setVisible(!m_answered);
    m_btDone->setVisible(!m_answered);
    m_btAgain->show();
    m_btNext->show();
}

void PracticeWindow::toggleDie(int n)
{
    if (!m_hasPosition || m_answered || n < 1 || n > 6)
        return;
    if (m_layout[n].kept) {
        say(uiText("sayKept").arg(QString::number(n), QString::number(m_layout[n].face)));
        return;
    }
    if (!practiceToggle(m_layout, m_selected, n)) {
        say(uiText("sayCannotTake").arg(QString::number(n), QString::number(m_layout[n].face)));
        return;
    }
    showSelection();
    int counts[7];
    selectedCounts(m_layout, m_selected, counts);
    bool legal = false;
    const PracticeChoice c = choiceOf(counts, m_cbChoice[0]->currentIndex(), m_cbChoice[1]->currentIndex(), true, &legal);
    const QString die = uiText("sayDie").arg(QString::number(n), QString::number(m_layout[n].face));
    say(uiText(m_selected[n] ? "saySelected" : "sayReleased").arg(die, QString::number(m_position.roundPoints + c.keep.points)));
}

namespace {
// Practice writes, on the interface thread, that wait for a file in use.
LaterWrites &practiceLater()
{
    static LaterWrites later;
    return later;
}

// One write of the practice file, behind those that wait; `write` gives the
// name a damaged file was kept under.
// Files kept aside by the writes, told by whoever asks next.
QStringList &keptAside()
{
    static QStringList kept;
    return kept;
}

void writePractice(Prompts &prompts, std::function<QString()> write)
{
    try {
        for (const QString &e : practiceLater().retry())
            prompts.showError(e);
        practiceLater().run([write = std::move(write)] {
            const QString aside = write();
            if (!aside.isEmpty())
                keptAside() << aside;
        });
    } catch (const KvxError &e) {
        prompts.showError(e.message());
    }
    for (const QString &aside : std::exchange(keptAside(), QStringList()))
        prompts.showMessage(uiText("pracKeptAside").arg(QDir::toNativeSeparators(aside)));
}
} // namespace

void PracticeWindow::answer(bool bank)
{
    const auto sol = solution();
    if (!m_hasPosition || m_answered || !sol)
        return;
    int counts[7];
    selectedCounts(m_layout, m_selected, counts);
    bool legal = false;
    const PracticeChoice c = choiceOf(counts, m_cbChoice[0]->currentIndex(), m_cbChoice[1]->currentIndex(), bank, &legal);
    const PracticeVerdict v = legal ? judgePractice(*sol, m_position, c) : PracticeVerdict();
    if (!v.legal) {
        // As the game: rolling needs dice taken, a bank needs points.
        const QString why = uiText(bank ? "pracNothingToBank" : "advSelectFirst");
        m_lVerdict->setText(why);
        say(why);
        return;
    }
    m_verdict = v;
    m_answered = true;
    writePractice(m_prompts, [position = m_position, v] { return PracticeFile::answer(PracticeFile::fileName(), position, v); });
    reloadFile();
    showSelection();
    showVerdict();
    showProgress();
    say(verdictText() + QLatin1Char(' ') + whyText());
}

QString PracticeWindow::plainRuleName(PlainRule r) const
{
    switch (r) {
    case PlainRule::TakeAll:
        return uiText("pracRuleTakeAll");
    case PlainRule::BankAt300:
        return uiText("pracRuleBankAt300");
    case PlainRule::BankFewDice:
        return uiText("pracRuleFewDice");
    case PlainRule::None:
        break;
    }
    return QString();
}

QString PracticeWindow::verdictText() const
{
    const PracticeVerdict &v = m_verdict;
    const QString mine = ReviewWindow::playText(v.chosen, m_position.roundPoints, false);
    const QString best = ReviewWindow::playText(v.best, m_position.roundPoints, false);
    QString t = v.answeredBest ? uiPlural("pracVerdictBest", v.chosen.rounds, 3).arg(mine, number(v.chosen.rounds, 3))
                               : uiPlural("pracVerdictCost", v.cost, 2).arg(mine, number(v.cost), number(v.chosen.rounds, 3),
                                                                            best, number(v.best.rounds, 3));
    if (m_position.source == PracticeSource::BuiltIn && m_position.rule != PlainRule::None)
        t += QLatin1Char(' ') + uiPlural("pracPlainRule", m_position.cost, 2).arg(plainRuleName(m_position.rule), number(m_position.cost));
    else if (m_position.source == PracticeSource::Mine)
        t += QLatin1Char(' ') + uiPlural("pracInGame", m_position.cost, 2).arg(number(m_position.cost));
    return t;
}

QString PracticeWindow::whyText() const
{
    const PracticeVerdict &v = m_verdict;
    const int points = m_position.roundPoints + v.other.keep.points;
    switch (v.reason) {
    case PracticeReason::BankRefused:
        return v.pastWinner ? uiText("pracWhyPastWinner").arg(QString::number(v.landing), QString::number(m_position.winner))
                            : uiText("pracWhyBand").arg(v.landing);
    case PracticeReason::BustRisk:
        return uiPlural(v.other.diceNext == 6 ? "pracWhyBustSix" : "pracWhyBust", v.other.diceNext)
            .arg(QString::number(v.other.diceNext), percent(v.bustOther), QString::number(points));
    case PracticeReason::LowRisk:
        return uiPlural("pracWhyLowRisk", v.best.diceNext).arg(QString::number(v.best.diceNext), percent(v.bustBest));
    case PracticeReason::MoreDice: {
        // Each play's dice are counted in a phrase of their own.
        const auto chance = [](int dice, double bust) {
            return uiPlural("pracBustChance", dice).arg(QString::number(dice), percent(bust));
        };
        return uiText("pracWhyMoreDice").arg(chance(v.best.diceNext, v.bustBest), chance(v.other.diceNext, v.bustOther));
    }
    case PracticeReason::BankTotal:
        return uiText("pracWhyBankTotal").arg(QString::number(v.landing), QString::number(qint64(m_position.total) + points));
    case PracticeReason::MorePoints:
        return uiText("pracWhyMorePoints").arg(v.best.keep.points - v.other.keep.points);
    case PracticeReason::FewerPoints:
        return uiText("pracWhyFewerPoints");
    case PracticeReason::Same:
        break;
    }
    return uiText("pracWhySame");
}

void PracticeWindow::showVerdict()
{
    m_lVerdict->setText(verdictText() + QLatin1Char('\n') + whyText());
    m_lvTop->clear();
    bool shownMine = false;
    for (const AdvisorAction &a : m_verdict.top) {
        const bool mine = a.bank == m_verdict.chosen.bank && a.rounds == m_verdict.chosen.rounds
                && a.keep.sameAs(m_verdict.chosen.keep);
        shownMine = shownMine || mine;
        QString t = uiText("revRankItem").arg(number(a.rounds, 3), ReviewWindow::playText(a, m_position.roundPoints, false));
        if (mine)
            t += QLatin1Char(' ') + uiText("pracYours");
        auto *item = new QListWidgetItem(t, m_lvTop);
        if (mine) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
    }
    if (!shownMine) {
        // The player's play below the first few, in its place.
        QString t = uiText("revRankItem").arg(number(m_verdict.chosen.rounds, 3),
                                              ReviewWindow::playText(m_verdict.chosen, m_position.roundPoints, false));
        auto *item = new QListWidgetItem(QStringLiteral("%1. ").arg(m_verdict.rank) + t + QLatin1Char(' ')
                                             + uiText("pracYours"),
                                         m_lvTop);
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
    }
}

void PracticeWindow::showProgress()
{
    const PracticeProgress pr = practiceProgress(m_data, source());
    std::vector<double> perDay;
    m_tbProgress->setRowCount(int(pr.days.size()) + 1);
    const auto cell = [this](int row, int col, const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setTextAlignment(col == 0 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
        m_tbProgress->setItem(row, col, item);
    };
    const auto row = [&](int r, const QString &day, const PracticeProgressRow &p) {
        cell(r, 0, day);
        const QString none = uiText("statNone");
        cell(r, 1, QString::number(p.tried));
        cell(r, 2, p.tried ? uiText("pracProgress").arg(QLocale().toString(p.shareBest() * 100.0, 'f', 0)) : none);
        cell(r, 3, p.tried ? number(p.lostPer()) : none);
    };
    // Newest first in the table; the chart runs oldest to newest.
    row(0, uiText("pracAllDays"), pr.whole);
    for (int i = 0; i < pr.days.size(); ++i) {
        const PracticeProgressRow &d = pr.days[pr.days.size() - 1 - i];
        row(i + 1, d.day.toString(Qt::ISODate), d); // the same in every country
        perDay.push_back(pr.days[i].lostPer());
    }
    m_chProgress->setData(perDay);
}

void PracticeWindow::say(const QString &text)
{
    m_announcer->say(text);
}

bool PracticeWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        const int key = k->key();
        const bool gameKey = (key >= Qt::Key_1 && key <= Qt::Key_6) || key == Qt::Key_R || key == Qt::Key_D
                || key == Qt::Key_N || key == Qt::Key_A || key == Qt::Key_Return || key == Qt::Key_Enter;
        if (gameKey && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PracticeWindow::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier) {
        SideWindow::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_6) {
        toggleDie(key - Qt::Key_0);
    } else if (key == Qt::Key_R) {
        answer(false);
    } else if (key == Qt::Key_D || key == Qt::Key_Return || key == Qt::Key_Enter) {
        // After the verdict the same key goes on to the next position.
        if (m_answered || !m_hasPosition)
            next();
        else
            answer(true);
    } else if (key == Qt::Key_N) {
        next();
    } else if (key == Qt::Key_A) {
        again();
    } else {
        SideWindow::keyPressEvent(event); // Escape closes
    }
}

void PracticeWindow::keepMistakes(const GameRecord &record, const GameReview &review, Prompts &prompts)
{
    // A game reviewed again and again (the review follows the game) writes
    // each costly decision once.
    static QSet<QString> kept;
    const QString path = PracticeFile::fileName();
    QVector<PracticePosition> fresh;
    for (const PracticePosition &p : practiceFromReview(record, review)) {
        PracticePosition key = p;
        key.added = QDateTime();
        const QString line = path + QLatin1Char('|') + PracticeFile::positionLine(key);
        if (!kept.contains(line)) {
            kept.insert(line);
            fresh.append(p);
        }
    }
    if (fresh.isEmpty())
        return;
    writePractice(prompts, [path, fresh] { return PracticeFile::addMine(path, fresh); });
}

void PracticeWindow::writeWaiting(Prompts &prompts)
{
    if (practiceLater().waiting() == 0)
        return;
    const LockWait closing(LaterWrites::kLastWaitMs);
    for (const QString &e : practiceLater().retry())
        prompts.showError(e);
    for (const QString &aside : std::exchange(keptAside(), QStringList()))
        prompts.showMessage(uiText("pracKeptAside").arg(QDir::toNativeSeparators(aside)));
    if (practiceLater().waiting() > 0)
        prompts.showError(uiText("fileNotWritten").arg(QDir::toNativeSeparators(PracticeFile::fileName())));
    practiceLater().clear();
}
