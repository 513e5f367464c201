// SPDX-License-Identifier: GPL-3.0-or-later
// A small reader for the rich text of the rules document. Qt renders no RTF
// itself, and the rules file may come from any word processor, so the reader
// takes what it understands and quietly drops the rest.
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace RtfReader {

// True when the bytes open like a rich-text document ("{\rtf").
bool looksLikeRtf(const QByteArray &data);

// Replaces the content of doc with the text of the rich-text bytes. Never
// throws and never fails: what cannot be understood is left out. Runs in time
// and memory linear in the input, whatever it holds.
void read(const QByteArray &rtf, QTextDocument *doc);

// Text of a file that is not rich text: UTF-8 when the bytes are valid
// UTF-8, else Windows-1252. Line ends become '\n'.
QString decodePlainText(const QByteArray &data);

// The rules viewer's load: empties doc, then fills it from the file at path.
// A missing file leaves doc empty; a file that is not rich text is shown as
// plain text; a file that cannot be read, is no regular file or is larger
// than 2 MiB throws KvxError("Failed to Load Stream"), followed on a line of
// its own by the file's name and the reason.
void loadRulesInto(QTextDocument *doc, const QString &path);

} // namespace RtfReader
