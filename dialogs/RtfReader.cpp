// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/RtfReader.h"

#include "base/KvxError.h"
#include "base/CodePage.h"

#include <QBrush>
#include <QColor>
#include "base/RecordFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

// Limits that keep any input cheap. Real documents stay far below them.
constexpr int kMaxStates = 512;        // group states kept; deeper groups share one
constexpr int kMaxWordLetters = 32;    // longer control words are unknown
constexpr int kMaxTabs = 32;           // tab stops per paragraph, cells per row
constexpr int kMaxColours = 1024;
constexpr int kMaxFonts = 1024;
constexpr int kMaxUnicodeSkip = 255;
constexpr int kMaxTwips = 31680;       // 22 inches
constexpr qint64 kInt32Max = 2147483647;
constexpr qint64 kMaxRulesBytes = qint64(2) << 20;  // far beyond any rules text; a larger file is not read

enum class Kw : std::uint8_t {
    Unknown,
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    Uc, U, Bin,
    Par, Line, Tab, Cell, Row, Trowd, CellX, InTbl, Pard, Plain,
    Bold, Italic, Underline, UnderlineNone, Strike, Hidden,
    FontSize, Fg, Bg, Super, Sub, NoSuperSub, Font,
    AlignLeft, AlignRight, AlignCentre, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, TabStop,
    FontTable, ColourTable, Charset, CodePage, Red, Green, Blue,
    SkipDestination, Symbol,
};

struct Keyword {
    Kw kind = Kw::Unknown;
    char16_t symbol = 0;
};

const QHash<QByteArray, Keyword> &keywords()
{
    static const QHash<QByteArray, Keyword> table = [] {
        QHash<QByteArray, Keyword> t;
        auto add = [&t](const char *w, Kw k, char16_t s = 0) { t.insert(QByteArray(w), Keyword{k, s}); };
        add("ansi", Kw::Ansi); add("mac", Kw::Mac); add("pc", Kw::Pc); add("pca", Kw::Pca);
        add("ansicpg", Kw::AnsiCpg); add("deff", Kw::Deff);
        add("uc", Kw::Uc); add("u", Kw::U); add("bin", Kw::Bin);
        add("par", Kw::Par); add("page", Kw::Par); add("sect", Kw::Par);
        add("line", Kw::Line); add("tab", Kw::Tab);
        add("cell", Kw::Cell); add("nestcell", Kw::Cell); add("row", Kw::Row); add("trowd", Kw::Trowd);
        add("cellx", Kw::CellX); add("intbl", Kw::InTbl); add("pard", Kw::Pard); add("plain", Kw::Plain);
        add("b", Kw::Bold); add("i", Kw::Italic);
        for (const char *w : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash",
                              "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash",
                              "ululdbwave", "ulw", "ulwave"})
            add(w, Kw::Underline);
        add("ulnone", Kw::UnderlineNone);
        add("strike", Kw::Strike); add("striked", Kw::Strike); add("v", Kw::Hidden);
        add("fs", Kw::FontSize); add("cf", Kw::Fg); add("cb", Kw::Bg); add("highlight", Kw::Bg);
        add("super", Kw::Super); add("sub", Kw::Sub); add("nosupersub", Kw::NoSuperSub); add("f", Kw::Font);
        add("ql", Kw::AlignLeft); add("qr", Kw::AlignRight); add("qc", Kw::AlignCentre); add("qj", Kw::AlignJustify);
        add("li", Kw::LeftIndent); add("ri", Kw::RightIndent); add("fi", Kw::FirstIndent);
        add("sb", Kw::SpaceBefore); add("sa", Kw::SpaceAfter); add("tx", Kw::TabStop);
        add("fonttbl", Kw::FontTable); add("colortbl", Kw::ColourTable);
        add("fcharset", Kw::Charset); add("cpg", Kw::CodePage);
        add("red", Kw::Red); add("green", Kw::Green); add("blue", Kw::Blue);
        // Destinations whose content is not part of the visible text.
        for (const char *w : {"stylesheet", "info", "pict", "shppict", "nonshppict", "object", "objdata",
                              "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
                              "listtable", "listoverridetable", "fldinst", "footnote", "annotation", "atnid",
                              "atnauthor", "bkmkstart", "bkmkend", "xe", "tc", "txe", "rxe", "template",
                              "revtbl", "rsidtbl", "filetbl", "colorschememapping", "themedata", "datastore",
                              "latentstyles", "xmlnstbl", "generator", "userprops", "docvar", "private",
                              "shpinst", "sp", "sn", "sv", "pn", "listpicture", "mmathPr", "pgdsctbl",
                              "operator", "author", "title", "subject", "keywords", "comment", "doccomm"})
            add(w, Kw::SkipDestination);
        add("bullet", Kw::Symbol, 0x2022);
        add("lquote", Kw::Symbol, 0x2018); add("rquote", Kw::Symbol, 0x2019);
        add("ldblquote", Kw::Symbol, 0x201C); add("rdblquote", Kw::Symbol, 0x201D);
        add("endash", Kw::Symbol, 0x2013); add("emdash", Kw::Symbol, 0x2014);
        add("enspace", Kw::Symbol, 0x2002); add("emspace", Kw::Symbol, 0x2003);
        add("qmspace", Kw::Symbol, 0x2005); add("zwj", Kw::Symbol, 0x200D); add("zwnj", Kw::Symbol, 0x200C);
        add("ltrmark", Kw::Symbol, 0x200E); add("rtlmark", Kw::Symbol, 0x200F);
        return t;
    }();
    return table;
}

// Code page of a font's character set; 0 leaves the document's code page.
int charsetCodePage(int charset)
{
    switch (charset) {
    case 238: return 1250;
    case 204: return 1251;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 163: return 1258;
    case 222: return 874;
    default: return 0;  // 0 (ANSI), 1 (default) and 2 (symbol) follow the document
    }
}

int clampInt(qint64 v, int lo, int hi) { return int(std::clamp<qint64>(v, lo, hi)); }

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    std::int8_t vpos = 0;  // -1 subscript, 1 superscript
    int halfPoints = 24;
    int fg = -1;  // colour table index, -1 for the default
    int bg = -1;

    bool operator==(const CharState &o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline && strike == o.strike
            && hidden == o.hidden && vpos == o.vpos && halfPoints == o.halfPoints && fg == o.fg && bg == o.bg;
    }
    bool operator!=(const CharState &o) const { return !(*this == o); }
};

struct ParaState {
    std::int8_t align = 0;  // 0 left, 1 right, 2 centre, 3 justify
    bool inTable = false;
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    int tabCount = 0;
    std::array<int, kMaxTabs> tabs{};
};

enum class Dest : std::uint8_t { Text, Skip, FontTable, ColourTable };

struct State {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
    int font = -1;
};

class Parser
{
public:
    Parser(const QByteArray &in, QTextDocument *doc)
        : m_data(in.constData()), m_size(in.size()), m_cursor(doc)
    {
        m_stack.reserve(64);
    }

    void run()
    {
        while (m_pos < m_size) {
            const auto c = static_cast<unsigned char>(m_data[m_pos++]);
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                if (closeGroup())
                    m_pos = m_size;  // the document has ended; anything after it is not part of it
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;  // line breaks of the file carry no meaning
            default:
                plainByte(c);
                break;
            }
        }
        finish();
    }

private:
    // --- groups ---
    void openGroup()
    {
        m_skipLeft = 0;
        ++m_depth;
        m_started = true;
        if (int(m_stack.size()) < kMaxStates)
            m_stack.push_back(m_state);
        else
            ++m_unsaved;  // too deep to remember: the group shares its parent's state
    }

    // True when the outermost group has just closed.
    bool closeGroup()
    {
        m_skipLeft = 0;
        if (m_depth == 0)
            return false;  // a stray closing brace
        --m_depth;
        if (m_unsaved > 0) {
            --m_unsaved;
        } else if (!m_stack.empty()) {
            m_state = m_stack.back();
            m_stack.pop_back();
        }
        return m_started && m_depth == 0;
    }

    // --- lexing ---
    static bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
    unsigned char at(qint64 i) const { return static_cast<unsigned char>(m_data[i]); }

    void controlSequence()
    {
        if (m_pos >= m_size)
            return;
        const unsigned char c = at(m_pos);
        if (!isLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        const qint64 start = m_pos;
        while (m_pos < m_size && isLetter(at(m_pos)))
            ++m_pos;
        const qint64 letters = m_pos - start;

        bool hasParam = false;
        bool negative = false;
        qint64 value = 0;
        if (m_pos + 1 < m_size && at(m_pos) == '-' && isDigit(at(m_pos + 1))) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_size && isDigit(at(m_pos))) {
            hasParam = true;
            if (value <= kInt32Max)  // stop growing once out of range; the digits are still consumed
                value = value * 10 + (at(m_pos) - '0');
            ++m_pos;
        }
        if (negative)
            value = -value;
        const int param = clampInt(value, -int(kInt32Max) - 1, int(kInt32Max));
        if (m_pos < m_size && at(m_pos) == ' ')
            ++m_pos;  // the delimiting space belongs to the word

        Keyword kw;
        if (letters <= kMaxWordLetters)
            kw = keywords().value(QByteArray::fromRawData(m_data + start, int(letters)));
        controlWord(kw, hasParam, param);
    }

    // --- control words ---
    void controlWord(const Keyword &kw, bool hasParam, int param)
    {
        if (kw.kind == Kw::Bin) {
            // Binary data is never text, skipped or not.
            const qint64 count = hasParam ? std::max(param, 0) : 0;
            m_pos += std::min(count, m_size - m_pos);
            if (m_skipLeft > 0)
                --m_skipLeft;
            return;
        }
        if (m_skipLeft > 0) {  // a fallback for the last \u: drop it
            --m_skipLeft;
            return;
        }
        if (!characterWord(kw, hasParam, param) && !paragraphWord(kw, hasParam, param))
            documentWord(kw, hasParam, param);
    }

    // The look of the characters; false for a word of another kind.
    bool characterWord(const Keyword &kw, bool hasParam, int param)
    {
        const bool on = !hasParam || param != 0;
        CharState &ch = m_state.ch;
        switch (kw.kind) {
        case Kw::Plain:
            ch = CharState();
            m_state.font = -1;
            break;
        case Kw::Bold: ch.bold = on; break;
        case Kw::Italic: ch.italic = on; break;
        case Kw::Underline: ch.underline = on; break;
        case Kw::UnderlineNone: ch.underline = false; break;
        case Kw::Strike: ch.strike = on; break;
        case Kw::Hidden: ch.hidden = on; break;
        case Kw::FontSize: ch.halfPoints = hasParam && param > 0 ? clampInt(param, 2, 800) : 24; break;
        case Kw::Fg: ch.fg = hasParam ? param : -1; break;
        case Kw::Bg: ch.bg = hasParam ? param : -1; break;
        case Kw::Super: ch.vpos = on ? 1 : 0; break;
        case Kw::Sub: ch.vpos = on ? -1 : 0; break;
        case Kw::NoSuperSub: ch.vpos = 0; break;
        case Kw::Font:
            if (m_state.dest == Dest::FontTable)
                m_tableFont = hasParam ? param : -1;
            else
                m_state.font = hasParam ? param : -1;
            break;
        default:
            return false;
        }
        return true;
    }

    // Paragraphs, line breaks, tabs and table rows; false for a word of another kind.
    bool paragraphWord(const Keyword &kw, bool hasParam, int param)
    {
        const bool on = !hasParam || param != 0;
        ParaState &para = m_state.para;
        switch (kw.kind) {
        case Kw::Par:
            if (para.inTable && m_state.dest == Dest::Text)
                m_cellLinePending = true;  // a paragraph inside a cell stays in the row's line
            else
                endParagraph(false);
            break;
        case Kw::Line: emitChar(0x2028); break;
        case Kw::Tab: emitChar('\t'); break;
        case Kw::Cell:
            if (m_state.dest == Dest::Text) {
                ++m_cellSepsPending;
                m_cellLinePending = false;
            }
            break;
        case Kw::Row:
            if (m_state.dest == Dest::Text) {
                m_cellSepsPending = 0;
                m_cellLinePending = false;
                endParagraph(true);
            }
            break;
        case Kw::Trowd: m_cellCount = 0; break;
        case Kw::CellX:
            if (m_cellCount < kMaxTabs)
                m_cellX[m_cellCount++] = clampInt(param, 0, kMaxTwips);
            break;
        case Kw::InTbl: para.inTable = on; break;
        case Kw::Pard: para = ParaState(); break;
        case Kw::AlignLeft: para.align = 0; break;
        case Kw::AlignRight: para.align = 1; break;
        case Kw::AlignCentre: para.align = 2; break;
        case Kw::AlignJustify: para.align = 3; break;
        case Kw::LeftIndent: para.left = clampInt(param, 0, kMaxTwips); break;
        case Kw::RightIndent: para.right = clampInt(param, 0, kMaxTwips); break;
        case Kw::FirstIndent: para.first = clampInt(param, -kMaxTwips, kMaxTwips); break;
        case Kw::SpaceBefore: para.before = clampInt(param, 0, kMaxTwips); break;
        case Kw::SpaceAfter: para.after = clampInt(param, 0, kMaxTwips); break;
        case Kw::TabStop:
            if (para.tabCount < kMaxTabs)
                para.tabs[para.tabCount++] = clampInt(param, 0, kMaxTwips);
            break;
        default:
            return false;
        }
        return true;
    }

    // Code pages, characters by number, the font and colour tables, skipped
    // destinations and symbols.
    void documentWord(const Keyword &kw, bool hasParam, int param)
    {
        switch (kw.kind) {
        case Kw::Ansi: m_codePage = 1252; break;
        case Kw::Mac: m_codePage = 10000; break;
        case Kw::Pc: m_codePage = 437; break;
        case Kw::Pca: m_codePage = 850; break;
        case Kw::AnsiCpg: if (hasParam) m_codePage = param; break;
        case Kw::Deff: if (hasParam) m_defaultFont = param; break;
        case Kw::Uc: m_state.uc = hasParam ? clampInt(param, 0, kMaxUnicodeSkip) : 1; break;
        case Kw::U:
            if (hasParam) {
                qint64 cp = param;
                if (cp < 0)
                    cp += 65536;  // writers store code points above 32767 as negative 16-bit numbers
                emitChar(cp >= 0 && cp <= 0x10FFFF ? char32_t(cp) : char32_t(0xFFFD));
                m_skipLeft = m_state.uc;
            }
            break;
        case Kw::FontTable:
            m_state.dest = Dest::FontTable;
            m_tableFont = -1;
            break;
        case Kw::ColourTable:
            m_state.dest = Dest::ColourTable;
            resetColourEntry();
            break;
        case Kw::Charset:
            if (m_state.dest == Dest::FontTable)
                setFontCodePage(charsetCodePage(param));
            break;
        case Kw::CodePage:
            if (m_state.dest == Dest::FontTable)
                setFontCodePage(param);
            break;
        case Kw::Red: colourComponent(m_red, param); break;
        case Kw::Green: colourComponent(m_green, param); break;
        case Kw::Blue: colourComponent(m_blue, param); break;
        case Kw::SkipDestination: m_state.dest = Dest::Skip; break;
        case Kw::Symbol: emitChar(kw.symbol); break;
        default:
            break; // unknown words
        }
    }

    void controlSymbol(unsigned char c)
    {
        if (c == '*') {  // an optional destination: none that this reader shows
            m_state.dest = Dest::Skip;
            return;
        }
        if (c == '\'') {
            int hi = m_pos < m_size ? hexValue(at(m_pos)) : -1;
            int lo = m_pos + 1 < m_size ? hexValue(at(m_pos + 1)) : -1;
            if (hi < 0 || lo < 0)
                return;  // malformed: the following bytes are read as they come
            m_pos += 2;
            if (m_skipLeft > 0) {
                --m_skipLeft;
                return;
            }
            emitChar(decodeByteHere(static_cast<unsigned char>(hi * 16 + lo)));
            return;
        }
        if (m_skipLeft > 0) {
            --m_skipLeft;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            emitChar(c);
            break;
        case '~': emitChar(0x00A0); break;
        case '-': emitChar(0x00AD); break;
        case '_': emitChar(0x2011); break;
        case '\t': emitChar('\t'); break;
        case '\r':
        case '\n':
            controlWord(Keyword{Kw::Par, 0}, false, 0);
            break;
        default:
            break;  // index and formula marks have no text
        }
    }

    static int hexValue(unsigned char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void plainByte(unsigned char c)
    {
        if (m_skipLeft > 0) {
            --m_skipLeft;
            return;
        }
        if (m_state.dest == Dest::ColourTable) {
            if (c == ';')
                endColourEntry();
            return;
        }
        if (c == '\t')
            emitChar('\t');
        else if (c >= 0x20 && c < 0x80)
            emitChar(c);
        else if (c >= 0x80)
            emitChar(decodeByteHere(c));
        // other control bytes are dropped
    }

    char16_t decodeByteHere(unsigned char b) const
    {
        const int font = m_state.font >= 0 ? m_state.font : m_defaultFont;
        const int page = m_fontPages.value(font, 0);
        return fromCodePage(page ? page : m_codePage, b);
    }

    // --- tables of the header ---
    void setFontCodePage(int page)
    {
        if (page <= 0 || m_tableFont < 0)
            return;
        if (m_fontPages.size() < kMaxFonts || m_fontPages.contains(m_tableFont))
            m_fontPages.insert(m_tableFont, page);
    }

    void resetColourEntry()
    {
        m_red = m_green = m_blue = 0;
        m_colourDefined = false;
    }

    void colourComponent(int &component, int value)
    {
        if (m_state.dest != Dest::ColourTable)
            return;
        component = clampInt(value, 0, 255);
        m_colourDefined = true;
    }

    void endColourEntry()
    {
        if (int(m_colours.size()) < kMaxColours)
            m_colours.push_back(m_colourDefined ? QColor(m_red, m_green, m_blue) : QColor());
        resetColourEntry();
    }

    // --- output ---
    void emitChar(char32_t cp)
    {
        if (m_state.dest != Dest::Text || m_state.ch.hidden)
            return;
        if (m_text.isEmpty() && !m_pendingHigh)
            m_textFormat = m_state.ch;
        else if (m_textFormat != m_state.ch) {
            flush();
            m_textFormat = m_state.ch;
        }
        if (m_cellSepsPending > 0) {
            m_text.append(QString(m_cellSepsPending, QLatin1Char('\t')));
            m_cellSepsPending = 0;
            m_cellLinePending = false;
        } else if (m_cellLinePending) {
            m_text.append(QChar(0x2028));
            m_cellLinePending = false;
        }
        if (m_pendingHigh) {
            if (cp >= 0xDC00 && cp <= 0xDFFF) {
                cp = 0x10000 + ((char32_t(m_pendingHigh) - 0xD800) << 10) + (cp - 0xDC00);
                m_pendingHigh = 0;
            } else {
                m_pendingHigh = 0;
                m_text.append(QChar(0xFFFD));
            }
        }
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            m_pendingHigh = char16_t(cp);  // joined with the low half that should follow
            return;
        }
        if (cp >= 0xDC00 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            m_text.append(QChar(QChar::highSurrogate(cp)));
            m_text.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            m_text.append(QChar(char16_t(cp)));
        }
    }

    QTextCharFormat charFormat(const CharState &s) const
    {
        QTextCharFormat f;
        f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.italic);
        f.setFontUnderline(s.underline);
        f.setFontStrikeOut(s.strike);
        f.setFontPointSize(s.halfPoints / 2.0);
        if (s.vpos > 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (s.vpos < 0)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        if (s.fg >= 0 && s.fg < int(m_colours.size()) && m_colours[s.fg].isValid())
            f.setForeground(QBrush(m_colours[s.fg]));
        if (s.bg >= 0 && s.bg < int(m_colours.size()) && m_colours[s.bg].isValid())
            f.setBackground(QBrush(m_colours[s.bg]));
        return f;
    }

    static qreal px(int twips) { return twips / 15.0; }  // 1440 twips an inch, 96 pixels an inch

    QTextBlockFormat blockFormat(const ParaState &p, bool tableRow) const
    {
        QTextBlockFormat f;
        static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
        f.setAlignment(aligns[p.align]);
        f.setLeftMargin(px(p.left));
        f.setRightMargin(px(p.right));
        f.setTextIndent(px(p.first));
        f.setTopMargin(px(p.before));
        f.setBottomMargin(px(p.after));
        QList<QTextOption::Tab> tabs;
        if (tableRow) {
            // Cells are laid out as tab columns starting at each cell's left edge.
            for (int i = 0; i + 1 < m_cellCount; ++i)
                tabs.append(QTextOption::Tab(px(m_cellX[i]), QTextOption::LeftTab));
        } else {
            for (int i = 0; i < p.tabCount; ++i)
                tabs.append(QTextOption::Tab(px(p.tabs[i]), QTextOption::LeftTab));
        }
        if (!tabs.isEmpty())
            f.setTabPositions(tabs);
        return f;
    }

    void flush()
    {
        if (m_pendingHigh) {
            m_pendingHigh = 0;
            m_text.append(QChar(0xFFFD));
        }
        if (m_text.isEmpty())
            return;
        if (m_blockPending) {
            m_cursor.insertBlock();
            m_cursor.setBlockFormat(QTextBlockFormat());
            m_blockPending = false;
        }
        m_cursor.insertText(m_text, charFormat(m_textFormat));
        m_text.clear();
        m_blockHasText = true;
    }

    // Paragraph marks end paragraphs; the next block is opened only when
    // more text comes, so a document's last mark leaves no empty line.
    void endParagraph(bool tableRow)
    {
        if (m_state.dest != Dest::Text)
            return;
        flush();
        if (m_blockPending)
            m_cursor.insertBlock();
        m_cursor.setBlockFormat(blockFormat(m_state.para, tableRow));
        m_blockPending = true;
        m_blockHasText = false;
    }

    void finish()
    {
        flush();
        if (!m_blockPending && m_blockHasText)
            m_cursor.setBlockFormat(blockFormat(m_state.para, false));
    }

    const char *m_data;
    qint64 m_size;
    qint64 m_pos = 0;

    State m_state;
    std::vector<State> m_stack;
    qint64 m_depth = 0;
    qint64 m_unsaved = 0;
    bool m_started = false;

    int m_codePage = 1252;
    int m_defaultFont = -1;
    int m_tableFont = -1;
    QHash<int, int> m_fontPages;

    std::vector<QColor> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourDefined = false;

    int m_skipLeft = 0;
    char16_t m_pendingHigh = 0;

    std::array<int, kMaxTabs> m_cellX{};
    int m_cellCount = 0;
    int m_cellSepsPending = 0;
    bool m_cellLinePending = false;

    QTextCursor m_cursor;
    QString m_text;
    CharState m_textFormat;
    bool m_blockPending = false;
    bool m_blockHasText = false;
};

} // namespace

namespace RtfReader {

bool looksLikeRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

QString decodePlainText(const QByteArray &data)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (utf8.hasError()) {
        text = fromCp1252(data);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void read(const QByteArray &rtf, QTextDocument *doc)
{
    doc->clear();
    Parser parser(rtf, doc);
    parser.run();
}

void loadRulesInto(QTextDocument *doc, const QString &path)
{
    doc->clear();
    // Only a regular file, opened without waiting: a pipe or a device could
    // block or never end; and no more than a rules text could ever need.
    QByteArray data;
    QString why;
    switch (readWholeFile(path, kMaxRulesBytes, &data, &why)) {
    case ReadOutcome::Missing:
        return;
    case ReadOutcome::Refused:
        throw KvxError(QStringLiteral("Failed to Load Stream\n") + fileProblem(path, why));
    case ReadOutcome::Ok:
        break;
    }
    if (looksLikeRtf(data))
        read(data, doc);
    else
        doc->setPlainText(decodePlainText(data));
}

} // namespace RtfReader
