// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten files: raw 40-byte records, read and written whole.
#include "records/TopTen.h"

#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "base/RecordFile.h"
#include "base/CodePage.h"
#include "base/FileLock.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kBlankTime("      ");

TopTenDamaged partialRecord(const QString &path)
{
    return TopTenDamaged(fileProblem(path, QStringLiteral("Read beyond end of file")));
}

// The time part used for ordering: a blank one sorts behind every real time.
QByteArray sortTime(const TopTenEntry &e)
{
    const QByteArray t = TopTen::timePart(e.Stamp);
    return t == kBlankTime ? QByteArray("999999") : t;
}

} // namespace

namespace TopTen {

TopTenEntry blankEntry()
{
    TopTenEntry e;
    e.Score = 0;
    e.Name = QByteArray(" ");
    e.Stamp = QByteArray(StampCapacity, ' ');
    return e;
}

QByteArray toRecord(const TopTenEntry &entry)
{
    QByteArray rec(RecordSize, '\0');
    qToLittleEndian<qint32>(entry.Score, rec.data());
    const QByteArray name = entry.Name.left(NameCapacity);
    const QByteArray stamp = entry.Stamp.left(StampCapacity);
    rec[4] = static_cast<char>(name.size());
    rec.replace(5, name.size(), name);
    rec[25] = static_cast<char>(stamp.size());
    rec.replace(26, stamp.size(), stamp);
    return rec;
}

TopTenEntry fromRecord(const QByteArray &record)
{
    Q_ASSERT(record.size() >= RecordSize);
    const char *p = record.constData();
    TopTenEntry e;
    e.Score = qFromLittleEndian<qint32>(p);
    const int nameLen = qMin<int>(static_cast<unsigned char>(p[4]), NameCapacity);
    const int stampLen = qMin<int>(static_cast<unsigned char>(p[25]), StampCapacity);
    e.Name = QByteArray(p + 5, nameLen);
    e.Stamp = QByteArray(p + 26, stampLen);
    return e;
}

QByteArray timePart(const QByteArray &stamp)
{
    return stamp.mid(8, 6);
}

QString fitName(const QString &typed)
{
    // Count characters, not UTF-16 units, so a pair is never cut in half.
    qsizetype cut = 0;
    int chars = 0;
    while (cut < typed.size() && chars < NameCapacity) {
        if (typed.at(cut).isHighSurrogate() && cut + 1 < typed.size()
            && typed.at(cut + 1).isLowSurrogate())
            ++cut;
        ++cut;
        ++chars;
    }
    return typed.left(cut);
}

QByteArray nameBytes(const QString &typed)
{
    return toCp1252(fitName(typed));
}

QString fileName(int type)
{
    const QChar letter = type == 2 ? QLatin1Char('T') : QLatin1Char('P');
    return ProgramDir::file(QStringLiteral("KVXScr") + letter + QStringLiteral(".ini"));
}

} // namespace TopTen

TopTenTable::TopTenTable()
{
    for (TopTenEntry &e : m_slots)
        e = TopTen::blankEntry();
}

TopTenEntry &TopTenTable::slot(int n)
{
    Q_ASSERT(n >= 1 && n <= TopTen::Slots);
    return m_slots[n - 1];
}

const TopTenEntry &TopTenTable::slot(int n) const
{
    Q_ASSERT(n >= 1 && n <= TopTen::Slots);
    return m_slots[n - 1];
}

void TopTenTable::LoadTopTen(int type)
{
    const QString path = TopTen::fileName(type);
    TopTenTable loaded;

    const RecordRead r = readRecord(path, TopTen::MaxFileBytes);
    if (r.refused())
        throw fileError(path, r.why);
    if (r.outcome == ReadOutcome::Missing) {
        // Created empty, through a write that does not follow a link out of the folder.
        const QString why = writeAtomically(path, QByteArray());
        if (!why.isEmpty() && !QFileInfo(path).isFile())
            throw fileError(path, why);
        *this = loaded;
        return;
    }
    const QByteArray &bytes = r.bytes;
    // A broken last record fails, also behind the tenth.
    if (bytes.size() % TopTen::RecordSize != 0)
        throw partialRecord(path);
    const int records = int(std::min<qsizetype>(bytes.size() / TopTen::RecordSize, TopTen::Slots));
    for (int n = 0; n < records; ++n)
        loaded.m_slots[n] = TopTen::fromRecord(bytes.mid(n * TopTen::RecordSize, TopTen::RecordSize));
    *this = loaded;
}

void TopTenTable::SaveTopTen(int type) const
{
    const QString path = TopTen::fileName(type);
    QByteArray data;
    data.reserve(TopTen::Slots * TopTen::RecordSize);
    for (const TopTenEntry &e : m_slots)
        data += TopTen::toRecord(e);

    writeRecord(path, data);
}

void TopTenTable::SortTopTen(int type)
{
    if (type != 1 && type != 2)
        return;
    for (int i = 1; i <= TopTen::Slots - 1; ++i) {
        for (int j = i; j <= TopTen::Slots; ++j) {
            const bool exchange = type == 1
                ? slot(i).Score < slot(j).Score
                : sortTime(slot(i)) > sortTime(slot(j));
            if (exchange)
                SwapTopTen(i, j);
        }
    }
}

void TopTenTable::SwapTopTen(int i, int j)
{
    std::swap(slot(i), slot(j));
}

bool TopTenTable::enters(const TopTenEntry &entry, int type) const
{
    if (type == 1) {
        for (const TopTenEntry &e : m_slots)
            if (e.Score < entry.Score)
                return true;
        return false;
    }
    if (type == 2) {
        const QByteArray time = TopTen::timePart(entry.Stamp);
        for (const TopTenEntry &e : m_slots) {
            const QByteArray t = TopTen::timePart(e.Stamp);
            if (t > time || t == kBlankTime)
                return true;
        }
        return false;
    }
    return true;
}

int TopTenTable::QualifyTopTen(const TopTenEntry &entry, QStringList *damaged)
{
    int result = 0;
    for (const int type : {1, 2}) {
        try {
            LoadTopTen(type);
        } catch (const TopTenDamaged &e) {
            if (!damaged)
                throw;
            damaged->append(e.message());
            *this = TopTenTable();
        } catch (const KvxError &e) {
            // A table that cannot be read at all is never written either;
            // the other one may still take the game.
            if (!damaged)
                throw;
            damaged->append(e.message());
            continue;
        }
        if (enters(entry, type))
            result |= type;
    }
    return result;
}

bool TopTenTable::InsertTopTen(const TopTenEntry &entry, int type, QString *keptAside)
{
    // Another copy of the game may be adding its own win to the same file:
    // what counts is the table as it is under the lock.
    const QString path = TopTen::fileName(type);
    const SharedFileLock lock(path);
    try {
        LoadTopTen(type);
    } catch (const TopTenDamaged &) {
        if (!keptAside)
            throw;
        // Kept whole beside the new table, which this win begins.
        *keptAside = keepDamaged(path);
        *this = TopTenTable();
    }
    SortTopTen(type);
    if (!enters(entry, type))
        return false;
    slot(TopTen::Slots) = entry;
    SortTopTen(type);
    SaveTopTen(type);
    return true;
}

TopTenTable &topTenTable()
{
    static TopTenTable table;
    return table;
}

TopTenRowText topTenRowText(const TopTenEntry &entry, int type)
{
    TopTenRowText row;
    if (type != 1 && type != 2)
        return row;

    const auto s = [&entry](int a, int b) { return fromCp1252(entry.Stamp.mid(a - 1, b - a + 1)); };
    const QString date = s(1, 4) + QLatin1Char('.') + s(5, 6) + QLatin1Char('.') + s(7, 8);
    const QString time = s(9, 10) + QLatin1Char(':') + s(11, 12) + QLatin1Char(':') + s(13, 14);
    const QString score = QString::number(entry.Score);

    row.lna = fromCp1252(entry.Name);
    if (type == 1) {
        row.ls = score;
        row.lda = date + QStringLiteral(" - ") + time;
    } else {
        row.ls = time;
        row.lda = score + QStringLiteral(" - ") + date;
    }
    return row;
}
