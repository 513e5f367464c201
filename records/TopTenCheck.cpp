// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten check after a win.
#include "records/TopTenCheck.h"

#include "settings/CodePage.h"
#include "settings/UiTexts.h"
#include "records/TopTen.h"

#include "game/Scoring.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

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
    const QString date = QStringLiteral("%1%2%3")
                             .arg(today.year(), 4, 10, QLatin1Char('0'))
                             .arg(today.month(), 2, 10, QLatin1Char('0'))
                             .arg(today.day(), 2, 10, QLatin1Char('0'));
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

    for (const int type : {1, 2}) {
        if (!(q & type))
            continue;
        QString aside;
        table.InsertTopTen(entry, type, &aside);
        if (!aside.isEmpty())
            ui.showMessage(uiText("ttKeptAside").arg(QDir::toNativeSeparators(aside)));
    }

    ui.showTopTen();
    return true;
}
