// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252 conversion of names both ways.
#include "settings/Cp1252.h"

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
};

QTEST_GUILESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"
