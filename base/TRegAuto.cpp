// SPDX-License-Identifier: GPL-3.0-or-later
// INI reading and writing without QSettings: its escaping, "General" section
// and case-sensitive keys do not match the files players bring along.
#include "base/TRegAuto.h"
#include "base/RecordFile.h"
#include "base/CodePage.h"

#include "base/KvxError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <vector>

namespace {

// --- file text --------------------------------------------------------------

struct IniLine
{
    QString text;
    QString eol; // "\r\n", "\r", "\n", or empty on a last line without one
};

struct IniDoc
{
    std::vector<IniLine> lines;
    bool bom = false;
    QString eol = QStringLiteral("\r\n"); // for lines we add: the file's own style
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

QString decodeFile(const QByteArray &bytes, bool *bom)
{
    *bom = bytes.startsWith(kUtf8Bom);
    const QByteArray body = *bom ? bytes.mid(kUtf8Bom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    *bom = false;
    // Not UTF-8: an 8-bit file in the Windows code page of the language it
    // names, 1252 when it names none. A byte-order mark before it is no text.
    const QString western = fromCp1252(body);
    static const QRegularExpression codeLine(
            QStringLiteral("^[ \\t]*\\[[ \\t]*Language[ \\t]*\\][^\\[]*?^[ \\t]*Code[ \\t]*=[ \\t]*\"?([A-Za-z]+)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption
                    | QRegularExpression::DotMatchesEverythingOption);
    const int codePage = windowsCodePage(codeLine.match(western).captured(1));
    if (codePage == 1252)
        return western;
    QString central;
    central.reserve(body.size());
    for (const char ch : body)
        central.append(QChar(fromCodePage(codePage, static_cast<unsigned char>(ch))));
    return central;
}

IniDoc parseDoc(const QByteArray &bytes)
{
    IniDoc doc;
    const QString text = decodeFile(bytes, &doc.bom);
    bool eolSeen = false;
    int start = 0;
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        const int eolLen = (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ? 2 : 1;
        IniLine line{text.mid(start, i - start), text.mid(i, eolLen)};
        if (!eolSeen) {
            doc.eol = line.eol;
            eolSeen = true;
        }
        doc.lines.push_back(std::move(line));
        i += eolLen - 1;
        start = i + 1;
    }
    if (start < n)
        doc.lines.push_back(IniLine{text.mid(start), QString()});
    return doc;
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QStringView trimBlanks(QStringView s)
{
    int b = 0;
    int e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

enum class LineKind { Empty, Comment, Section, Key };

struct LineInfo
{
    LineKind kind = LineKind::Empty;
    QStringView name;  // section or key name, trimmed
    int eq = -1;       // position of '=' in a key line, -1 when it has none
};

LineInfo classify(const QString &line)
{
    LineInfo info;
    const QStringView t = trimBlanks(line);
    if (t.isEmpty())
        return info;
    if (t.front() == QLatin1Char(';')) {
        info.kind = LineKind::Comment;
        return info;
    }
    if (t.front() == QLatin1Char('[')) {
        const int close = t.indexOf(QLatin1Char(']'));
        if (close > 0) {
            info.kind = LineKind::Section;
            info.name = trimBlanks(t.mid(1, close - 1));
            return info;
        }
    }
    info.kind = LineKind::Key;
    info.eq = line.indexOf(QLatin1Char('='));
    info.name = trimBlanks(info.eq < 0 ? QStringView(line) : QStringView(line).left(info.eq));
    return info;
}

// Index of the first section of that name and the end of its lines.
bool findSection(const IniDoc &doc, QStringView section, int *header, int *end)
{
    const int n = int(doc.lines.size());
    for (int i = 0; i < n; ++i) {
        const LineInfo info = classify(doc.lines[i].text);
        if (info.kind != LineKind::Section || !sameName(info.name, section))
            continue;
        int j = i + 1;
        while (j < n && classify(doc.lines[j].text).kind != LineKind::Section)
            ++j;
        *header = i;
        *end = j;
        return true;
    }
    return false;
}

int findKey(const IniDoc &doc, int from, int to, QStringView key)
{
    for (int i = from; i < to; ++i) {
        const LineInfo info = classify(doc.lines[i].text);
        if (info.kind == LineKind::Key && sameName(info.name, key))
            return i;
    }
    return -1;
}

bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

QString unquote(QStringView v)
{
    v = trimBlanks(v);
    if (v.size() >= 2 && isQuote(v.front()) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v.toString();
}

// A value is written so that a read gives it back: quoted when the reader
// would otherwise strip blanks or a pair of quotes from it.
QString quoteForWrite(const QString &value)
{
    const bool edgeBlanks = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    const bool quoted = value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    return (edgeBlanks || quoted) ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

// A line break inside a name or value becomes one blank, so nothing passed
// in can add lines (and so keys or sections) to the file.
QString oneLine(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out.append(QLatin1Char(' '));
        } else if (c == QLatin1Char('\n')) {
            out.append(QLatin1Char(' '));
        } else {
            out.append(c);
        }
    }
    return out;
}

QString cutValue(QString v)
{
    if (v.size() > TRegAuto::MaxValueLength) {
        v.truncate(TRegAuto::MaxValueLength);
        if (v.back().isHighSurrogate())
            v.chop(1);
    }
    return v;
}

// Inserts a line before index `at`, making sure the line before it ends in a line break.
void insertLine(IniDoc &doc, int at, const QString &text)
{
    QString eol = doc.eol;
    if (at > 0 && doc.lines[at - 1].eol.isEmpty()) {
        // the old last line had no break: it gets one, the new last line keeps that style
        doc.lines[at - 1].eol = doc.eol;
        eol.clear();
    }
    doc.lines.insert(doc.lines.begin() + at, IniLine{text, eol});
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Unsigned hex digits only, at most 32 bits.
bool parseHex(QStringView s, quint32 *out)
{
    if (s.isEmpty())
        return false;
    quint64 v = 0;
    for (const QChar c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        v = v * 16 + quint64(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    *out = quint32(v);
    return true;
}

} // namespace

QString TRegAuto::fullPath() const
{
    if (QDir::isAbsolutePath(m_iniFile))
        return QDir::cleanPath(m_iniFile);
    const QString base = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QDir::currentPath();
    return QDir::cleanPath(base + QLatin1Char('/') + m_iniFile);
}

namespace {
QString lookupKey(QStringView section, QStringView key)
{
    return trimBlanks(section).toString().toCaseFolded() + QLatin1Char('\n')
         + trimBlanks(key).toString().toCaseFolded();
}
} // namespace

std::shared_ptr<const TRegAuto::Contents> TRegAuto::contents() const
{
    if (m_pass)
        return m_pass;
    auto c = std::make_shared<Contents>();
    const QString path = fullPath();
    QByteArray bytes;
    QString why;
    if (readWholeFile(path, MaxFileBytes, &bytes, &why) == ReadOutcome::Refused) {
        c->problem = fileProblem(path, why);
        return c;
    }
    // The first of two equal sections and the first of two equal keys win.
    const IniDoc doc = parseDoc(bytes);
    QSet<QString> sections;
    QString current;
    bool inFirst = false;
    for (const IniLine &line : doc.lines) {
        const LineInfo info = classify(line.text);
        if (info.kind == LineKind::Section) {
            current = info.name.toString().toCaseFolded();
            inFirst = !sections.contains(current);
            sections.insert(current);
        } else if (info.kind == LineKind::Key && inFirst) {
            const QString k = current + QLatin1Char('\n') + info.name.toString().toCaseFolded();
            if (c->values.contains(k))
                continue;
            if (info.eq < 0)
                c->values.insert(k, std::nullopt); // a key without "=" has no value
            else
                c->values.insert(k, cutValue(unquote(QStringView(line.text).mid(info.eq + 1))));
        }
    }
    return c;
}

TRegAuto::Pass::Pass(const TRegAuto &ini) : m_ini(ini)
{
    if (m_ini.m_passes++ == 0)
        m_ini.m_pass = m_ini.contents();
}

TRegAuto::Pass::~Pass()
{
    if (--m_ini.m_passes == 0)
        m_ini.m_pass.reset();
}

QString TRegAuto::Pass::problem() const
{
    return m_ini.m_pass ? m_ini.m_pass->problem : QString();
}

QString TRegAuto::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const std::shared_ptr<const Contents> c = contents();
    const auto it = c->values.constFind(lookupKey(section, key));
    if (it == c->values.constEnd() || !it.value())
        return def;
    return *it.value();
}

void TRegAuto::WriteString(const QString &section, const QString &key, const QString &value)
{
    WriteStrings({{section, key, value}});
}

namespace {
// Sets one key in the document, as a write of that key alone would.
void setKey(IniDoc &doc, const QString &section, const QString &key, const QString &value)
{
    const QString sec = trimBlanks(oneLine(section)).toString();
    const QString k = trimBlanks(oneLine(key)).toString();
    const QString v = quoteForWrite(oneLine(value));

    int header = 0;
    int end = 0;
    if (findSection(doc, sec, &header, &end)) {
        const int at = findKey(doc, header + 1, end, k);
        if (at >= 0) {
            // keep the key as spelt in the file and the spacing up to the value
            QString &line = doc.lines[at].text;
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq < 0) {
                int e = line.size();
                while (e > 0 && isBlank(line.at(e - 1)))
                    --e;
                line = line.left(e) + QLatin1Char('=') + v;
            } else {
                int start = eq + 1;
                while (start < line.size() && isBlank(line.at(start)))
                    ++start;
                line = line.left(start) + v;
            }
        } else {
            // after the section's last entry, before any blank or comment lines
            // that lead into the next section
            int last = header;
            for (int i = header + 1; i < end; ++i) {
                const LineKind kind = classify(doc.lines[i].text).kind;
                if (kind == LineKind::Key)
                    last = i;
            }
            insertLine(doc, last + 1, k + QLatin1Char('=') + v);
        }
    } else {
        insertLine(doc, int(doc.lines.size()), QLatin1Char('[') + sec + QLatin1Char(']'));
        insertLine(doc, int(doc.lines.size()), k + QLatin1Char('=') + v);
    }

}
} // namespace

void TRegAuto::WriteStrings(const QList<Entry> &entries)
{
    const QString path = fullPath();
    const KvxError failure(QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(path));

    // Read what is there now; a file that exists but cannot be read must not be
    // replaced by one holding only this key, and a read-only file stays as it is
    // (a rename over it would succeed on a writable folder).
    // Whatever a pass read before is stale once the file changes.
    m_pass.reset();
    QByteArray bytes;
    QString why;
    if (readWholeFile(path, MaxFileBytes, &bytes, &why) == ReadOutcome::Refused)
        throw KvxError(failure.message() + QStringLiteral(": ") + why);
    IniDoc doc = parseDoc(bytes);
    for (const Entry &e : entries)
        setKey(doc, e.section, e.key, e.value);

    QString text;
    for (const IniLine &line : doc.lines)
        text += line.text + line.eol;
    QByteArray out = doc.bom ? kUtf8Bom : QByteArray();
    out += text.toUtf8();

    why = writeAtomically(path, out);
    if (!why.isEmpty())
        throw KvxError(failure.message() + QStringLiteral(": ") + why);
}

QList<TRegAuto::Section> TRegAuto::parseSections(const QByteArray &bytes)
{
    QList<Section> out;
    const IniDoc doc = parseDoc(bytes);
    for (const IniLine &line : doc.lines) {
        const LineInfo info = classify(line.text);
        if (info.kind == LineKind::Section) {
            out.append(Section{info.name.toString(), {}});
        } else if (info.kind == LineKind::Key && !out.isEmpty()) {
            // a key without "=" has no value, as for ReadString
            if (info.eq >= 0)
                out.back().keys.append({info.name.toString(),
                                        cutValue(unquote(QStringView(line.text).mid(info.eq + 1)))});
        }
    }
    return out;
}

QByteArray TRegAuto::formatSections(const QList<Section> &sections)
{
    const QString eol = QStringLiteral("\r\n");
    QString text;
    for (const Section &s : sections) {
        text += QLatin1Char('[') + trimBlanks(oneLine(s.name)).toString() + QLatin1Char(']') + eol;
        for (const auto &[key, value] : s.keys)
            text += trimBlanks(oneLine(key)).toString() + QLatin1Char('=') + quoteForWrite(oneLine(value)) + eol;
    }
    return text.toUtf8();
}

bool TRegAuto::parseInteger(const QString &text, int *out)
{
    QStringView s(text);
    // "0x..." is hexadecimal only when something follows the prefix
    if (s.size() > 2 && s.at(0) == QLatin1Char('0')
        && (s.at(1) == QLatin1Char('x') || s.at(1) == QLatin1Char('X'))) {
        quint32 v = 0;
        if (!parseHex(s.mid(2), &v))
            return false;
        *out = int(v);
        return true;
    }

    int i = 0;
    while (i < s.size() && isBlank(s.at(i)))
        ++i;
    bool negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-'))) {
        negative = s.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i < s.size()
        && (s.at(i) == QLatin1Char('$') || s.at(i) == QLatin1Char('x') || s.at(i) == QLatin1Char('X'))) {
        quint32 v = 0;
        if (!parseHex(s.mid(i + 1), &v))
            return false;
        // 32 bits taken as two's complement, as a hexadecimal dump of an int shows them
        *out = int(negative ? quint32(0) - v : v);
        return true;
    }
    const QStringView digits = s.mid(i);
    if (digits.isEmpty())
        return false;
    const quint64 limit = negative ? 2147483648ull : 2147483647ull;
    quint64 v = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + quint64(c.unicode() - '0');
        if (v > limit)
            return false;
    }
    *out = negative ? int(-qint64(v)) : int(v);
    return true;
}

int TRegAuto::ReadInteger(const QString &section, const QString &key, int def) const
{
    int v = def;
    return parseInteger(ReadString(section, key, QString()), &v) ? v : def;
}

void TRegAuto::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TRegAuto::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TRegAuto::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
