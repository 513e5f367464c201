// SPDX-License-Identifier: GPL-3.0-or-later
// The INI store behind "Korvex.cnf" and "Korvex.lng": one file, no cache.
#pragma once

#include <QList>
#include <QString>

#include <utility>

// Every operation opens the file, does its one access and lets go again, so
// a read always sees the file as it is now and a write is on disk when the
// call returns. Reads never fail and never create the file; a write that
// cannot be done throws KvxError("Unable to write to <full path>").
//
// Layout: "[Section]" lines followed by "key=value" lines; names compared
// without regard to case; blanks around names, "=" and values ignored; one
// pair of matching outer quotes (" or ') around a value removed; lines whose
// first non-blank is ';' are comments; the first of two equal keys and the
// first of two equal sections win. Files are read as UTF-8 when valid,
// otherwise as Windows-1252, and are always written as UTF-8.
class TRegAuto
{
public:
    // Longest value a read returns.
    static constexpr int MaxValueLength = 2047;

    TRegAuto() = default;
    explicit TRegAuto(const QString &iniFile) : m_iniFile(iniFile) {}

    void setIniFile(const QString &path) { m_iniFile = path; }
    QString iniFile() const { return m_iniFile; }
    // The file actually used: a relative IniFile is taken from the program's folder.
    QString fullPath() const;

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    void WriteString(const QString &section, const QString &key, const QString &value);
    // Several keys in one reading and one writing of the file, each set as
    // WriteString would set it; all or (on a refused write) none.
    struct Entry
    {
        QString section, key, value;
    };
    void WriteStrings(const QList<Entry> &entries);
    int ReadInteger(const QString &section, const QString &key, int def) const;
    void WriteInteger(const QString &section, const QString &key, int value);
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    void WriteBool(const QString &section, const QString &key, bool value);

    // The integer text forms the store accepts; false (and *out untouched)
    // when the text is not a 32-bit number as a whole.
    static bool parseInteger(const QString &text, int *out);

    // A whole file in one pass, for files of many entries (the statistics),
    // where a read per key would go over the file once per key. Sections in
    // file order, each with all its key lines in order, named and valued as
    // ReadString reads them; lines before the first section are dropped.
    struct Section
    {
        QString name;
        QList<std::pair<QString, QString>> keys;
    };
    static QList<Section> parseSections(const QByteArray &bytes);
    // The text of a whole file holding these sections, as the writes here
    // write it (UTF-8, values quoted where a read would change them).
    static QByteArray formatSections(const QList<Section> &sections);

private:
    QString m_iniFile;
};
