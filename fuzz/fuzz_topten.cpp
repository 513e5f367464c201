// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten reader against arbitrary files: a file of whole records loads
// record for record, anything else is refused and leaves the table as it was;
// whatever loads sorts, saves and loads again unchanged.
#include "FuzzCheck.h"

#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "records/TopTen.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

bool sameTable(const TopTenTable &a, const TopTenTable &b)
{
    for (int n = 1; n <= TopTen::Slots; ++n)
        if (a.slot(n) != b.slot(n))
            return false;
    return true;
}

QByteArray sortTime(const TopTenEntry &e)
{
    const QByteArray t = TopTen::timePart(e.Stamp);
    return t == "      " ? QByteArray("999999") : t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    ProgramDir::set(dir.path() + QLatin1Char('/'));
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int type = size > 0 && (data[0] & 0x80) ? 2 : 1;
    QFile::remove(TopTen::fileName(1));
    QFile::remove(TopTen::fileName(2));

    // Every record: lengths clamped, and what is read writes back the same.
    for (int at = 0; at + TopTen::RecordSize <= bytes.size(); at += TopTen::RecordSize) {
        const TopTenEntry e = TopTen::fromRecord(bytes.mid(at, TopTen::RecordSize));
        FUZZ_CHECK(e.Name.size() <= TopTen::NameCapacity, QString::number(e.Name.size()));
        FUZZ_CHECK(e.Stamp.size() <= TopTen::StampCapacity, QString::number(e.Stamp.size()));
        const QByteArray rec = TopTen::toRecord(e);
        FUZZ_CHECK(rec.size() == TopTen::RecordSize, QString::number(rec.size()));
        FUZZ_CHECK(TopTen::fromRecord(rec) == e, QStringLiteral("a record does not come back"));
        for (int t = 0; t <= 3; ++t)
            (void)topTenRowText(e, t);
    }

    {
        QFile f(TopTen::fileName(type));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(bytes);
    }
    TopTenTable table;
    table.slot(3).Score = 12345; // something a refused load must leave in place
    const TopTenTable before = table;
    bool loaded = true;
    try {
        table.LoadTopTen(type);
    } catch (const KvxError &) {
        loaded = false;
    }
    FUZZ_CHECK(loaded == (size % TopTen::RecordSize == 0 && qint64(size) <= TopTen::MaxFileBytes),
               QString::number(size));
    if (!loaded) {
        FUZZ_CHECK(sameTable(table, before), QStringLiteral("a refused file changed the table"));
        if (qint64(size) > TopTen::MaxFileBytes)
            return 0;
        // A damaged table goes aside whole and a new one takes the entry.
        const QString path = TopTen::fileName(type);
        QFile::remove(path + QStringLiteral(".damaged"));
        TopTenEntry e = TopTen::blankEntry();
        e.Score = 1;
        e.Stamp = "20240101000001";
        QString aside;
        try {
            FUZZ_CHECK(table.InsertTopTen(e, type, &aside), QStringLiteral("a new table refused the entry"));
        } catch (const KvxError &err) {
            FUZZ_CHECK(false, err.message());
        }
        FUZZ_CHECK(aside == path + QStringLiteral(".damaged"), aside);
        QFile kept(aside);
        FUZZ_CHECK(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes, QStringLiteral("the damaged table changed"));
        return 0;
    }
    const int records = int(size) / TopTen::RecordSize;
    for (int n = 1; n <= TopTen::Slots; ++n) {
        const TopTenEntry want = n <= records
                ? TopTen::fromRecord(bytes.mid((n - 1) * TopTen::RecordSize, TopTen::RecordSize))
                : TopTen::blankEntry();
        FUZZ_CHECK(table.slot(n) == want, QStringLiteral("slot %1").arg(n));
    }

    // Sorted, saved and loaded again: the same ten, in order.
    const TopTenTable unsorted = table;
    table.SortTopTen(type);
    for (int n = 1; n < TopTen::Slots; ++n) {
        if (type == 1)
            FUZZ_CHECK(table.slot(n).Score >= table.slot(n + 1).Score, QStringLiteral("score order at %1").arg(n));
        else
            FUZZ_CHECK(sortTime(table.slot(n)) <= sortTime(table.slot(n + 1)), QStringLiteral("time order at %1").arg(n));
    }
    for (int n = 1; n <= TopTen::Slots; ++n) {
        int inUnsorted = 0, inSorted = 0;
        for (int k = 1; k <= TopTen::Slots; ++k) {
            inUnsorted += unsorted.slot(k) == table.slot(n);
            inSorted += table.slot(k) == table.slot(n);
        }
        FUZZ_CHECK(inUnsorted == inSorted, QStringLiteral("sorting lost or made an entry"));
    }
    const TopTenTable sorted = table;
    try {
        table.SaveTopTen(type);
        TopTenTable again;
        again.LoadTopTen(type);
        FUZZ_CHECK(sameTable(again, sorted), QStringLiteral("save and load changed the table"));
        // A new entry goes in where it belongs, and the table keeps ten.
        TopTenEntry e;
        e.Score = records > 0 ? sorted.slot(1).Score : 1;
        e.Name = bytes.left(TopTen::NameCapacity);
        e.Stamp = QByteArray("20240101") + bytes.mid(1, 6).leftJustified(6, '0');
        (void)again.QualifyTopTen(e);
        again.LoadTopTen(type);
        const bool enters = again.enters(e, type);
        FUZZ_CHECK(again.InsertTopTen(e, type) == enters, QStringLiteral("inserted against the table as it is"));
        TopTenTable third;
        third.LoadTopTen(type);
        bool found = false;
        for (int n = 1; n <= TopTen::Slots; ++n)
            found = found || third.slot(n) == TopTen::fromRecord(TopTen::toRecord(e));
        FUZZ_CHECK(found || !enters, QStringLiteral("the entry is missing"));
        if (!enters)
            FUZZ_CHECK(sameTable(third, sorted), QStringLiteral("an entry that does not enter changed the table"));
    } catch (const KvxError &e) {
        FUZZ_CHECK(false, e.message());
    }
    return 0;
}
