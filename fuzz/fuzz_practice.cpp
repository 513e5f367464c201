// SPDX-License-Identifier: GPL-3.0-or-later
// The practice file's reader against arbitrary files: what it can use is
// written back so that a second reading finds the same, an answer added keeps
// every line it held, and a file it cannot use is said to be damaged. Nothing
// written lies past what a read takes, and the progress grows only with the
// answers read.
#include "FuzzCheck.h"

#include "game/GameLimits.h"
#include "records/PracticeFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const PracticeData d = PracticeFile::parse(bytes);
    if (d.status == PracticeData::Damaged) {
        FUZZ_CHECK(!d.problem.isEmpty(), "a damaged file without its reason");
        FUZZ_CHECK(d.positions.isEmpty() && d.attempts.isEmpty(), "positions used from a damaged file");
        return 0;
    }
    for (const PracticePosition &p : d.positions)
        FUZZ_CHECK(p.sound(), "a position the game cannot meet was read");
    // The progress is bounded by the answers read, never by a figure.
    for (const PracticeSource source : {PracticeSource::Mine, PracticeSource::BuiltIn}) {
        const PracticeProgress progress = practiceProgress(d, source);
        FUZZ_CHECK(progress.days.size() <= d.attempts.size() && progress.whole.tried <= d.attempts.size(),
                   "more days than answers");
    }

    // Written back and read again: the same positions, answers and unread lines.
    const QByteArray written = PracticeFile::format(d);
    const PracticeData again = PracticeFile::parse(written);
    FUZZ_CHECK(again.status != PracticeData::Damaged, again.problem);
    FUZZ_CHECK(again.positions.size() == d.positions.size() && again.attempts.size() == d.attempts.size(),
               "positions or answers lost on the way");
    FUZZ_CHECK(again.skipped == d.skipped, "unread lines lost on the way");
    FUZZ_CHECK(again.turn == d.turn, "the turn changed");
    FUZZ_CHECK(PracticeFile::format(again) == written, "a second writing differs from the first");

    // An answer added: nothing it held is lost, unless the oldest leave the bounds.
    PracticeData answered = d;
    PracticePosition p;
    p.rolled[1] = 1;
    p.rolled[2] = 5;
    PracticeVerdict v;
    v.legal = true;
    v.cost = 0.5;
    answered.answer(p, v, QDateTime(QDate(2026, 12, 7), QTime(18, 0)));
    const PracticeData after = PracticeFile::parse(PracticeFile::format(answered));
    FUZZ_CHECK(after.status != PracticeData::Damaged, after.problem);
    FUZZ_CHECK(after.skipped == d.skipped, "unread lines lost with an answer");
    FUZZ_CHECK(after.attempts.size() == std::min(d.attempts.size() + 1, qsizetype(PracticeFile::kMaxAttempts)),
               "an answer lost");
    // The turns move on, numbered afresh when they would pass what a read takes.
    FUZZ_CHECK(after.turn == answered.turn && after.positions.size() == answered.positions.size(),
               "the turn or a position was written past what a read takes");
    FUZZ_CHECK(answered.turn >= 0 && answered.turn <= GameLimits::maxTurn, "a turn past what a read takes");
    qint64 lastDue = d.turn;
    for (const PracticePosition &q : d.positions)
        lastDue = std::max(lastDue, q.due);
    FUZZ_CHECK(lastDue >= GameLimits::maxTurn - 10 || answered.turn == d.turn + 1, "the turn did not move on");

    // Written within the size a read takes, or not at all.
    if (answered.fit())
        FUZZ_CHECK(PracticeFile::format(answered).size() <= PracticeFile::kMaxBytes, "a file written that a read refuses");
    return 0;
}
