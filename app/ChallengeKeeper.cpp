// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChallengeKeeper.h"
#include "app/GamePresenter.h"
#include "app/Mnemonics.h"
#include "app/Narrator.h"
#include "app/PlayingSurface.h"
#include "app/TfrmMain.h"

#include "game/Game.h"
#include "base/KvxError.h"
#include "game/Review.h"
#include "game/SolveService.h"
#include "records/ChallengeFile.h"
#include "base/UiTexts.h"
#include "widgets/Appearance.h"
#include "widgets/Prompts.h"
#include "widgets/TEffectLabel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr char kSection[] = "Challenge";
constexpr char kShowRace[] = "ShowRace";

QString rulesText(const RuleSet &r)
{
    return uiText(r.band ? "statRulesBand" : "statRulesPlain").arg(QLocale().toString(r.winner));
}

// The best play's rounds on the same dice and the difference to yours.
QString bestText(qint32 rounds, qint32 best)
{
    if (best <= 0)
        return uiText("chalWinBest").arg(uiText("chalUnknown"), uiText("chalUnknown"));
    QString difference = QLocale().toString(rounds - best);
    if (rounds > best)
        difference.prepend(QLatin1Char('+'));
    return uiText("chalWinBest").arg(QString::number(best), difference);
}

// Keeps the code at the right end of the game-type line as the line resizes.
class RightEdge : public QObject
{
public:
    RightEdge(QLabel *line, QLabel *code) : QObject(code), m_line(line), m_code(code) { line->installEventFilter(this); }
    void place()
    {
        const int w = m_code->isHidden() ? 0 : m_code->fontMetrics().horizontalAdvance(m_code->text()) + 12;
        m_code->setGeometry(m_line->width() - w, 0, qMax(0, w - 6), m_line->height());
        m_line->setContentsMargins(0, 0, w, 0);
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    QLabel *m_line, *m_code;
};

} // namespace

ChallengeKeeper::ChallengeKeeper(TfrmMain &window, QMenu *fileMenu, QAction *after)
    : QObject(&window), m_window(window)
{
    const auto make = [this](const char *name) {
        auto *a = new QAction(uiText(name), this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    m_aDaily = make("aDailyChallenge");
    m_aNew = make("aNewChallenge");
    m_aTable = make("aChallengeTable");
    m_aCopy = make("aCopyChallenge");
    m_aRace = make("aShowRace");
    m_aRace->setCheckable(true);
    m_aRace->setChecked(window.iniCfg.ReadBool(QLatin1String(kSection), QLatin1String(kShowRace), true));
    m_aNew->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    m_aCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(m_aDaily, &QAction::triggered, this, [this] { play(ChallengeCode::daily(QDate::currentDate())); });
    connect(m_aNew, &QAction::triggered, this, &ChallengeKeeper::askAndPlay);
    connect(m_aTable, &QAction::triggered, this, &ChallengeKeeper::openTable);
    connect(m_aCopy, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(m_window.game().challenge().code().text());
    });
    connect(m_aRace, &QAction::toggled, this, [this](bool on) {
        try {
            m_window.iniCfg.WriteBool(QLatin1String(kSection), QLatin1String(kShowRace), on);
        } catch (const KvxError &e) {
            m_window.prompts().showError(e.message());
        }
        sync();
    });
    // Beside New Game, then the copy and the race among the game's own commands.
    const QList<QAction *> items = fileMenu->actions();
    const int at = int(items.indexOf(after));
    QAction *before = at >= 0 && at + 1 < items.size() ? items.at(at + 1) : nullptr;
    fileMenu->insertActions(before, {m_aDaily, m_aNew, m_aCopy, m_aRace, m_aTable});

    QLabel *line = m_window.surface().lType();
    m_code = new QLabel(line);
    m_code->setObjectName(QStringLiteral("lChallenge"));
    m_code->setTextFormat(Qt::PlainText);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_code->setStyleSheet(QStringLiteral("color: #000080; background: transparent;"));
    QFont small = QApplication::font();
    small.setPixelSize(12);
    m_code->setFont(small);
    m_code->hide();
    new RightEdge(line, m_code);

    m_race = new QLabel(&m_window.surface());
    m_race->setObjectName(QStringLiteral("lRace"));
    m_race->setTextFormat(Qt::PlainText);
    m_race->setWordWrap(true);
    m_race->setGeometry(4, 184, 200, 44);
    m_race->lower(); // under the cover and the choice lists
    m_race->hide();

    Game &game = m_window.game();
    connect(&game, &Game::newGameStarted, this, &ChallengeKeeper::newGameStarted);
    connect(&game, &Game::roundEnded, this, &ChallengeKeeper::roundEnded);
    connect(&m_window.solver(), &SolveService::solved, this, [this] {
        if (!m_run && m_window.game().challenge().active())
            startRace();
    });
}

ChallengeKeeper::~ChallengeKeeper() = default;

void ChallengeKeeper::play(const ChallengeCode &code)
{
    if (code.isEmpty())
        return;
    Game &game = m_window.game();
    if (game.rollingDice() != 0)
        return;
    m_first = false;
    try {
        QString aside;
        m_first = ChallengeFile::beginPlay(ChallengeFile::fileName(), code, &aside);
        if (!aside.isEmpty())
            m_window.prompts().showError(uiText("chalKeptAside").arg(aside));
    } catch (const KvxError &e) {
        m_window.prompts().showError(e.message());
    }
    game.newGame(code);
    m_window.narrator().newGame();
    m_window.narrator().say(uiText("chalLine").arg(code.spelt()) + QLatin1String(". ")
                            + uiText("chalNote").arg(rulesText(game.position().rules)));
    newGameStarted();
}

void ChallengeKeeper::askAndPlay()
{
    Game &game = m_window.game();
    m_window.presenter().aPauseExecute();
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("dlgChallenge"));
    dialog.setWindowTitle(uiText("chalTitle"));
    Appearance::keepHighlightReadable(&dialog); // the code is selected at the start
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(uiText("chalCodeLabel"), &dialog);
    auto *field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("eChallengeCode"));
    field->setAccessibleName(uiText("chalCodeName"));
    field->setText(ChallengeCode::random(QRandomGenerator::system()->generate64()).text());
    field->selectAll();
    label->setBuddy(field);
    auto *note = new QLabel(uiText("chalNote").arg(rulesText(game.position().rules)), &dialog);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *playButton = buttons->addButton(uiText("chalPlay"), QDialogButtonBox::AcceptRole);
    buttons->addButton(uiText("chalCancel"), QDialogButtonBox::RejectRole);
    playButton->setDefault(true);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(note);
    layout->addWidget(buttons);
    ChallengeCode code;
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        code = ChallengeCode::parse(field->text());
        if (code.isEmpty()) {
            m_window.prompts().showError(uiText("chalBadCode").arg(field->text().left(40),
                                                                   QString::fromLatin1(challenge::alphabet)));
            field->setFocus();
            field->selectAll();
            return;
        }
        dialog.accept();
    });
    field->setFocus();
    if (m_window.prompts().runModal(dialog) == QDialog::Accepted && !code.isEmpty())
        play(code);
}

void ChallengeKeeper::newGameStarted()
{
    const Game &game = m_window.game();
    const ChallengeDice &dice = game.challenge();
    if (!dice.active()) {
        m_run.reset();
        m_racing = {};
        ++m_raceTicket;
    } else if (dice.code() != m_racing || game.position().rules != m_raceRules) {
        startRace();
    }
    sync();
}

void ChallengeKeeper::startRace()
{
    const Game &game = m_window.game();
    m_racing = game.challenge().code();
    m_raceRules = game.position().rules;
    m_run.reset();
    const quint64 ticket = ++m_raceTicket;
    const auto solution = m_window.solver().request(m_raceRules);
    if (!solution || !solution->winnable()) {
        sync();
        return; // solved() starts it
    }
    auto result = std::make_shared<ChallengeRun>();
    const ChallengeCode code = m_racing;
    const RuleSet rules = m_raceRules;
    m_window.solver().runOnWorker([result, solution, code, rules] {
        *result = playChallenge(optimalStrategy(solution), rules, code);
    }, this, [this, result, ticket] {
        if (ticket != m_raceTicket)
            return;
        m_run = *result;
        sync();
        emit raceReady();
        if (m_won && m_won->bestRounds <= 0 && m_won->code == m_racing && m_won->rules == m_raceRules) {
            m_won->bestRounds = bestRounds(m_racing, m_raceRules);
            emit resultChanged(); // its best play's rounds are known now
        }
    });
    sync();
}

QString ChallengeKeeper::codeLine() const
{
    const ChallengeDice &dice = m_window.game().challenge();
    return dice.active() ? uiText("chalLine").arg(dice.code().text()) : QString();
}

QString ChallengeKeeper::raceLine() const
{
    const Game &game = m_window.game();
    if (!game.challenge().active())
        return QString();
    // Rounds the player has finished: never a word about later ones.
    const qint32 round = game.position().roundNo;
    const qint32 done = game.phase() == GamePhase::Won ? round : round - 1;
    if (done < 1)
        return QString();
    if (!m_run)
        return uiText("chalRaceWorking");
    if (m_run->wonBy(done))
        return uiText("chalRaceWon").arg(QString::number(m_run->rounds));
    return uiText("chalRaceAfter").arg(QLocale().toString(m_run->totalAfter(done)), QString::number(done));
}

void ChallengeKeeper::sync()
{
    const bool active = m_window.game().challenge().active();
    m_aCopy->setEnabled(active);
    m_code->setText(codeLine());
    m_code->setAccessibleName(uiText("chalCodeName"));
    m_code->setAccessibleDescription(active ? m_window.game().challenge().code().spelt() : QString());
    m_code->setVisible(active);
    for (QObject *o : m_code->children())
        if (auto *edge = dynamic_cast<RightEdge *>(o))
            edge->place();
    const QString race = m_aRace->isChecked() ? raceLine() : QString();
    m_race->setText(race);
    m_race->setAccessibleName(race);
    m_race->setVisible(!race.isEmpty());
}

void ChallengeKeeper::roundEnded()
{
    sync();
    if (!m_race->text().isEmpty())
        m_window.narrator().say(m_race->text());
}

bool ChallengeKeeper::won(const WinSummary &summary)
{
    Game &game = m_window.game();
    const ChallengeDice &dice = game.challenge();
    if (!dice.active())
        return false;
    const qint32 rounds = summary.roundNo;
    QString lost = uiText("chalUnknown");
    const qint32 best = bestRounds(dice.code(), summary.rules);
    m_won = Won{game.record(), dice.code(), summary.rules, rounds, GamePresenter::elapsedText(summary.elapsedSeconds), best};
    emit resultChanged();
    if (const auto solution = m_window.solver().solution(summary.rules)) {
        const GameReview review = reviewGame(game.record(), *solution);
        if (review.finished)
            lost = QLocale().toString(review.decisionsLost, 'f', 2);
    }
    const QString text = uiText("chalWinYou").arg(dice.code().text(), QString::number(rounds), GamePresenter::elapsedText(summary.elapsedSeconds))
            + QLatin1Char('\n') + bestText(rounds, best) + QLatin1Char('\n')
            + uiText("chalWinLost").arg(lost) + QLatin1Char('\n') + uiText("chalWinNote") + QLatin1String("\n\n")
            + uiText("chalNoTopTen");
    sync();
    m_window.narrator().say(text);
    m_window.prompts().showMessage(text);
    if (summary.testButtonsUsed)
        return true; // the test buttons set dice of their own: no result to keep
    QString name;
    if (!m_window.prompts().askName(uiText("chalNameCaption"), uiText("chalNamePrompt"), name))
        return true;
    ChallengeResult r;
    r.code = dice.code();
    r.when = QDateTime::currentDateTime();
    r.rules = summary.rules;
    r.name = name;
    r.rounds = rounds;
    r.seconds = summary.elapsedSeconds;
    r.bestRounds = best;
    r.first = m_first;
    try {
        QString aside;
        ChallengeFile::addResult(ChallengeFile::fileName(), r, &aside);
        if (!aside.isEmpty())
            m_window.prompts().showError(uiText("chalKeptAside").arg(aside));
    } catch (const KvxError &e) {
        m_window.prompts().showError(e.message());
    }
    if (m_table)
        fillTable();
    return true;
}

qint32 ChallengeKeeper::bestRounds(const ChallengeCode &code, const RuleSet &rules) const
{
    return m_run && m_run->rounds > 0 && m_racing == code && m_raceRules == rules ? m_run->rounds : 0;
}

QString ChallengeKeeper::resultFor(const GameRecord &record) const
{
    if (!m_won || !(m_won->record == record))
        return QString();
    return uiText("chalWinYou").arg(m_won->code.text(), QString::number(m_won->rounds), m_won->time) + QLatin1Char(' ')
            + bestText(m_won->rounds, m_won->bestRounds);
}

void ChallengeKeeper::opened()
{
    m_first = false;
    newGameStarted();
}

void ChallengeKeeper::openTable()
{
    if (!m_table) {
        m_table = new QDialog(&m_window);
        m_table->setObjectName(QStringLiteral("frmChallenges"));
        m_table->setAttribute(Qt::WA_DeleteOnClose);
        Appearance::keepHighlightReadable(m_table);
        auto *layout = new QVBoxLayout(m_table);
        auto *grid = new QTableWidget(m_table);
        grid->setObjectName(QStringLiteral("gChallenges"));
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->verticalHeader()->hide();
        layout->addWidget(grid);
        auto *buttons = new QDialogButtonBox(m_table);
        QPushButton *close = buttons->addButton(uiText("helpClose"), QDialogButtonBox::RejectRole);
        connect(close, &QPushButton::clicked, m_table, &QDialog::close);
        layout->addWidget(buttons);
        m_table->resize(720, 360);
    }
    fillTable();
    m_table->show();
    m_table->raise();
}

void ChallengeKeeper::fillTable()
{
    auto *grid = m_table->findChild<QTableWidget *>();
    m_table->setWindowTitle(uiText("chalTableTitle"));
    const ChallengeTable t = ChallengeFile::load(ChallengeFile::fileName());
    if (t.status == ChallengeTable::Damaged)
        m_window.prompts().showError(ChallengeFile::fileName() + QLatin1String(": ") + t.problem);
    // The code played now first, then the others, newest first; within a
    // code, fewest rounds first.
    QList<ChallengeResult> rows;
    QList<ChallengeCode> codes;
    const ChallengeCode current = m_window.game().challenge().code();
    if (!current.isEmpty())
        codes << current;
    for (int i = int(t.results.size()) - 1; i >= 0; --i)
        if (!codes.contains(t.results[i].code))
            codes << t.results[i].code;
    for (const ChallengeCode &c : codes)
        rows += t.resultsFor(c);
    const QStringList heads{uiText("chalColCode"),   uiText("chalColDate"), uiText("chalColRules"),
                            uiText("chalColName"),   uiText("chalColRounds"), uiText("chalColTime"),
                            uiText("chalColBest"),   uiText("chalColFirst")};
    grid->clear();
    grid->setColumnCount(int(heads.size()));
    grid->setHorizontalHeaderLabels(heads);
    grid->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const ChallengeResult &r = rows[i];
        const QStringList cells{r.code.text(),
                                QLocale().toString(r.when.date(), QLocale::ShortFormat),
                                rulesText(r.rules),
                                r.name,
                                QString::number(r.rounds),
                                GamePresenter::elapsedText(r.seconds),
                                r.bestRounds > 0 ? QString::number(r.bestRounds) : uiText("chalUnknown"),
                                uiText(r.first ? "chalYes" : "chalNo")};
        for (int c = 0; c < cells.size(); ++c)
            grid->setItem(i, c, new QTableWidgetItem(cells[c])); // plain text
    }
    grid->resizeColumnsToContents();
}

void ChallengeKeeper::applyLanguage()
{
    for (QAction *a : {m_aDaily, m_aNew, m_aTable, m_aCopy, m_aRace})
        a->setText(uiText(a->objectName().toLatin1().constData()));
    sync();
    if (m_table)
        fillTable();
}
