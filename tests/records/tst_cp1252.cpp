// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows code pages: 1252 both ways, 1250 and 1251 read.
#include "base/CodePage.h"

#include <QTest>

class TestCp1252 : public QObject
{
    Q_OBJECT

private slots:
    void asciiAndLatin1PassThrough()
    {
        QCOMPARE(toCp1252(QString::fromUtf8("Ann é ÿ ©")), QByteArray("Ann \xE9 \xFF \xA9"));
        QCOMPARE(fromCp1252(QByteArray("Ann \xE9 \xFF \xA9")), QString::fromUtf8("Ann é ÿ ©"));
    }

    void highRangeMapsBothWays()
    {
        const QString text = QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
        const QByteArray bytes("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
                               "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
        QCOMPARE(toCp1252(text), bytes);
        QCOMPARE(fromCp1252(bytes), text);
    }

    void undefinedBytesRoundTrip()
    {
        const QByteArray gaps("\x81\x8D\x8F\x90\x9D");
        QCOMPARE(fromCp1252(gaps), QString::fromUtf8("\u0081\u008D\u008F\u0090\u009D"));
        QCOMPARE(toCp1252(fromCp1252(gaps)), gaps);
    }

    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toCp1252(fromCp1252(all)), all);
    }

    void missingCharactersBecomeQuestionMarks()
    {
        QCOMPARE(toCp1252(QString::fromUtf8("日本")), QByteArray("??"));
        QCOMPARE(toCp1252(QString::fromUtf8("a\u0080b")), QByteArray("a?b")); // a C1 control
        QCOMPARE(toCp1252(QString::fromUtf8("\U0001F600!")), QByteArray("?!"));
        QCOMPARE(toCp1252(QString(QChar(0xD800)) + "x"), QByteArray("?x")); // lone surrogate
    }

    void otherCodePages()
    {
        // Bytes below 0x80 are ASCII in every code page.
        for (int cp : {1250, 1251, 1252, 437})
            for (int b = 0; b < 0x80; ++b)
                QCOMPARE(int(fromCodePage(cp, uchar(b))), b);
        // Latin-1 half of 1252.
        for (int b = 0xA0; b <= 0xFF; ++b)
            QCOMPARE(int(fromCodePage(1252, uchar(b))), b);
        // Cyrillic block of 1251.
        for (int b = 0xC0; b <= 0xFF; ++b)
            QCOMPARE(int(fromCodePage(1251, uchar(b))), 0x410 + b - 0xC0);
        QCOMPARE(int(fromCodePage(1252, 0x80)), 0x20AC);
        QCOMPARE(int(fromCodePage(1252, 0x99)), 0x2122);
        QCOMPARE(int(fromCodePage(1252, 0x8D)), 0x8D);  // undefined: the C1 control
        QCOMPARE(int(fromCodePage(1251, 0x80)), 0x0402);
        QCOMPARE(int(fromCodePage(1251, 0x98)), 0x98);
        QCOMPARE(int(fromCodePage(1250, 0xA5)), 0x0104);
        QCOMPARE(int(fromCodePage(1250, 0xFF)), 0x02D9);
        QCOMPARE(int(fromCodePage(1250, 0xDE)), 0x0162);
        QCOMPARE(int(fromCodePage(1250, 0x81)), 0x81);
        QCOMPARE(int(fromCodePage(437, 0xE9)), 0xE9);  // unknown pages read as 1252
    }
};

QTEST_GUILESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"
