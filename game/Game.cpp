// SPDX-License-Identifier: GPL-3.0-or-later
// The game engine: rolling, selecting, scoring, round end, the clock and the phase of play.
#include "game/Game.h"
#include "game/GameLimits.h"
#include "game/GameRandom.h"
#include "game/TimerService.h"

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

bool samePosition(const GamePosition &a, const GamePosition &b)
{
    if (a.total != b.total || a.roundNo != b.roundNo || a.roundPoints != b.roundPoints || a.selection != b.selection
        || a.kept != b.kept || a.selected != b.selected || a.firstRollDue != b.firstRollDue || a.rules != b.rules)
        return false;
    return std::equal(a.rolled, a.rolled + 7, b.rolled);
}

} // namespace

Game::Game(TimerService &timers, GameRandom &random, QObject *parent)
    : QObject(parent), m_timers(timers), m_random(random),
      m_turning(timers, random, m_dice, [this](int n) { emit dieChanged(n); }, [this] { EvaluateRoll(); })
{
    m_turning.setRestingFaces([this](int k) { return m_challenge.face(k); }); // challenge dice
}

Game::~Game()
{
    if (m_stopWatch)
        m_timers.stopTimer(m_stopWatch);
}

// ---------------------------------------------------------------- state

GamePosition Game::position() const
{
    GamePosition p;
    p.total = gs.Total;
    p.roundNo = gs.RoundNo;
    p.roundPoints = gs.SubScore;
    p.firstRollDue = gs.NewRound;
    for (int n = 1; n <= 6; ++n) {
        p.kept += m_dice[n].color == DieKept ? 1 : 0;
        p.selected += m_dice[n].color == DieSelected ? 1 : 0;
        p.rolled[n] = gs.RollCount[n];
    }
    // Right after a roll SelScore still holds the selection Roll carried into
    // SubScore: it counts again only once dice are selected.
    p.selection = p.selected > 0 ? gs.SelScore : 0;
    p.rules = settings.rules();
    return p;
}

void Game::setPhase(GamePhase phase)
{
    m_phase = phase;
}

GamePhase Game::restingPhase() const
{
    return gs.NewRound ? GamePhase::BeforeFirstRoll : GamePhase::Choosing;
}

bool Game::covered() const
{
    return m_phase == GamePhase::Cover || m_phase == GamePhase::Paused || m_phase == GamePhase::NextGame;
}

bool Game::continuable() const
{
    return qint64(gs.Total) + gs.SubScore + gs.RoundNo != 0 && gs.Total != settings.Winner;
}

void Game::changed()
{
    // Told once per change of the position, its phase or the valuations offered.
    const GamePosition p = position();
    const int chosen[2] = {m_offers[0].offered() ? m_offers[0].chosen + int(m_offers[0].entries.size()) * 8 : -1,
                           m_offers[1].offered() ? m_offers[1].chosen + int(m_offers[1].entries.size()) * 8 : -1};
    if (m_toldOnce && m_toldPhase == m_phase && samePosition(p, m_told) && std::equal(chosen, chosen + 2, m_toldChosen))
        return;
    m_toldOnce = true;
    m_told = p;
    m_toldPhase = m_phase;
    std::copy(chosen, chosen + 2, m_toldChosen);
    emit positionChanged(p, m_phase);
}

int Game::DiceState(int n, int mode)
{
    if (n < 1 || n > 6)
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

void Game::roll()
{
    if (m_phase != GamePhase::BeforeFirstRoll && m_phase != GamePhase::Choosing && m_phase != GamePhase::Rolling)
        return;
    int selected = 0;
    for (int f = 1; f <= 6; ++f)
        selected += gs.SelCount[f];
    if (!gs.NewRound && selected == 0) {
        emit rollRefused();
        return;
    }
    if (!gs.NewRound)
        recordKeep(false);
    gs.SubScore = clampPoints(qint64(gs.SubScore) + gs.SelScore);
    withdrawChoices(1);
    withdrawChoices(5);
    gs.NewRound = false;
    for (int n = 1; n <= 6; ++n)
        if (m_dice[n].rotate) {
            changed();
            return;
        }
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
    setPhase(GamePhase::Rolling);
    m_turning.roll(turn);
    changed();
}

void Game::EvaluateRoll()
{
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
    if (m_phase == GamePhase::Rolling || m_phase == GamePhase::BeforeFirstRoll || m_phase == GamePhase::Choosing)
        setPhase(restingPhase());
    changed();
    if (bust)
        ScoreSelection(kept == 0 ? -1 : 0);
    if (m_pauseAfterRoll) {
        m_pauseAfterRoll = false;
        pauseWhenIdle();
    }
}

// ---------------------------------------------------------------- selecting and scoring

void Game::clickDie(int n)
{
    if (n < 1 || n > 6 || m_phase != GamePhase::Choosing)
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
    ChoiceOffer &offer = m_offers[f == 1 ? 0 : 1];
    qint32 *choice = f == 1 ? gs.OnesChoice : gs.FivesChoice;
    const int c = gs.SelCount[f];
    if (c < 3 || c > 6)
        return;
    const bool comingUp = !offer.offered();
    offer.entries = choiceEntries(f, c);
    for (int k = 0; k < offer.entries.size() && k < 5; ++k)
        choice[k] = offer.entries[k].value;
    offer.chosen = 0;
    changed();
    if (comingUp)
        emit choicesOffered(f, offer);
}

int Game::choiceValue(int face) const
{
    // An offer without a chosen entry counts as its first entry (the full set).
    const int chosen = choices(face).chosen;
    const int index = chosen < 0 || chosen > 4 ? 0 : chosen;
    return (face == 1 ? gs.OnesChoice : gs.FivesChoice)[index];
}

void Game::withdrawChoices(int face)
{
    m_offers[face == 1 ? 0 : 1] = ChoiceOffer();
}

void Game::ScoreSelection(int mode)
{
    if (mode == -1 || mode == 0) {
        // The round is lost: its points (the penalty, or none) stand while
        // that is told, then the round closes.
        const qint32 points = mode == -1 ? bustPenalty : 0;
        gs.SubScore = points;
        if (!covered())
            setPhase(GamePhase::RoundOver);
        changed();
        emit roundLost(points);
        EndRound(points);
        return;
    }
    if (mode != 1)
        return;
    qint64 score = 0;
    for (int f = 1; f <= 6; ++f) {
        const int c = gs.SelCount[f];
        if (f == 1 || f == 5) {
            if (c >= 3) {
                score += choiceValue(f);
            } else {
                withdrawChoices(f);
                score += qint64(c) * singlePoints(f);
            }
        } else if (c >= 3 && c <= 6) {
            score += setPoints(f, c);
        }
    }
    gs.SelScore = saturate(score);
    changed();
}

void Game::choose(int face, int index)
{
    ChoiceOffer &offer = m_offers[face == 1 ? 0 : 1];
    if (!offer.offered() || index < 0 || index >= offer.entries.size())
        return;
    offer.chosen = index;
    ScoreSelection(1);
}

void Game::bank()
{
    // A roll in flight cannot be banked around: its risk belongs to the round.
    if (rollingDice() != 0 || (m_phase != GamePhase::Choosing && m_phase != GamePhase::BeforeFirstRoll))
        return;
    ScoreSelection(1);
    const qint64 p = qint64(gs.SubScore) + gs.SelScore;
    if (p > 0) {
        recordKeep(true);
        EndRound(clampPoints(p));
    }
}

// ---------------------------------------------------------------- test buttons

void Game::stageRoll(const std::function<int(int)> &faceOfDie)
{
    // Ignored while dice roll, as clicks on the dice are.
    if (rollingDice() != 0 || (m_phase != GamePhase::Choosing && m_phase != GamePhase::BeforeFirstRoll))
        return;
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
    withdrawChoices(1);
    withdrawChoices(5);
    const auto closeRound = [this, points](BankVerdict verdict) {
        gs.RoundNo = saturate(qint64(gs.RoundNo) + 1);
        recordRoundEnd(points, verdict);
        if (m_phase == GamePhase::RoundOver || m_phase == GamePhase::Choosing)
            setPhase(restingPhase());
        changed();
        emit roundEnded(points, verdict, gs.Total, gs.RoundNo);
    };

    const BankOutcome bank = bankOutcome(gs.Total, points, settings.Winner, settings.Valid);
    if (!bank.accepted()) {
        if (!covered())
            setPhase(GamePhase::RoundOver);
        changed();
        emit bankRefused(bank.verdict, settings.Winner);
        if (!outOfRounds())
            closeRound(bank.verdict);
        return;
    }
    gs.Total = bank.total;
    if (bank.won) {
        setStopWatch(false);
        recordRoundEnd(points, bank.verdict);
        m_record.setWon();
        setPhase(GamePhase::Won);
        changed();
        emit won(WinSummary{gs.Total, gs.RoundNo, ElapsedSeconds, settings.rules(), settings.Type, false});
        return;
    }
    if (!outOfRounds())
        closeRound(bank.verdict);
}

bool Game::outOfRounds()
{
    if (gs.RoundNo < GameLimits::maxRounds)
        return false;
    // The last round a game has: it ends unwon, and the next waits behind the cover.
    setStopWatch(false);
    changed();
    emit roundsUsedUp(GameLimits::maxRounds);
    newGame();
    pause();
    return true;
}

void Game::setUpGame()
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
    gs.Total = 0;
    gs.RoundNo = 1;
    withdrawChoices(1);
    withdrawChoices(5);
    ElapsedSeconds = 0;
}

void Game::newGame(const ChallengeCode &challenge)
{
    m_challenge.arm(challenge);
    m_challenge.newGame();
    emit newGameStarted();
    setUpGame();
    setStopWatch(true);
    setPhase(GamePhase::BeforeFirstRoll);
    changed();
    startRecord(false);
}

void Game::prepareGame()
{
    m_challenge.newGame(); // challenge: the armed code, or an ordinary game
    emit newGameStarted();
    // Right after a win the game won stays on record until the next one takes its first step.
    const bool afterWin = m_phase == GamePhase::Won;
    setUpGame();
    setStopWatch(false);
    setPhase(afterWin ? GamePhase::NextGame : GamePhase::Cover);
    changed();
    if (afterWin)
        m_freshRecordDue = true;
    else
        startRecord(false);
}

// ---------------------------------------------------------------- clock and cover

void Game::StopWatchTimer()
{
    if (ElapsedSeconds < GameLimits::maxSeconds)
        ElapsedSeconds += 1;
    emit clockChanged(ElapsedSeconds);
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
    pause();
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

void Game::pause()
{
    if (!covered())
        setStopWatch(false);
    // After a win the next game waits behind the cover with the game won on record.
    if (m_freshRecordDue)
        setPhase(GamePhase::NextGame);
    else
        setPhase(continuable() ? GamePhase::Paused : GamePhase::Cover);
    changed();
}

void Game::resume()
{
    if (m_freshRecordDue)
        startRecord(false);
    setStopWatch(true);
    setPhase(rollingDice() != 0 ? GamePhase::Rolling : restingPhase());
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

void Game::restore(const Snapshot &s, const ChallengeDice &challenge)
{
    m_challenge.restore(challenge.code(), challenge.round(), challenge.roll());
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
    // Opened behind the cover, the game waits there; opened in play, it goes on.
    if (covered())
        m_phase = continuable() ? GamePhase::Paused : GamePhase::Cover;
    else
        m_phase = gs.Total == settings.Winner ? GamePhase::Won : restingPhase();
    m_offers[0] = ChoiceOffer();
    m_offers[1] = ChoiceOffer();
    BuildChoices(1);
    BuildChoices(5);
    ScoreSelection(1);
    startRecord(true);
    emit gameOpened();
    // The opened game's time shows at once, not the previous game's until the next tick.
    emit clockChanged(ElapsedSeconds);
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
    // An offer without a valid entry counts as its first, as choiceValue reads it.
    const auto entry = [](const ChoiceOffer &offer) {
        return qint8(offer.chosen < 0 || offer.chosen > 4 ? 0 : offer.chosen);
    };
    k.onesEntry = gs.SelCount[1] >= 3 ? entry(m_offers[0]) : qint8(-1);
    k.fivesEntry = gs.SelCount[5] >= 3 ? entry(m_offers[1]) : qint8(-1);
    k.points = gs.SelScore;
    k.total = gs.Total;
    k.roundNo = gs.RoundNo;
    k.roundPoints = gs.SubScore;
    m_record.add(k);
}

void Game::recordRoundEnd(qint32 points, BankVerdict verdict)
{
    RecordStep e;
    e.kind = RecordStep::RoundEnd;
    e.test = m_staging;
    e.end = points < 0 ? RecordStep::Penalty
          : points == 0 ? RecordStep::Bust
          : verdict == BankVerdict::Band ? RecordStep::RefusedBand
          : verdict == BankVerdict::Exact ? RecordStep::RefusedExact
                                                : RecordStep::Banked;
    e.total = gs.Total;
    e.roundNo = gs.RoundNo;
    e.roundPoints = points;
    m_record.add(e);
}

