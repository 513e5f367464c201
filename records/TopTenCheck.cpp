// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten check after a win.
#include "records/TopTenCheck.h"

#include "base/CodePage.h"
#include "base/UiTexts.h"
#include "records/TopTen.h"
#include "base/FileLock.h"

#include "game/Scoring.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace {

enum class Entered { Yes, NoLonger, InUse };

// One entry into one table, under the table's lock, as the table is now.
Entered enterOne(const TopTenEntry &entry, int type, TopTenUi &ui)
{
    QString aside;
    bool in = false;
    try {
        in = topTenTable().InsertTopTen(entry, type, &aside);
    } catch (const FileInUse &) {
        return Entered::InUse;
    }
    if (!aside.isEmpty())
        ui.showMessage(uiText("ttKeptAside").arg(QDir::toNativeSeparators(aside)));
    if (in)
        return Entered::Yes;
    ui.showMessage(uiText(type == 2 ? "ttNoLongerTime" : "ttNoLongerScore"));
    return Entered::NoLonger;
}

struct Waiting
{
    TopTenEntry entry;
    int type = 1;
};

// Entries whose table was in use, in the order they came.
std::deque<Waiting> &waiting()
{
    static std::deque<Waiting> w;
    return w;
}

} // namespace

qint32 topTenScore(qint32 total, qint32 roundNo)
{
    if (roundNo <= 0)
        return 0; // no round played: nothing to rate
    const qint64 r = rating(total, roundNo);
    return qint32(std::clamp<qint64>(r, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QByteArray topTenStamp(const QDate &today, const QString &elapsedText)
{
    // Longer elapsed texts would shift into the wrong places of the stamp.
    const QString time = elapsedText.size() > 6 ? QStringLiteral("995959") : elapsedText;
    const auto digits = [](int v, int width) { return QString::number(v).rightJustified(width, QLatin1Char('0')); };
    const QString date = digits(today.year(), 4) + digits(today.month(), 2) + digits(today.day(), 2);
    return toCp1252((date + time).left(TopTen::StampCapacity));
}

bool topTenNameIsBlank(const QString &typed)
{
    for (const QChar c : typed) {
        if (!c.isSpace() && c.category() != QChar::Other_Control)
            return false;
    }
    return true;
}

bool CheckTopTen(qint32 total, qint32 roundNo, const QString &elapsedText, const QDate &today,
                 const QString &msgNewHi, TopTenUi &ui)
{
    TopTenEntry entry;
    entry.Score = topTenScore(total, roundNo);
    entry.Stamp = topTenStamp(today, elapsedText);

    enterWaitingTopTen(ui);

    TopTenTable &table = topTenTable();
    QStringList damaged;
    const int q = table.QualifyTopTen(entry, &damaged);
    for (const QString &problem : damaged)
        ui.showError(problem);
    if (q == 0)
        return false;

    ui.showMessage(msgNewHi);

    QString typed;
    for (;;) {
        if (!ui.askName(uiText("topNameTitle"), uiText("topNamePrompt"), typed))
            return false;
        if (!topTenNameIsBlank(typed))
            break;
    }
    entry.Name = TopTen::nameBytes(typed);

    bool stored = false;
    for (const int type : {1, 2}) {
        if (!(q & type))
            continue;
        switch (enterOne(entry, type, ui)) {
        case Entered::Yes:
            stored = true;
            break;
        case Entered::NoLonger:
            break;
        case Entered::InUse:
            waiting().push_back({entry, type});
            ui.showMessage(uiText("ttEnterLater").arg(QDir::toNativeSeparators(TopTen::fileName(type))));
            break;
        }
    }

    if (stored)
        ui.showTopTen();
    return stored;
}

int enterWaitingTopTen(TopTenUi &ui)
{
    std::deque<Waiting> &w = waiting();
    bool busy[3] = {false, false, false}; // a table found in use is not waited for twice
    for (auto it = w.begin(); it != w.end();) {
        Entered done = Entered::InUse;
        try {
            if (!busy[it->type == 2 ? 2 : 1])
                done = enterOne(it->entry, it->type, ui);
        } catch (const KvxError &e) {
            ui.showError(e.message());
            done = Entered::NoLonger;
        }
        if (done == Entered::InUse)
            busy[it->type == 2 ? 2 : 1] = true;
        it = done == Entered::InUse ? std::next(it) : w.erase(it);
    }
    return int(w.size());
}

int waitingTopTenEntries()
{
    return int(waiting().size());
}

QStringList waitingTopTenFiles()
{
    QStringList files;
    for (const Waiting &w : waiting()) {
        const QString file = TopTen::fileName(w.type);
        if (!files.contains(file))
            files << file;
    }
    return files;
}
