// SPDX-License-Identifier: GPL-3.0-or-later
// The two top-ten tables: the 40-byte record, the ten-slot table and its files.
#pragma once

#include "base/KvxError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct TopTenEntry
{
    qint32 Score = 0;
    QByteArray Name;  // at most 20 bytes, Windows-1252
    QByteArray Stamp; // at most 14 bytes: "yyyymmdd" + "hhmmss"

    bool operator==(const TopTenEntry &o) const
    {
        return Score == o.Score && Name == o.Name && Stamp == o.Stamp;
    }
    bool operator!=(const TopTenEntry &o) const { return !(*this == o); }
};

namespace TopTen {

constexpr int RecordSize = 40;
constexpr int Slots = 10;
constexpr int NameCapacity = 20;
constexpr int StampCapacity = 14;

// Score 0, one blank as the name, fourteen blanks as the stamp.
TopTenEntry blankEntry();

// The record on disk, byte for byte; the bytes behind each string are zero.
QByteArray toRecord(const TopTenEntry &entry);
// `record` must hold RecordSize bytes; stored lengths beyond capacity are clamped.
TopTenEntry fromRecord(const QByteArray &record);

// Characters 9 to 14 of the stamp, as many as exist.
QByteArray timePart(const QByteArray &stamp);

// A typed name as stored: its first 20 characters in Windows-1252.
QByteArray nameBytes(const QString &typed);
// The part of a typed name that the table keeps: its first NameCapacity
// characters (a surrogate pair is one character, stored as one "?").
QString fitName(const QString &typed);

// ProgramDir + "KVXScr" + P|T + ".ini"; anything but type 2 uses P.
QString fileName(int type);

// Largest table file read; the game writes 400 bytes.
constexpr qint64 MaxFileBytes = 64 * 1024;

} // namespace TopTen

// A table file whose length is no whole number of records.
class TopTenDamaged : public KvxError
{
public:
    using KvxError::KvxError;
};

namespace TopTen {

} // namespace TopTen

// Ten slots numbered 1 to 10. Every operation that works on a type loads that
// type's file first, so the contents mean nothing between operations.
// File failures throw KvxError naming the file and the reason.
class TopTenTable
{
public:
    TopTenTable();

    TopTenEntry &slot(int n);
    const TopTenEntry &slot(int n) const;

    // Reads the type's file; a missing file is created empty. Slots not in the
    // file are blank; records after the tenth are ignored. On failure the
    // table keeps what it held; a partial record throws TopTenDamaged.
    void LoadTopTen(int type);
    // Replaces the type's file with the ten slots.
    void SaveTopTen(int type) const;
    // Type 1 by Score, highest first; type 2 by time part, shortest first with
    // blank times behind; other types stay as they are.
    void SortTopTen(int type);
    void SwapTopTen(int i, int j);
    // 0 none, 1 score table, 2 time table, 3 both; loads both files. With
    // `damaged`, the error of a table that cannot be loaded is added there
    // instead of thrown: a damaged table then counts as empty, one that
    // cannot be read at all (no regular file, too large) as not entered.
    int QualifyTopTen(const TopTenEntry &entry, QStringList *damaged = nullptr);
    // Under the file's lock: loads and sorts, and when the entry still
    // enters the table as it is now (another copy of the game may have
    // added its own win since it qualified), puts it over slot 10, sorts
    // again and saves. False when it no longer enters. With `keptAside`, a
    // damaged table is first kept as keepAsideName() (returned there)
    // and the entry goes into a new one; without, it throws.
    bool InsertTopTen(const TopTenEntry &entry, int type, QString *keptAside = nullptr);
    // Whether the entry enters the table as loaded.
    bool enters(const TopTenEntry &entry, int type) const;

private:
    TopTenEntry m_slots[TopTen::Slots];
};

// The one table the game and the dialog share.
TopTenTable &topTenTable();

// The texts of one row of the dialog: first column, name, last column.
// Only types 1 and 2 have rows; any other type gives three null strings.
struct TopTenRowText
{
    QString ls, lna, lda;
};
TopTenRowText topTenRowText(const TopTenEntry &entry, int type);
