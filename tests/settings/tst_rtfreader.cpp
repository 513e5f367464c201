// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/KvxError.h"
#include "dialogs/RtfReader.h"
#include "base/UiTexts.h"
#include "support/CpuClock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <sys/stat.h>

namespace {

const QChar kLineSep(0x2028);

// Block texts joined by '\n'; line separators and non-breaking spaces stay.
QString blocks(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        out << b.text();
    return out.join(QLatin1Char('\n'));
}

QString readText(const QByteArray &rtf)
{
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    return blocks(doc);
}

// Format of the first character of the first occurrence of needle.
QTextCharFormat formatOf(const QTextDocument &doc, const QString &needle)
{
    const int pos = doc.toRawText().indexOf(needle);
    if (pos < 0)
        return QTextCharFormat();
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    return c.charFormat();
}

// True when every character of needle's first occurrence has the same format.
bool uniform(const QTextDocument &doc, const QString &needle)
{
    const int pos = doc.toRawText().indexOf(needle);
    if (pos < 0)
        return false;
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    const QTextCharFormat first = c.charFormat();
    for (int i = 2; i <= needle.size(); ++i) {
        c.setPosition(pos + i);
        if (c.charFormat() != first)
            return false;
    }
    return true;
}

bool isBold(const QTextCharFormat &f) { return f.fontWeight() == QFont::Bold; }

QTextBlockFormat blockWith(const QTextDocument &doc, const QString &text)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.text() == text)
            return b.blockFormat();
    return QTextBlockFormat();
}

// The comparable lines of a rendering. Both writers break lines at the same
// places, but lay them out differently:
// - the plain writer separates paragraphs with blank lines: empty lines go;
// - indentation, list-marker padding and table-column padding are layout
//   (spaces in plain text, tabs and margins in RTF): runs of white space
//   become one blank, and each line is trimmed;
// - the plain writer draws table rules as lines of dashes: they go;
// - list markers are '-' in plain text and a bullet or an en dash in RTF.
QStringList comparableLines(QString text)
{
    text.replace(kLineSep, QLatin1Char('\n'));
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    QStringList out;
    static const QRegularExpression space(QStringLiteral("[ \\t\\x{00A0}]+"));
    static const QRegularExpression rule(QStringLiteral("^[- ]+$"));
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.replace(space, QStringLiteral(" "));
        line = line.trimmed();
        if (line.isEmpty() || rule.match(line).hasMatch())
            continue;
        if (line.startsWith(QChar(0x2022)) || line.startsWith(QChar(0x2013)))
            line[0] = QLatin1Char('-');
        out << line;
    }
    return out;
}

QString dataDir()
{
    return QStringLiteral(KORVEX_TEST_SOURCE_DIR "/tests/settings/data/");
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    // --- recognising rich text ---
    void looksLikeRtf()
    {
        QVERIFY(RtfReader::looksLikeRtf("{\\rtf1\\ansi hi}"));
        QVERIFY(RtfReader::looksLikeRtf("{\\rtf"));
        QVERIFY(!RtfReader::looksLikeRtf(" {\\rtf1 hi}"));
        QVERIFY(!RtfReader::looksLikeRtf("{\\rt"));
        QVERIFY(!RtfReader::looksLikeRtf("rtf"));
        QVERIFY(!RtfReader::looksLikeRtf(""));
    }

    // --- groups, control words and symbols ---

    void paragraphsAndGroupState()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 Hello {\\b bold {\\i both} bold} plain\\par World}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("Hello bold both bold plain\nWorld"));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("Hello"))));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("bold"))));
        QVERIFY(!formatOf(doc, QStringLiteral("bold")).fontItalic());
        QVERIFY(isBold(formatOf(doc, QStringLiteral("both"))));
        QVERIFY(formatOf(doc, QStringLiteral("both")).fontItalic());
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("plain"))));
        QVERIFY(!formatOf(doc, QStringLiteral("plain")).fontItalic());
    }

    void delimitingSpaceIsConsumedOnce()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\b on\\b0  off\\i\\b x}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("on offx"));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("on"))));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral(" off"))));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("x"))));
        QVERIFY(formatOf(doc, QStringLiteral("x")).fontItalic());
        // A digit or other non-letter ends a word without being consumed.
        QCOMPARE(readText("{\\rtf1 a\\b0;b}"), QStringLiteral("a;b"));
        QCOMPARE(readText("{\\rtf1 \\fs20-x}"), QStringLiteral("-x"));
    }

    void numericAndNegativeParameters()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\pard\\li720\\fi-360\\fs40 Big\\b1  B\\b0 N\\par}", &doc);
        const QTextBlockFormat bf = blockWith(doc, QStringLiteral("Big BN"));
        QCOMPARE(bf.leftMargin(), 48.0);
        QCOMPARE(bf.textIndent(), -24.0);
        QCOMPARE(formatOf(doc, QStringLiteral("Big")).fontPointSize(), 20.0);
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("Big"))));
        QVERIFY(isBold(formatOf(doc, QStringLiteral(" B"))));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("N"))));
    }

    void controlSymbols()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\\|h\\:i}", &doc);
        QCOMPARE(blocks(doc), QString(QStringLiteral("a{b}c\\d") + QChar(0x00A0) + QLatin1Char('e') + QChar(0x00AD)
                                      + QLatin1Char('f') + QChar(0x2011) + QStringLiteral("ghi")));
    }

    // --- characters ---

    // The text of a document, character by character.
    void textOf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *tag, const QByteArray &rtf, const QString &text) { QTest::newRow(tag) << rtf << text; };
        const QString die = QString::fromUcs4(U"\U0001F3B2");
        row("bare line breaks are ignored", "{\\rtf1 Hel\r\nlo\nWor\rld}", QStringLiteral("HelloWorld"));
        row("bare line break ends a word", "{\\rtf1 \\b\r\nx}", QStringLiteral("x"));
        row("escaped line break", "{\\rtf1 one\\\ntwo\\\r\nthree}", QStringLiteral("one\ntwo\nthree"));
        row("line, tab, par, page, sect", "{\\rtf1 a\\line b\\tab c\\par d\\page e\\sect f\tg}",
            QStringLiteral("a") + kLineSep + QStringLiteral("b\tc\nd\ne\nf\tg"));
        row("empty paragraph", "{\\rtf1 a\\par\\par b}", QStringLiteral("a\n\nb"));
        row("hidden text", "{\\rtf1 a{\\v hidden}b\\v c\\v0 d}", QStringLiteral("abd"));
        row("named symbols", "{\\rtf1 \\bullet\\lquote a\\rquote\\ldblquote b\\rdblquote\\endash\\emdash}",
            QStringLiteral("\u2022\u2018a\u2019\u201cb\u201d\u2013\u2014"));
        row("hex, default code page", "{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94 \\'9f\\'81}",
            QString(QStringLiteral("caf\u00e9 \u20ac \u201cq\u201d \u0178") + QChar(0x81)));
        row("1250", "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'b9\\'e8\\'f8\\'a3}", QStringLiteral("\u0160\u0105\u010d\u0159\u0141"));
        row("1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\'a8\\'b8\\'b9}",
            QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442 \u0401\u0451\u2116"));
        row("1252", "{\\rtf1\\ansi\\ansicpg1252 \\'e9\\'8a\\'9c}", QStringLiteral("\u00e9\u0160\u0153"));
        row("unknown falls back to 1252", "{\\rtf1\\ansi\\ansicpg932 \\'e9\\'80}", QStringLiteral("\u00e9\u20ac"));
        row("mac falls back to 1252", "{\\rtf1\\mac \\'e9}", QStringLiteral("\u00e9"));
        row("uppercase hex", "{\\rtf1 \\'E9\\'C9}", QStringLiteral("\u00e9\u00c9"));
        row("raw 8-bit, 1251", "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}", QStringLiteral("\u041f\u0440\u0438"));
        row("raw 8-bit, default", "{\\rtf1 caf\xe9}", QStringLiteral("caf\u00e9"));
        row("skip count scoped to groups", "{\\rtf1 {\\uc2 \\u233 ab}\\u233 cd}", QStringLiteral("\u00e9\u00e9d"));
        row("skip count restored after group", "{\\rtf1 \\uc3 {\\u233 abcX}\\u233 abcY}", QStringLiteral("\u00e9X\u00e9Y"));
        row("negative skip count", "{\\rtf1 \\uc-5 \\u233 x}", QStringLiteral("\u00e9x"));
        row("skip ends at a closing brace", "{\\rtf1 \\uc3 {\\u233 a}bc}", QStringLiteral("\u00e9bc"));
        row("skip ends at an opening brace", "{\\rtf1 \\uc3 \\u233 a{\\b b}c}", QStringLiteral("\u00e9bc"));
        row("negative unicode", "{\\rtf1 \\u-4064?}", QString(QChar(0x10000 - 4064)));
        row("unicode -1", "{\\rtf1 \\u-1?}", QString(QChar(0xFFFF)));
        row("unicode below the range", "{\\rtf1 \\u-99999?x}", QStringLiteral("\ufffdx"));
        row("surrogate pair", "{\\rtf1 a\\u55356?\\u57266?b}", QStringLiteral("a") + die + QStringLiteral("b"));
        row("surrogate pair, negative", "{\\rtf1 \\u-10180?\\u-8270?}", die);
        row("code point above 16 bits", "{\\rtf1 \\u127922?}", die);
        row("lone high surrogate", "{\\rtf1 \\u55356?x}", QStringLiteral("\ufffdx"));
        row("lone low surrogate", "{\\rtf1 \\u57266?x}", QStringLiteral("\ufffdx"));
        row("high surrogate at the end", "{\\rtf1 x\\u55356?}", QStringLiteral("x\ufffd"));
        row("two high surrogates", "{\\rtf1 \\u55356?\\u55356?\\u57266?}", QStringLiteral("\ufffd") + die);
        row("high surrogate before par", "{\\rtf1 \\u55356?\\par x}", QStringLiteral("\ufffd\nx"));
    }

    void textOf()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(readText(rtf), text);
    }

    void fontCharsetChoosesCodePage()
    {
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                               "{\\f1\\fnil\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset238 Arial CE;}}"
                               "\\'e9 {\\f1 \\'e4\\'e0} \\f2\\'e8\\f0\\'e8\\plain\\'e4}";
        QCOMPARE(readText(rtf), QStringLiteral("\u00e9 \u0434\u0430 \u010d\u00e8\u00e4"));
    }

    void unicodeWithFallbackSkip()
    {
        QCOMPARE(readText("{\\rtf1 caf\\u233?s}"), QStringLiteral("caf\u00e9s"));
        QCOMPARE(readText("{\\rtf1 \\u233 e}"), QStringLiteral("\u00e9"));
        // A hex escape counts as one skipped character.
        QCOMPARE(readText("{\\rtf1 \\u8220\\'93q\\u8221\\'94}"), QStringLiteral("\u201cq\u201d"));
        QCOMPARE(readText("{\\rtf1 \\uc2\\u233 xyz}"), QStringLiteral("\u00e9z"));
        QCOMPARE(readText("{\\rtf1 \\uc0\\u233 xyz}"), QStringLiteral("\u00e9xyz"));
        QCOMPARE(readText("{\\rtf1 \\uc2\\u233\\'e9\\'e9z}"), QStringLiteral("\u00e9z"));
        // A control word in the fallback counts as one and is not obeyed.
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\u233\\b x}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("\u00e9x"));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("x"))));
    }

    // --- destinations ---

    void destinationsAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::newRow("fonttbl") << QByteArray("{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1 Courier;}}");
        QTest::newRow("colortbl") << QByteArray("{\\colortbl;\\red255\\green0\\blue0;}");
        QTest::newRow("stylesheet") << QByteArray("{\\stylesheet{\\s0 Normal;}{\\s1\\b heading 1;}}");
        QTest::newRow("info") << QByteArray("{\\info{\\title Secret}{\\author Someone}{\\creatim\\yr2024}}");
        QTest::newRow("pict") << QByteArray("{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}");
        QTest::newRow("pict with bin") << QByteArray("{\\pict\\wmetafile8\\bin6 {}}\\x!}");
        QTest::newRow("header") << QByteArray("{\\header Page header}");
        QTest::newRow("headerl") << QByteArray("{\\headerl Left header}");
        QTest::newRow("headerr") << QByteArray("{\\headerr Right header}");
        QTest::newRow("headerf") << QByteArray("{\\headerf First header}");
        QTest::newRow("footer") << QByteArray("{\\footer Page footer}");
        QTest::newRow("footerl") << QByteArray("{\\footerl Left footer}");
        QTest::newRow("footerr") << QByteArray("{\\footerr Right footer}");
        QTest::newRow("footerf") << QByteArray("{\\footerf First footer}");
        QTest::newRow("object") << QByteArray("{\\object\\objemb{\\*\\objclass Paint}{\\objdata 0102}{\\result shown?}}");
        QTest::newRow("listtable") << QByteArray("{\\*\\listtable{\\list{\\listlevel{\\leveltext\\'01\\u-3913 ?;}}}}");
        QTest::newRow("listtable unstarred") << QByteArray("{\\listtable{\\list{\\listname List;}}}");
        QTest::newRow("listoverridetable") << QByteArray("{\\listoverridetable{\\listoverride\\ls1}}");
        QTest::newRow("starred unknown") << QByteArray("{\\*\\generatorx Writer 1.0;}");
        QTest::newRow("starred known") << QByteArray("{\\*\\bkmkstart here}");
        QTest::newRow("footnote") << QByteArray("{\\footnote a note}");
        QTest::newRow("nested groups inside") << QByteArray("{\\info{{{{\\b deep}}}}text}");
    }

    void destinationsAreSkipped()
    {
        QFETCH(QByteArray, group);
        QCOMPARE(readText("{\\rtf1\\ansi " + group + "Body}"), QStringLiteral("Body"));
        QCOMPARE(readText("{\\rtf1 A" + group + "B}"), QStringLiteral("AB"));
    }

    void fieldResultShownInstructionSkipped()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 See {\\field{\\*\\fldinst{HYPERLINK \"http://x.invalid\"}}{\\fldrslt{\\ul the page}}} "
                        "and {\\field{\\fldinst PAGE}{\\fldrslt 7}}.}",
                        &doc);
        QCOMPARE(blocks(doc), QStringLiteral("See the page and 7."));
        QVERIFY(formatOf(doc, QStringLiteral("the page")).fontUnderline());
        QVERIFY(!formatOf(doc, QStringLiteral(" and")).fontUnderline());
    }

    // --- structure ---

    void tableCellsAndRows()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 Before\\par"
                        "\\trowd\\cellx1500\\cellx3000\\cellx4500"
                        "\\pard\\intbl Face\\cell Three\\cell Four\\cell\\row"
                        "\\trowd\\cellx1500\\cellx3000\\cellx4500"
                        "{\\pard\\intbl 2\\par}\\cell\\cell{\\pard\\intbl 40\\par}\\cell\\row"
                        "\\pard After}",
                        &doc);
        QCOMPARE(blocks(doc), QStringLiteral("Before\nFace\tThree\tFour\n2\t\t40\nAfter"));
        const QTextBlockFormat row = blockWith(doc, QStringLiteral("Face\tThree\tFour"));
        const QList<QTextOption::Tab> tabs = row.tabPositions();
        QCOMPARE(tabs.size(), 2);
        QCOMPARE(tabs.at(0).position, 100.0);
        QCOMPARE(tabs.at(1).position, 200.0);
        // Two paragraphs in one cell stay in the row's line.
        QCOMPARE(readText("{\\rtf1\\trowd\\cellx100\\cellx200\\intbl a\\par b\\cell c\\cell\\row}"),
                 QStringLiteral("a") + kLineSep + QStringLiteral("b\tc"));
    }

    void lastParagraphMarkLeavesNoEmptyLine()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 one\\par two\\par}", &doc);
        QCOMPARE(doc.blockCount(), 2);
        QCOMPARE(blocks(doc), QStringLiteral("one\ntwo"));
    }

    // --- formatting ---

    void boldItalicUnderlineStrike()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\b B\\b0 \\i I\\i0 \\ul U\\ulnone \\uldb D\\ul0 \\strike S\\strike0 N}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("BIUDSN"));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("B"))));
        QVERIFY(!formatOf(doc, QStringLiteral("B")).fontItalic());
        QVERIFY(formatOf(doc, QStringLiteral("I")).fontItalic());
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("I"))));
        QVERIFY(formatOf(doc, QStringLiteral("U")).fontUnderline());
        QVERIFY(formatOf(doc, QStringLiteral("D")).fontUnderline());
        QVERIFY(formatOf(doc, QStringLiteral("S")).fontStrikeOut());
        QVERIFY(!formatOf(doc, QStringLiteral("S")).fontUnderline());
        const QTextCharFormat n = formatOf(doc, QStringLiteral("N"));
        QVERIFY(!isBold(n) && !n.fontItalic() && !n.fontUnderline() && !n.fontStrikeOut());
    }

    void plainResetsCharacterFormat()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\b\\i\\ul\\strike\\fs40\\cf1 X\\plain Y}", &doc);
        const QTextCharFormat x = formatOf(doc, QStringLiteral("X"));
        QVERIFY(isBold(x) && x.fontItalic() && x.fontUnderline() && x.fontStrikeOut());
        QCOMPARE(x.fontPointSize(), 20.0);
        const QTextCharFormat y = formatOf(doc, QStringLiteral("Y"));
        QVERIFY(!isBold(y) && !y.fontItalic() && !y.fontUnderline() && !y.fontStrikeOut());
        QCOMPARE(y.fontPointSize(), 12.0);
        QVERIFY(!y.hasProperty(QTextFormat::ForegroundBrush));
    }

    void fontSize()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 a{\\fs48 b}{\\fs17 c}{\\fs0 d}{\\fs-8 e}{\\fs f}}", &doc);
        QCOMPARE(formatOf(doc, QStringLiteral("a")).fontPointSize(), 12.0);
        QCOMPARE(formatOf(doc, QStringLiteral("b")).fontPointSize(), 24.0);
        QCOMPARE(formatOf(doc, QStringLiteral("c")).fontPointSize(), 8.5);
        QCOMPARE(formatOf(doc, QStringLiteral("d")).fontPointSize(), 12.0);
        QCOMPARE(formatOf(doc, QStringLiteral("e")).fontPointSize(), 12.0);
        QCOMPARE(formatOf(doc, QStringLiteral("f")).fontPointSize(), 12.0);
    }

    void coloursFromTheColourTable()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red300\\green-4\\blue7;}"
                        "D\\cf1 R\\cf2 G{\\cf3 C}g\\cf0 A\\cf9 O\\cf1\\cb2 H}",
                        &doc);
        QCOMPARE(blocks(doc), QStringLiteral("DRGCgAOH"));
        QVERIFY(!formatOf(doc, QStringLiteral("D")).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(doc, QStringLiteral("R")).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatOf(doc, QStringLiteral("G")).foreground().color(), QColor(0, 128, 0));
        QCOMPARE(formatOf(doc, QStringLiteral("C")).foreground().color(), QColor(255, 0, 7));
        QCOMPARE(formatOf(doc, QStringLiteral("g")).foreground().color(), QColor(0, 128, 0));
        QVERIFY(!formatOf(doc, QStringLiteral("A")).hasProperty(QTextFormat::ForegroundBrush));
        QVERIFY(!formatOf(doc, QStringLiteral("O")).hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(formatOf(doc, QStringLiteral("H")).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatOf(doc, QStringLiteral("H")).background().color(), QColor(0, 128, 0));
        // A table whose first entry is a colour, not the default.
        RtfReader::read("{\\rtf1{\\colortbl\\red0\\green0\\blue255;}\\cf0 B}", &doc);
        QCOMPARE(formatOf(doc, QStringLiteral("B")).foreground().color(), QColor(0, 0, 255));
    }

    void alignmentAndPard()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\qc Centre\\par Still centre\\par\\pard Left\\par\\qr Right\\par\\pard\\qj Justified\\par"
                        "{\\pard\\qc Grouped\\par}\\ql Last}",
                        &doc);
        QCOMPARE(blockWith(doc, QStringLiteral("Centre")).alignment(), Qt::AlignHCenter);
        QCOMPARE(blockWith(doc, QStringLiteral("Still centre")).alignment(), Qt::AlignHCenter);
        QCOMPARE(blockWith(doc, QStringLiteral("Left")).alignment(), Qt::AlignLeft);
        QCOMPARE(blockWith(doc, QStringLiteral("Right")).alignment(), Qt::AlignRight);
        QCOMPARE(blockWith(doc, QStringLiteral("Justified")).alignment(), Qt::AlignJustify);
        QCOMPARE(blockWith(doc, QStringLiteral("Grouped")).alignment(), Qt::AlignHCenter);
        QCOMPARE(blockWith(doc, QStringLiteral("Last")).alignment(), Qt::AlignLeft);
    }

    void indentsAndTabStops()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\pard\\li300\\ri150\\sb60\\sa120\\tx1500\\tx3000 a\\tab b\\par\\pard plain}", &doc);
        const QTextBlockFormat a = blockWith(doc, QStringLiteral("a\tb"));
        QCOMPARE(a.leftMargin(), 20.0);
        QCOMPARE(a.rightMargin(), 10.0);
        QCOMPARE(a.topMargin(), 4.0);
        QCOMPARE(a.bottomMargin(), 8.0);
        QCOMPARE(a.tabPositions().size(), 2);
        QCOMPARE(a.tabPositions().at(1).position, 200.0);
        QVERIFY(blockWith(doc, QStringLiteral("plain")).tabPositions().isEmpty());
    }

    // --- hostile input ---

    void deepNesting()
    {
        const int depth = 100000;
        QByteArray rtf = "{\\rtf1 start";
        rtf += QByteArray(depth, '{');
        rtf += "deep";
        rtf += QByteArray(depth, '}');
        rtf += "end}after";
        QCOMPARE(readText(rtf), QStringLiteral("startdeepend"));
    }

    void deepNestingUnterminated()
    {
        QByteArray rtf = "{\\rtf1 a";
        for (int i = 0; i < 100000; ++i)
            rtf += "{\\b x";
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        QCOMPARE(doc.characterCount() - 1, 1 + 100000);
        QVERIFY(isBold(formatOf(doc, QStringLiteral("x"))));
    }

    void formattingBeyondTheStateLimit()
    {
        // Far below the limit the states are exact; far beyond it, text is kept
        // and the groups close correctly back to the outer state.
        QByteArray rtf = "{\\rtf1 ";
        rtf += QByteArray(5000, '{');
        rtf += "\\b in";
        rtf += QByteArray(5000, '}');
        rtf += "{\\i x}out}";
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        QCOMPARE(blocks(doc), QStringLiteral("inxout"));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("in"))));
        QVERIFY(formatOf(doc, QStringLiteral("x")).fontItalic());
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("out"))));
        QVERIFY(!formatOf(doc, QStringLiteral("out")).fontItalic());
    }

    void binaryData()
    {
        QCOMPARE(readText("{\\rtf1 a\\bin3 x}z{\\b c}"), QStringLiteral("ac"));
        QCOMPARE(readText("{\\rtf1 a\\bin-5 bc}"), QStringLiteral("abc"));
        QCOMPARE(readText("{\\rtf1 a\\bin bc}"), QStringLiteral("abc"));
        QCOMPARE(readText("{\\rtf1 a\\bin2147483647 bc}"), QStringLiteral("a"));
        QCOMPARE(readText("{\\rtf1 a\\bin99999999999999999999 bc}"), QStringLiteral("a"));
        QCOMPARE(readText("{\\rtf1 a\\bin4"), QStringLiteral("a"));
        QCOMPARE(readText(QByteArray("{\\rtf1 a\\bin4 \0\xff}{b}", 20)), QStringLiteral("ab"));
    }

    void unterminatedGroups()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 a{\\b bold{\\i both", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("aboldboth"));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("both"))));
        QCOMPARE(readText("{\\rtf1 {\\fonttbl{\\f0 Arial;}"), QString());
    }

    void extraClosingBraces()
    {
        QCOMPARE(readText("{\\rtf1 a}}}}b{c}"), QStringLiteral("a"));
        QCOMPARE(readText("}}}{\\rtf1 x}"), QStringLiteral("x"));
        QCOMPARE(readText(QByteArray(100000, '}')), QString());
    }

    void overlongControlWord()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\" + QByteArray(40, 'b') + " x\\" + QByteArray(200000, 'q') + "123 y}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("xy"));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("x"))));
        // Thirty-two letters are still a word: an unknown one, ignored.
        QCOMPARE(readText("{\\rtf1 \\" + QByteArray(32, 'z') + " x}"), QStringLiteral("x"));
    }

    void overlongParameter()
    {
        QTextDocument doc;
        RtfReader::read("{\\rtf1 \\fs" + QByteArray(100000, '9') + " big\\fs-" + QByteArray(50, '9') + " small}", &doc);
        QCOMPARE(blocks(doc), QStringLiteral("bigsmall"));
        QCOMPARE(formatOf(doc, QStringLiteral("big")).fontPointSize(), 400.0);
        QCOMPARE(formatOf(doc, QStringLiteral("small")).fontPointSize(), 12.0);
        QCOMPARE(readText("{\\rtf1 \\u" + QByteArray(30, '9') + "?x}"), QStringLiteral("\ufffdx"));
        QCOMPARE(readText("{\\rtf1 \\uc" + QByteArray(30, '9') + "\\u233 " + QByteArray(300, 'a') + "}"),
                 QStringLiteral("\u00e9") + QString(300 - 255, QLatin1Char('a')));
        QCOMPARE(readText("{\\rtf1\\ansicpg" + QByteArray(30, '9') + " \\'e9}"), QStringLiteral("\u00e9"));
        QCOMPARE(readText("{\\rtf1 \\li-" + QByteArray(30, '9') + " x}"), QStringLiteral("x"));
    }

    void malformedHex()
    {
        QCOMPARE(readText("{\\rtf1 a\\'zzb}"), QStringLiteral("azzb"));
        QCOMPARE(readText("{\\rtf1 a\\'4xb}"), QStringLiteral("a4xb"));
        QCOMPARE(readText("{\\rtf1 a\\'4"), QStringLiteral("a4"));
        QCOMPARE(readText("{\\rtf1 a\\'"), QStringLiteral("a"));
    }

    void truncatedInput()
    {
        const QByteArray full = "{\\rtf1\\ansi{\\fonttbl{\\f0 A;}}{\\colortbl;\\red1\\green2\\blue3;}"
                                "\\pard\\qc\\cf1\\b T\\u233?xt\\'e9\\bin2 zz\\par\\trowd\\cellx10\\intbl c\\cell\\row}";
        for (int n = 0; n <= full.size(); ++n) {
            QTextDocument doc;
            RtfReader::read(full.left(n), &doc);
        }
        QCOMPARE(readText(full), QStringLiteral("T\u00e9xt\u00e9\nc"));
    }

    void scrambledInputNeverFails()
    {
        static const char *const pieces[] = {
            "{", "}", "\\", "\\b", "\\b0", "\\par", "\\u", "\\u-", "\\u55356", "\\u57266", "\\uc", "\\uc9",
            "\\'", "\\'e", "\\'e9", "\\bin", "\\bin5 ", "\\bin-1", "\\*", "\\fonttbl", "\\colortbl", "\\red",
            "\\cf", "\\cf1", "\\fs", "\\fldrslt", "\\fldinst", "\\cell", "\\row", "\\trowd", "\\cellx",
            "\\intbl", "\\tx", "\\f", "\\fcharset204", "\\ansicpg1251", "\\plain", "\\pard", "\\line",
            "\\tab", " ", ";", "x", "\r\n", "\xff", "\x00", "9", "-", "\\~", "\\-", "\\_", "\\{", "\\}",
        };
        const int count = int(sizeof(pieces) / sizeof(pieces[0]));
        quint32 seed = 20240611;
        for (int round = 0; round < 300; ++round) {
            QByteArray rtf = "{\\rtf1 ";
            for (int i = 0; i < 400; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const char *p = pieces[(seed >> 8) % count];
                rtf += (p[0] == '\0') ? QByteArray(1, '\0') : QByteArray(p);
            }
            QTextDocument doc;
            RtfReader::read(rtf, &doc);
            // Whatever came in, the result is well-formed text.
            const QString text = doc.toRawText();
            for (int i = 0; i < text.size(); ++i) {
                if (text.at(i).isHighSurrogate())
                    QVERIFY(i + 1 < text.size() && text.at(++i).isLowSurrogate());
                else
                    QVERIFY(!text.at(i).isLowSurrogate());
            }
        }
    }

    void largeInputInLinearTime()
    {
        // A quadratic reader would need minutes for these; a linear one well under a second each.
        QByteArray groups;
        for (int i = 0; i < 100000; ++i)
            groups += "{\\b x}{\\i y}\\par ";
        QByteArray words;
        for (int i = 0; i < 200000; ++i)
            words += "\\u233?\\'e9\\uc1 ";
        const CpuClock timer;
        QTextDocument doc;
        RtfReader::read("{\\rtf1 " + groups + "}", &doc);
        QCOMPARE(doc.blockCount(), 100000);
        RtfReader::read("{\\rtf1 " + words + "}", &doc);
        QCOMPARE(doc.characterCount() - 1, 400000);
        RtfReader::read("{\\rtf1 " + QByteArray(2000000, '{') + "x", &doc);
        QCOMPARE(doc.toRawText(), QStringLiteral("x"));
        QVERIFY2(timer.elapsedMs() < 60000, qPrintable(QString::number(timer.elapsedMs())));
    }

    // --- real writer output ---

    void writerPlainTextMatches_data()
    {
        QTest::addColumn<QString>("base");
        QTest::newRow("prose") << QStringLiteral("rtf_prose");
        QTest::newRow("lists") << QStringLiteral("rtf_lists");
        QTest::newRow("table") << QStringLiteral("rtf_table");
    }

    void writerPlainTextMatches()
    {
        QFETCH(QString, base);
        const QByteArray rtf = fileBytes(dataDir() + base + QStringLiteral(".rtf"));
        const QByteArray plain = fileBytes(dataDir() + base + QStringLiteral(".txt"));
        QVERIFY(RtfReader::looksLikeRtf(rtf));
        QVERIFY(!plain.isEmpty());
        QTextDocument doc;
        RtfReader::read(rtf, &doc);
        const QStringList got = comparableLines(blocks(doc));
        const QStringList want = comparableLines(QString::fromUtf8(plain));
        QVERIFY(want.size() > 3);
        QCOMPARE(got, want);
    }

    void writerFormatting()
    {
        QTextDocument doc;
        RtfReader::read(fileBytes(dataDir() + QStringLiteral("rtf_prose.rtf")), &doc);
        QVERIFY(isBold(formatOf(doc, QStringLiteral("Rolling the dice"))));
        QVERIFY(formatOf(doc, QStringLiteral("Rolling the dice")).fontPointSize() > 12.0);
        QVERIFY(isBold(formatOf(doc, QStringLiteral("six dice"))));
        QVERIFY(uniform(doc, QStringLiteral("six dice")));
        QVERIFY(!formatOf(doc, QStringLiteral("six dice")).fontItalic());
        QVERIFY(formatOf(doc, QStringLiteral("rolls")).fontItalic());
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("rolls"))));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("three sixes"))));
        QVERIFY(formatOf(doc, QStringLiteral("three sixes")).fontItalic());
        QVERIFY(formatOf(doc, QStringLiteral("a link")).fontUnderline());
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("A round starts"))));
        QVERIFY(!formatOf(doc, QStringLiteral(" shows only")).fontUnderline());

        RtfReader::read(fileBytes(dataDir() + QStringLiteral("rtf_lists.rtf")), &doc);
        QVERIFY(isBold(formatOf(doc, QStringLiteral("10 each"))));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral(" each."))));
        QVERIFY(formatOf(doc, QStringLiteral("5 each")).fontItalic());

        RtfReader::read(fileBytes(dataDir() + QStringLiteral("rtf_table.rtf")), &doc);
        QVERIFY(blocks(doc).contains(QStringLiteral("\n2\t20\t40\t80\n")));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("6\t60"))));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("60\t120\t240"))));
    }

    // --- loading the rules file ---

    void missingFileLeavesViewerEmpty()
    {
        QTemporaryDir dir;
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old rules"));
        RtfReader::loadRulesInto(&doc, dir.filePath(QStringLiteral("KVXRules.rtf")));
        QVERIFY(doc.isEmpty());
    }

    void rtfFileIsRich()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KVXRules.rtf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi {\\b Rules}\\par Play.}");
        f.close();
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old rules"));
        RtfReader::loadRulesInto(&doc, path);
        QCOMPARE(blocks(doc), QStringLiteral("Rules\nPlay."));
        QVERIFY(isBold(formatOf(doc, QStringLiteral("Rules"))));
    }

    void nonRtfFileIsPlainTextVerbatim()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KVXRules.rtf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(" {\\rtf1 not rich}\r\nLine \xc3\xa9 two\\par\n\n{\\b x}");
        f.close();
        QTextDocument doc;
        RtfReader::loadRulesInto(&doc, path);
        QCOMPARE(blocks(doc), QStringLiteral(" {\\rtf1 not rich}\nLine \u00e9 two\\par\n\n{\\b x}"));
        QVERIFY(!isBold(formatOf(doc, QStringLiteral("x"))));
    }

    void plainTextFallsBackToWindows1252()
    {
        QCOMPARE(RtfReader::decodePlainText("caf\xe9 \x80\r\nx"), QStringLiteral("caf\u00e9 \u20ac\nx"));
        QCOMPARE(RtfReader::decodePlainText("caf\xc3\xa9\rx"), QStringLiteral("caf\u00e9\nx"));
        // A UTF-8 sequence cut off at the end is not valid UTF-8.
        QCOMPARE(RtfReader::decodePlainText("ab\xc3"), QStringLiteral("ab\u00c3"));
        QCOMPARE(RtfReader::decodePlainText(""), QString());
    }

    void unreadableFileFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KVXRules.rtf"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("KVXRules.rtf")));
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old rules"));
        try {
            RtfReader::loadRulesInto(&doc, path);
            QFAIL("a file that cannot be read must fail");
        } catch (const KvxError &e) {
            QCOMPARE(e.message(), QStringLiteral("Failed to Load Stream\n") + path + QStringLiteral(": ")
                                      + uiText("fileWhyNotRegular"));
        }
        QVERIFY(doc.isEmpty());
    }

    void pipeOrDeviceFailsWithoutBlocking()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("KVXRules.rtf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTextDocument doc;
        QVERIFY_THROWS_EXCEPTION(KvxError, RtfReader::loadRulesInto(&doc, fifo));

        const QString endless = dir.filePath(QStringLiteral("endless.rtf"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), endless));
        QVERIFY_THROWS_EXCEPTION(KvxError, RtfReader::loadRulesInto(&doc, endless));
    }

    void shippedRulesDocument_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("en") << QStringLiteral(KORVEX_TEST_SOURCE_DIR "/resources/KVXRules.rtf");
        const QDir translated(QStringLiteral(KORVEX_TEST_SOURCE_DIR "/resources/rules"));
        for (const QString &name : translated.entryList({QStringLiteral("KVXRules.*.rtf")}, QDir::Files, QDir::Name))
            QTest::newRow(name.section(QLatin1Char('.'), 1, 1).toUtf8().constData()) << translated.filePath(name);
    }

    void shippedRulesDocument()
    {
        // Every language's rules read whole: the same paragraphs as the English
        // document, the same scoring tables, no markup or lost characters left.
        QFETCH(QString, path);
        QVERIFY(RtfReader::looksLikeRtf(fileBytes(path)));
        QTextDocument doc;
        RtfReader::loadRulesInto(&doc, path);
        const QString text = blocks(doc);
        QVERIFY(text.size() > 2000);
        for (const char *word : {"Korvex", "100", "-100", "400", "500", "Alt+X", "800", "480"})
            QVERIFY2(text.contains(QLatin1String(word), Qt::CaseInsensitive), word);
        const bool english = QFileInfo(path).fileName() == QLatin1String("KVXRules.rtf");
        if (english) {
            for (const char *word : {"ones", "fives", "hot dice", "exactly", "clock", "Continue", "top-ten",
                                     "rounds", "Enter", "saved game", "language editor"})
                QVERIFY2(text.contains(QLatin1String(word), Qt::CaseInsensitive), word);
        }
        // The table of points by face and count, and the choice lists' entries.
        for (const char *row : {"\t10\t20\t100\t200\t400\t800", "\t-\t-\t20\t40\t80\t160",
                                "\t-\t-\t30\t60\t120\t240", "\t-\t-\t40\t80\t160\t320",
                                "\t5\t10\t50\t100\t200\t400", "\t-\t-\t60\t120\t240\t480",
                                ": 800 = 800", "400 + (1 * 10) = 410", "100 + (3 * 10) = 130", "6 * 10 = 60"})
            QVERIFY2(text.contains(QLatin1String(row)), row);
        QVERIFY(!text.contains(QLatin1Char('\\')));
        QVERIFY(!text.contains(QLatin1Char('{')));
        QVERIFY(!text.contains(QChar(0xFFFD)));
        QTextDocument englishDoc;
        RtfReader::loadRulesInto(&englishDoc, QStringLiteral(KORVEX_TEST_SOURCE_DIR "/resources/KVXRules.rtf"));
        QCOMPARE(doc.blockCount(), englishDoc.blockCount());
        // The headings stand out.
        bool anyBold = false;
        for (QTextBlock b = doc.begin(); b.isValid() && !anyBold; b = b.next())
            anyBold = isBold(b.begin().fragment().charFormat());
        QVERIFY(anyBold);
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
