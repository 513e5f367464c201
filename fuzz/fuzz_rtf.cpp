// SPDX-License-Identifier: GPL-3.0-or-later
// The rules reader against arbitrary bytes: it must neither crash nor hang,
// and what it puts in the document stays in proportion to what it was given.
#include "FuzzCheck.h"
#include "base/CodePage.h"
#include "dialogs/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text layout needs a GUI application; no display is needed.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));

    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old content"));
    RtfReader::read(bytes, &doc);
    // Every character of the document is paid for by at least one input byte;
    // table cells and the closing block may add a few of their own.
    FUZZ_CHECK(doc.characterCount() <= 2 * int(size) + 64,
               QStringLiteral("%1 characters from %2 bytes").arg(doc.characterCount()).arg(size));
    FUZZ_CHECK(!doc.toPlainText().contains(QStringLiteral("old content")) || bytes.contains("old content"),
               QStringLiteral("the document was not replaced"));

    // A file that is not rich text is shown as plain text.
    const QString plain = RtfReader::decodePlainText(bytes);
    FUZZ_CHECK(plain.size() <= int(size), QStringLiteral("plain text longer than its bytes"));
    FUZZ_CHECK(!plain.contains(QLatin1Char('\r')), QStringLiteral("a carriage return survived"));

    if (size >= 2) {
        const int pages[] = {1250, 1251, 1252, 437, int(data[0]) * 7};
        for (int cp : pages)
            FUZZ_CHECK(fromCodePage(cp, data[1]) != 0 || data[1] == 0,
                       QStringLiteral("byte %1 of code page %2 decodes to nothing").arg(data[1]).arg(cp));
    }
    return 0;
}
