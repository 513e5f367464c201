// SPDX-License-Identifier: GPL-3.0-or-later
// The game engine: rolling, selecting, scoring, round end, the clock and the cover.
#include "game/Game.h"
#include "game/GameLimits.h"
#include "game/GameRandom.h"
#include "game/Scoring.h"
#include "game/TimerService.h"
#include "base/UiTexts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

qint32 saturate(qint64 v)
{
    if (v > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    if (v < std::numeric_limits<qint32>::min())
        return std::numeric_limits<qint32>::min();
    return qint32(v);
}

// Points stop growing at the largest multiple of 5 that fits, so they stay
// a multiple of 5 however long a round goes on.
qint32 clampPoints(qint64 v)
{
    return qint32(std::clamp<qint64>(v, -qint64(GameLimits::maxPoints), GameLimits::maxPoints));
}

} // namespace

Game::Game(TimerService &timers, GameRandom &random, GameUi &ui, QObject *parent)
    : QObject(parent), m_timers(timers), m_random(random), m_ui(ui),
      m_turning(timers, random, m_dice, [this](int n) { emit dieChanged(n); }, [this] { EvaluateRoll(); })
{
    m_turning.setRestingFaces([this](int k) { return m_challenge.face(k); }); // challenge dice
}

Game::~Game()
{
    if (m_stopWatch)
        m_timers.stopTimer(m_stopWatch);
}

// ---------------------------------------------------------------- die states

int Game::dieIndexByName(const QString &name)
{
    for (int n = 1; n <= 6; ++n)
        if (name.compare(QStringLiteral("RxDice") + QString::number(n), Qt::CaseInsensitive) == 0)
            return n;
    return 0;
}

GamePhase Game::phase() const
{
    if (m_coverVisible) {
        if (m_freshRecordDue)
            return GamePhase::Won;
        return m_contVisible ? GamePhase::Paused : GamePhase::Cover;
    }
    // While the winning sequence prepares the next game, the game won is still the one in play.
    if (m_winning || !m_rollDoneEnabled || gs.Total == settings.Winner)
        return GamePhase::Won;
    if (m_messageOpen)
        return GamePhase::Message;
    if (rollingDice() != 0)
        return GamePhase::Rolling;
    return gs.NewRound ? GamePhase::BeforeFirstRoll : GamePhase::Choosing;
}

GamePosition Game::position() const
{
    GamePosition p;
    p.total = gs.Total;
    p.roundNo = gs.RoundNo;
    p.roundPoints = gs.SubScore;
    for (int n = 1; n <= 6; ++n) {
        p.kept += m_dice[n].color == DieKept ? 1 : 0;
        p.selected += m_dice[n].color == DieSelected ? 1 : 0;
        p.rolled[n] = gs.RollCount[n];
    }
    // Right after a roll SelScore still holds the selection Roll carried into
    // SubScore: it counts again only once dice are selected.
    p.selection = p.selected > 0 ? gs.SelScore : 0;
    p.rules = rules();
    return p;
}

int Game::dieState(int n) const
{
    if (n < 1 || n > 6)
        return -1;
    const int c = m_dice[n].color;
    return (c >= DieFree && c <= DieKept) ? c : -1;
}

void Game::applySettings(const GameSettings &s)
{
    settings = s;
}

void Game::applyTexts(const GameTexts &t)
{
    texts = t;
    rg10.caption = texts.s10;
    rg5.caption = texts.s5;
}

int Game::DiceState(int index, int mode)
{
    const int n = dieIndexByName(QStringLiteral("RxDice") + QString::number(index));
    if (n == 0)
        return -1;
    DieModel &d = m_dice[n];
    if (mode == -1)
        return (d.color >= DieFree && d.color <= DieKept) ? d.color : -1;
    if (mode < DieFree || mode > DieKept)
        return -1;
    if (d.color != mode) {
        d.color = mode;
        emit dieChanged(n);
    }
    return mode;
}

// ---------------------------------------------------------------- rolling

void Game::setMenuEnabled(bool on)
{
    if (m_menuEnabled == on)
        return;
    m_menuEnabled = on;
    changed();
}

void Game::btRollClick()
{
    int selected = 0;
    for (int f = 1; f <= 6; ++f)
        selected += gs.SelCount[f];
    if (!gs.NewRound && selected == 0) {
        ShowMsg(texts.msgNoSel, -1);
        return;
    }
    if (m_freshRecordDue)
        startRecord(false);
    if (!gs.NewRound)
        recordKeep(false);
    gs.SubScore = clampPoints(qint64(gs.SubScore) + gs.SelScore);
    setESubScore(gs.SubScore);
    setMenuEnabled(false);
    setChoiceVisible(rg10, false);
    setChoiceVisible(rg5, false);
    gs.NewRound = false;
    for (int n = 1; n <= 6; ++n)
        if (m_dice[n].rotate)
            return;
    for (int i = 1; i <= 6; ++i) {
        gs.RollCount[i] = 0;
        gs.SelCount[i] = 0;
        if (DiceState(i) == DieSelected) {
            DiceState(i, DieKept);
            gs.KeptCount += 1;
        }
    }
    m_hotDiceRoll = gs.KeptCount == 6;
    if (m_hotDiceRoll) {
        // Hot dice: all six roll again within the same round.
        gs.KeptCount = 0;
        for (int n = 1; n <= 6; ++n)
            DiceState(n, DieFree);
    }
    m_random.randomize(m_timers.msecsSinceMidnightUtc());
    m_challenge.nextRoll(gs.RoundNo); // challenge: the next roll of its dice
    bool turn[7] = {};
    for (int n = 1; n <= 6; ++n)
        turn[n] = DiceState(n) == DieFree;
    m_turning.roll(turn);
    changed();
}

void Game::EvaluateRoll()
{
    setMenuEnabled(true);
    int kept = 0;
    for (int n = 1; n <= 6; ++n) {
        const int v = m_dice[n].value;
        gs.SelCount[n] = 0;
        if (DiceState(n) == DieKept)
            kept += 1;
        else
            gs.RollCount[v] += 1;
    }
    recordRoll();
    if (!m_staging) {
        QVector<int> faces(7, 0);
        for (int n = 1; n <= 6; ++n)
            faces[n] = DiceState(n) == DieKept ? 0 : m_dice[n].value;
        emit rolled(faces, m_hotDiceRoll);
    }
    const bool bust = isBust(gs.RollCount);
    changed();
    if (bust)
        ScoreSelection(kept == 0 ? -1 : 0);
    if (m_pauseAfterRoll) {
        m_pauseAfterRoll = false;
        pauseWhenIdle();
    }
}

// ---------------------------------------------------------------- selecting and scoring

void Game::RxDice1Click(int n)
{
    if (n < 1 || n > 6)
        return;
    if (m_dice[n].rotate || rollingDice() != 0 || gs.NewRound || DiceState(n) == DieKept)
        return;
    const int v = m_dice[n].value;
    SelectGroup(v, n);
    if (v == 1 || v == 5)
        BuildChoices(v);
    ScoreSelection(1);
}

void Game::SelectGroup(int v, int n)
{
    // The rule of which dice a click takes or frees is shared with the
    // practice; here it is applied to the dice and their counts.
    int faces[7] = {};
    bool takeable[7] = {}, selected[7] = {};
    for (int k = 1; k <= 6; ++k) {
        faces[k] = m_dice[k].value;
        takeable[k] = DiceState(k) != DieKept;
        selected[k] = DiceState(k) == DieSelected;
    }
    if (faces[n] != v || !toggleSelection(faces, takeable, selected, n))
        return;
    QVector<int> changedDice;
    for (int k = 1; k <= 6; ++k) {
        if (selected[k] == (DiceState(k) == DieSelected))
            continue;
        DiceState(k, selected[k] ? DieSelected : DieFree);
        gs.SelCount[faces[k]] += selected[k] ? 1 : -1;
        changedDice << k;
    }
    // A click takes dice or frees them, never both.
    if (!changedDice.isEmpty())
        emit selectionChanged(changedDice, selected[changedDice.constLast()]);
}

void Game::BuildChoices(int f)
{
    if (f != 1 && f != 5)
        return;
    ChoiceList &list = f == 1 ? rg10 : rg5;
    qint32 *choice = f == 1 ? gs.OnesChoice : gs.FivesChoice;
    const int c = gs.SelCount[f];
    if (c < 3 || c > 6)
        return;
    list.caption = f == 1 ? texts.s10 : texts.s5;
    list.items.clear();
    list.itemIndex = -1;
    const QVector<ChoiceEntry> entries = choiceEntries(f, c);
    for (int k = 0; k < entries.size(); ++k) {
        list.items << entries[k].text;
        choice[k] = entries[k].value;
    }
    if (list.itemIndex == -1)
        list.itemIndex = 0;
    const bool comingUp = !list.visible;
    list.visible = true;
    changed();
    if (comingUp)
        emit choicesShown(f);
}

int Game::choiceValue(const ChoiceList &list, const qint32 *table) const
{
    // A list without a chosen entry counts as its first entry (the full set).
    const int index = list.itemIndex < 0 || list.itemIndex > 4 ? 0 : list.itemIndex;
    return table[index];
}

void Game::setChoiceVisible(ChoiceList &list, bool visible)
{
    if (list.visible == visible)
        return;
    list.visible = visible;
    changed();
}

void Game::ScoreSelection(int mode)
{
    if (mode == -1) {
        gs.SubScore = bustPenalty;
        setESubScore(bustPenalty);
        ShowMsg(texts.msgCrash, -1);
        EndRound(bustPenalty);
        return;
    }
    if (mode == 0) {
        gs.SubScore = 0;
        setESubScore(0);
        ShowMsg(texts.msgFail, -1);
        EndRound(0);
        return;
    }
    if (mode != 1)
        return;
    qint64 score = 0;
    for (int f = 1; f <= 6; ++f) {
        const int c = gs.SelCount[f];
        if (f == 1 || f == 5) {
            ChoiceList &list = f == 1 ? rg10 : rg5;
            if (c >= 3) {
                score += choiceValue(list, f == 1 ? gs.OnesChoice : gs.FivesChoice);
            } else {
                setChoiceVisible(list, false);
                score += qint64(c) * singlePoints(f);
            }
        } else if (c >= 3 && c <= 6) {
            score += setPoints(f, c);
        }
    }
    gs.SelScore = saturate(score);
    setESubScore(saturate(qint64(gs.SubScore) + gs.SelScore));
    changed();
}

void Game::rg10Click()
{
    ScoreSelection(1);
}

void Game::chooseEntry(int face, int index)
{
    ChoiceList &list = face == 1 ? rg10 : rg5;
    if (!list.visible || index < 0 || index >= list.items.size())
        return;
    list.itemIndex = index;
    rg10Click();
}

void Game::btDoneClick()
{
    // A roll in flight cannot be banked around: its risk belongs to the round.
    if (rollingDice() != 0)
        return;
    ScoreSelection(1);
    const qint64 p = qint64(gs.SubScore) + gs.SelScore;
    if (p > 0) {
        recordKeep(true);
        EndRound(clampPoints(p));
    }
}

// ---------------------------------------------------------------- cheat buttons

void Game::Button1Click(int face)
{
    if (face < 1 || face > 6)
        return;
    stageRoll([face](int) { return face; });
}

void Game::Button4Click()
{
    stageRoll([](int n) { return n <= 3 ? 1 : 5; });
}

void Game::stageRoll(const std::function<int(int)> &faceOfDie)
{
    // Ignored while dice roll, as clicks on the dice are.
    if (rollingDice() != 0)
        return;
    m_testButtonsUsed = true;
    for (int n = 1; n <= 6; ++n) {
        if (DiceState(n) != DieKept) {
            m_turning.setDieValue(n, faceOfDie(n));
            DiceState(n, DieFree);
        }
    }
    for (int f = 1; f <= 6; ++f) {
        gs.RollCount[f] = 0;
        gs.SelCount[f] = 0;
    }
    m_staging = true;
    EvaluateRoll();
    m_staging = false;
    ScoreSelection(1);
}

// ---------------------------------------------------------------- round end and game

void Game::EndRound(qint32 points)
{
    gs.NewRound = true;
    for (int n = 1; n <= 6; ++n) {
        DiceState(n, DieFree);
        gs.RollCount[n] = 0;
        gs.SelCount[n] = 0;
    }
    gs.KeptCount = 0;
    gs.SubScore = 0;
    gs.SelScore = 0;
    setESubScore(0);
    setChoiceVisible(rg10, false);
    setChoiceVisible(rg5, false);
    changed();

    const BankOutcome bank = bankOutcome(gs.Total, points, settings.Winner, settings.Valid);
    if (!bank.accepted()) {
        if (bank.verdict == BankVerdict::Band)
            ShowMsg(texts.msgBadIn, -1);
        else
            ShowMsg(texts.msgExact, settings.Winner);
        if (outOfRounds())
            return;
        gs.RoundNo = saturate(qint64(gs.RoundNo) + 1);
        setERnd(gs.RoundNo);
        recordRoundEnd(points, int(bank.verdict));
        if (!m_openingRound)
            emit roundEnded(points, int(bank.verdict));
        return;
    }
    gs.Total = bank.total;
    setEScore(gs.Total);
    if (bank.won) {
        setStopWatch(false);
        recordRoundEnd(points, int(bank.verdict));
        m_record.setWon();
        // ShowWin
        ShowMsg(texts.msgWin, -1);
        m_rollDoneEnabled = false;
        changed();
        const WinSummary summary{gs.Total, gs.RoundNo, ElapsedSeconds, rules(), settings.Type, m_testButtonsUsed};
        emit won(summary);
        if (!m_ui.checkWin(summary))
            return;
        // The game won stays on record behind the cover.
        m_winning = true;
        NewGame();
        m_winning = false;
        aPauseExecute();
        return;
    }
    if (outOfRounds())
        return;
    gs.RoundNo = saturate(qint64(gs.RoundNo) + 1);
    setERnd(gs.RoundNo);
    recordRoundEnd(points, int(bank.verdict));
    if (!m_openingRound)
        emit roundEnded(points, int(bank.verdict));
}

bool Game::outOfRounds()
{
    if (m_openingRound || gs.RoundNo < GameLimits::maxRounds)
        return false;
    // The last round a game has: it ends unwon, and the next waits behind the cover.
    setStopWatch(false);
    ShowMsg(uiText("msgRoundsUsedUp").arg(QString::number(GameLimits::maxRounds)));
    NewGame();
    aPauseExecute();
    return true;
}

void Game::NewGame()
{
    m_challenge.newGame(); // challenge: the armed code, or an ordinary game
    emit newGameStarted();
    m_testButtonsUsed = false;
    gs.KeptCount = 0;
    gs.Total = 0;
    setEScore(0);
    gs.RoundNo = 0;
    setERnd(0);
    m_rollDoneEnabled = true;
    m_coverVisible = false;
    ElapsedSeconds = 0;
    setStopWatch(true);
    changed();
    m_openingRound = true;
    EndRound(0);
    m_openingRound = false;
    if (m_winning)
        m_freshRecordDue = true;
    else
        startRecord(false);
}

void Game::ShowMsg(const QString &text, qint64 number)
{
    QString shown = text;
    if (number != -1) {
        // Left to right, never looking again at what was put in.
        const QString value = QString::number(number);
        const QString mark = QStringLiteral("%1");
        QString out;
        int from = 0;
        for (int at = shown.indexOf(mark); at >= 0; at = shown.indexOf(mark, from)) {
            out += shown.mid(from, at - from) + value;
            from = at + mark.size();
        }
        out += shown.mid(from);
        shown = out;
    }
    const bool nested = m_messageOpen;
    m_messageOpen = true;
    emit messageShown(shown);
    m_ui.showMessage(shown);
    m_messageOpen = nested;
}

void Game::prepareFirstGame()
{
    NewGame();
    m_contVisible = false;
    setStopWatch(false);
    m_coverVisible = true;
    changed();
}

// ---------------------------------------------------------------- clock and cover

QString Game::elapsedText(qint32 s)
{
    const qint32 hours = s / 3600;
    const qint32 minutes = (s % 3600) / 60;
    const qint32 seconds = s - 3600 * hours - 60 * minutes;
    auto two = [](qint32 v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return two(hours) + two(minutes) + two(seconds);
}

QString Game::ElapsedText() const
{
    return elapsedText(ElapsedSeconds);
}

void Game::StopWatchTimer()
{
    if (ElapsedSeconds < GameLimits::maxSeconds)
        ElapsedSeconds += 1;
    emit clockChanged();
}

void Game::pauseWhenIdle()
{
    // Only a running game needs it: behind the cover and in the winning
    // sequence the clock already stands.
    if (!m_stopWatch)
        return;
    if (rollingDice() != 0) {
        m_pauseAfterRoll = true;
        return;
    }
    aPauseExecute();
}

void Game::setStopWatch(bool enabled)
{
    if (enabled && !m_stopWatch) {
        m_stopWatch = m_timers.startTimer(1000, [this] { StopWatchTimer(); });
    } else if (!enabled && m_stopWatch) {
        m_timers.stopTimer(m_stopWatch);
        m_stopWatch = 0;
    }
}

void Game::aPauseExecute()
{
    m_contVisible = qint64(gs.Total) + gs.SubScore + gs.RoundNo != 0 && gs.Total != settings.Winner;
    if (!m_coverVisible) {
        setStopWatch(false);
        m_coverVisible = true;
    }
    changed();
}

void Game::btContClick()
{
    if (m_freshRecordDue)
        startRecord(false);
    m_coverVisible = false;
    setStopWatch(true);
    changed();
}

void Game::btStartClick()
{
    m_coverVisible = false;
    changed();
    aNewExecute();
}

// ---------------------------------------------------------------- displays

void Game::setESubScore(int v)
{
    // Shown at once, so a message that follows (a bust) stands beside its value.
    if (m_eSubScore == v)
        return;
    m_eSubScore = v;
    changed();
}

void Game::setEScore(int v)
{
    if (m_eScore == v)
        return;
    m_eScore = v;
    eScoreChange();
}

void Game::setERnd(int v)
{
    if (m_eRnd == v)
        return;
    m_eRnd = v;
    eRndChange();
}

void Game::eScoreChange()
{
    if (settings.Type == 1) {
        m_rating = gs.RoundNo == 0 ? 0 : ::rating(gs.Total, gs.RoundNo);
    } else if (settings.Type == 2) {
        m_rating.reset();
    }
    changed();
}

void Game::eRndChange()
{
    if (settings.Type == 1) {
        m_rating = gs.RoundNo == 1 ? 0 : ::rating(gs.Total, qint64(gs.RoundNo) - 1);
    } else if (settings.Type == 2) {
        m_rating.reset();
    }
    changed();
}

// ---------------------------------------------------------------- saved games

Game::Snapshot Game::snapshot() const
{
    Snapshot s{};
    for (int n = 1; n <= 6; ++n) {
        const int c = m_dice[n].color;
        s.dieState[n] = (c >= DieFree && c <= DieKept) ? c : -1;
        s.face[n] = m_dice[n].value;
        s.selCount[n] = gs.SelCount[n];
        s.rollCount[n] = gs.RollCount[n];
    }
    s.subScore = gs.SubScore;
    s.total = gs.Total;
    s.roundNo = gs.RoundNo;
    s.elapsedSeconds = ElapsedSeconds;
    s.winner = settings.Winner;
    return s;
}

void Game::restore(const Snapshot &s)
{
    for (int n = 1; n <= 6; ++n) {
        // A die stored as showing none of the states comes back Free, so the
        // counters read from the file agree with the dice on the table.
        DiceState(n, s.dieState[n] == -1 ? int(DieFree) : s.dieState[n]);
        m_turning.setDieValue(n, s.face[n] & 0xFF);
        gs.SelCount[n] = s.selCount[n];
        gs.RollCount[n] = s.rollCount[n];
    }
    gs.SubScore = s.subScore;
    gs.Total = s.total;
    gs.RoundNo = s.roundNo;
    ElapsedSeconds = s.elapsedSeconds;
    settings.Winner = s.winner;

    // What the file does not carry follows from the dice.
    gs.KeptCount = 0;
    bool rolled = false;
    for (int n = 1; n <= 6; ++n) {
        if (DiceState(n) == DieKept)
            gs.KeptCount += 1;
        if (gs.RollCount[n] != 0)
            rolled = true;
    }
    gs.NewRound = !rolled;
    rg10 = ChoiceList();
    rg5 = ChoiceList();
    BuildChoices(1);
    BuildChoices(5);
    ScoreSelection(1);

    m_eScore = gs.Total;
    // What Done would bank: the round so far and the selection rebuilt above.
    m_eSubScore = saturate(qint64(gs.SubScore) + gs.SelScore);
    m_eRnd = gs.RoundNo;
    eRndChange();
    // The opened game's time shows at once, not the previous game's until the next tick.
    emit clockChanged();
    startRecord(true);
}

// ---------------------------------------------------------------- the record

void Game::startRecord(bool opened)
{
    m_freshRecordDue = false;
    RecordStart s;
    s.total = gs.Total;
    s.roundNo = gs.RoundNo;
    s.roundPoints = gs.SubScore;
    s.winner = settings.Winner;
    s.valid = settings.Valid;
    s.opened = opened;
    s.newRound = gs.NewRound;
    for (int f = 1; f <= 6; ++f)
        s.rolled[f] = gs.RollCount[f];
    for (int n = 1; n <= 6; ++n)
        s.keptDice += m_dice[n].color == DieKept ? 1 : 0;
    m_record.begin(s);
}

void Game::recordRoll()
{
    if (m_freshRecordDue)
        startRecord(false);
    RecordStep roll;
    roll.kind = RecordStep::Roll;
    roll.test = m_staging;
    for (int n = 1; n <= 6; ++n)
        roll.faces[n] = m_dice[n].color == DieKept ? 0 : quint8(m_dice[n].value);
    roll.total = gs.Total;
    roll.roundNo = gs.RoundNo;
    roll.roundPoints = gs.SubScore;
    m_record.add(roll);
}

void Game::recordKeep(bool bank)
{
    RecordStep k;
    k.kind = RecordStep::Keep;
    k.bank = bank;
    for (int f = 1; f <= 6; ++f)
        k.faces[f] = quint8(qBound(0, gs.SelCount[f], 6));
    // A list without a valid entry counts as its first, as choiceValue reads it.
    const auto entry = [](const ChoiceList &list) {
        return qint8(list.itemIndex < 0 || list.itemIndex > 4 ? 0 : list.itemIndex);
    };
    k.onesEntry = gs.SelCount[1] >= 3 ? entry(rg10) : qint8(-1);
    k.fivesEntry = gs.SelCount[5] >= 3 ? entry(rg5) : qint8(-1);
    k.points = gs.SelScore;
    k.total = gs.Total;
    k.roundNo = gs.RoundNo;
    k.roundPoints = gs.SubScore;
    m_record.add(k);
}

void Game::recordRoundEnd(qint32 points, int verdict)
{
    if (m_openingRound)
        return;
    RecordStep e;
    e.kind = RecordStep::RoundEnd;
    e.test = m_staging;
    e.end = points < 0 ? RecordStep::Penalty
          : points == 0 ? RecordStep::Bust
          : verdict == int(BankVerdict::Band) ? RecordStep::RefusedBand
          : verdict == int(BankVerdict::Exact) ? RecordStep::RefusedExact
                                                : RecordStep::Banked;
    e.total = gs.Total;
    e.roundNo = gs.RoundNo;
    e.roundPoints = points;
    m_record.add(e);
}

// ---------------------------------------------------------------- challenge games

void Game::startChallenge(const ChallengeCode &code)
{
    m_challenge.arm(code);
    NewGame();
}
