// SPDX-License-Identifier: GPL-3.0-or-later
// The INI store behind "Korvex.cnf" and "Korvex.lng": one file, no cache.
#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
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
//
// A file that is no regular file or is larger than MaxFileBytes is not read
// (every key reads as its default) and is never replaced by a write.
class TRegAuto
{
public:
    // Longest value a read returns.
    static constexpr int MaxValueLength = 2047;
    // Largest file read: far beyond any settings or language file.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    // While a Pass lives, the reads of its store all come from one reading
    // of the file, so that loading many keys does not go over the file once
    // per key. Writes end the pass's view: later reads see the file again.
    class Pass
    {
    public:
        explicit Pass(const TRegAuto &ini);
        ~Pass();
        Pass(const Pass &) = delete;
        Pass &operator=(const Pass &) = delete;
        // Why the file was not read ("<file>: <reason>"); empty when it was
        // read or is missing.
        QString problem() const;

    private:
        const TRegAuto &m_ini;
    };

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
    // Every value of a file as a read finds it: section and key folded to
    // one case; a key line without "=" has no value.
    struct Contents
    {
        QHash<QString, std::optional<QString>> values;
        QString problem;
    };
    std::shared_ptr<const Contents> contents() const;

    QString m_iniFile;
    mutable std::shared_ptr<const Contents> m_pass;
    mutable int m_passes = 0;
};
