// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the game's files whole: a read never blocks and never
// takes more than a bounded size; a write replaces the file in one step, so
// that a crash or a failure leaves the old one intact.
#pragma once

#include <QByteArray>
#include <QString>

// Writes data beside path and puts it in place in one step. Returns an empty
// string on success, else the reason, in the player's language where it is
// the game's own (a full disk, a read-only file, a link out of the folder, no
// regular file); on failure the earlier file at path is untouched.
//
// A file that is there keeps its owner and permissions. A symbolic link is
// followed only to a file in the same folder. A new file is linked into place
// before its temporary name goes, so no kill leaves it under the temporary
// name alone; leftovers of a copy killed in between are cleared by the next
// write of the same file.
QString writeAtomically(const QString &path, const QByteArray &data);

// The result of reading a whole file.
enum class ReadOutcome {
    Ok,      // *bytes holds the file
    Missing, // there is no such file
    Refused  // no regular file, too large, or unreadable: *why says which
};

// Reads a whole regular file of at most maxBytes. The file is opened without
// waiting (a pipe or a device is refused rather than read), its kind checked
// on the open file, and nothing beyond maxBytes is read. *why is the reason
// for a refusal, for the caller to show with the file's name.
ReadOutcome readWholeFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QString *why);

// The first `count` bytes of a regular file (fewer when it is shorter), read
// the same way.
ReadOutcome readFileStart(const QString &path, qint64 count, QByteArray *bytes, QString *why);
