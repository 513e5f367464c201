// SPDX-License-Identifier: GPL-3.0-or-later
// The INI store against arbitrary files and arbitrary sequences of its six
// operations. Input: the file's bytes (up to the first lone backslash), then
// a script of operations on names and values taken from the rest.
#include "FuzzCheck.h"
#include "base/TRegAuto.h"

#include "base/KvxError.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const char *const kNames[] = {"Game", "Winner", "Valid", "Type", "Button", "Label", "Menu",
                              "Message", "aExit", "msgWin", "game", "WINNER", " Game ", "a b"};

struct Name
{
    QString section, key;
};

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }
bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

QString trimmed(const QString &s)
{
    int b = 0, e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

// A name the layout can hold: no line breaks, no "=" (it would end a key),
// no brackets (they would end a section) and no ';' (a comment at the start).
QString pickName(FuzzedDataProvider &in)
{
    const int pick = in.ConsumeIntegralInRange<int>(0, int(std::size(kNames)));
    if (pick < int(std::size(kNames)))
        return QString::fromLatin1(kNames[pick]);
    QString s = QString::fromStdString(in.ConsumeRandomLengthString(12));
    QString out;
    for (QChar c : s)
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QLatin1Char('=')
            && c != QLatin1Char('[') && c != QLatin1Char(']') && c != QLatin1Char(';'))
            out.append(c);
    out = trimmed(out);
    // A byte order mark opening the file's first line would not be a name.
    if (out.isEmpty() || out.front() == QChar(0xFEFF))
        out.prepend(QLatin1Char('k'));
    return out;
}

bool sameName(const QString &a, const QString &b)
{
    return trimmed(a).compare(trimmed(b), Qt::CaseInsensitive) == 0;
}

QString readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString() : text;
}

bool validUtf8(const QString &path, bool *exists)
{
    QFile f(path);
    *exists = f.open(QIODevice::ReadOnly);
    if (!*exists)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(f.readAll()); // decoding happens on the conversion
    Q_UNUSED(text);
    return !utf8.hasError();
}

// Lines as the store splits them: at "\r\n", "\r" or "\n".
QStringList lines(const QString &text)
{
    QStringList out;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        out << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        out << text.mid(start);
    return out;
}

// How many lines of `before` have no partner in `after`, matched in order
// (the longest common subsequence of the two).
int missingInOrder(const QStringList &before, const QStringList &after)
{
    std::vector<int> prev(after.size() + 1, 0), row(after.size() + 1, 0);
    for (const QString &line : before) {
        for (int j = 0; j < after.size(); ++j)
            row[j + 1] = line == after.at(j) ? prev[j] + 1 : std::max(prev[j + 1], row[j]);
        std::swap(prev, row);
    }
    return int(before.size()) - prev[after.size()];
}

// Lines for a report, with control characters made visible.
QString shown(const QStringList &lines)
{
    QString out;
    for (const QString &line : lines) {
        for (QChar c : line)
            out += c.unicode() < 0x20 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')) : QString(c);
        out += QLatin1Char('\n');
    }
    return out;
}

const QString kAbsent = QStringLiteral("\x01absent\x01");

struct Probe
{
    Name name;
    QString value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Korvex.cnf"));
    FuzzedDataProvider in(data, size);

    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(QByteArray::fromStdString(in.ConsumeRandomLengthString(4096)));
    }
    TRegAuto ini(path);
    std::vector<Name> used;
    for (const char *s : {"Game", "Button", "Menu"})
        for (const char *k : {"Winner", "Valid", "Type", "aExit"})
            used.push_back({QString::fromLatin1(s), QString::fromLatin1(k)});

    for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange<int>(0, 6);
        Name n{pickName(in), pickName(in)};
        if (used.size() < 40)
            used.push_back(n);

        switch (op) {
        case 0: { // ReadString: never longer than its buffer
            const QString def = QString::fromStdString(in.ConsumeRandomLengthString(8));
            const QString v = ini.ReadString(n.section, n.key, def);
            FUZZ_CHECK(v.size() <= TRegAuto::MaxValueLength, QString::number(v.size()));
            // One reading for many keys finds what a reading per key finds.
            const TRegAuto::Pass pass(ini);
            FUZZ_CHECK(pass.problem().isEmpty(), pass.problem());
            FUZZ_CHECK(ini.ReadString(n.section, n.key, def) == v, v);
            break;
        }
        case 1: { // ReadInteger and ReadBool agree with the text they read
            const int def = in.ConsumeIntegral<int>();
            const int v = ini.ReadInteger(n.section, n.key, def);
            const QString text = ini.ReadString(n.section, n.key, kAbsent);
            int parsed = 0;
            if (text == kAbsent || !TRegAuto::parseInteger(text, &parsed))
                FUZZ_CHECK(v == def, text);
            else
                FUZZ_CHECK(v == parsed, text);
            bool canonical = false;
            const int dec = text.toInt(&canonical);
            if (canonical && QString::number(dec) == text)
                FUZZ_CHECK(v == dec, text);
            FUZZ_CHECK(ini.ReadBool(n.section, n.key, false) == (ini.ReadInteger(n.section, n.key, 0) != 0), text);
            FUZZ_CHECK(ini.ReadBool(n.section, n.key, true) == (ini.ReadInteger(n.section, n.key, 1) != 0), text);
            break;
        }
        default: { // the writes
            QString value;
            if (op == 2 || op == 5)
                value = QString::fromUtf8(QByteArray::fromStdString(in.ConsumeRandomLengthString(3000)));
            const int iv = in.ConsumeIntegral<int>();
            const bool bv = iv & 1;

            bool existed = false;
            const bool comparable = validUtf8(path, &existed);
            const QStringList before = lines(readAll(path));
            const QString old = ini.ReadString(n.section, n.key, kAbsent);
            std::vector<Probe> probes;
            for (const Name &p : used)
                if (!(sameName(p.section, n.section) && sameName(p.key, n.key)))
                    probes.push_back({p, ini.ReadString(p.section, p.key, kAbsent)});

            try {
                if (op == 2 || op == 5)
                    ini.WriteString(n.section, n.key, value);
                else if (op == 3)
                    ini.WriteInteger(n.section, n.key, iv);
                else
                    ini.WriteBool(n.section, n.key, bv);
            } catch (const KvxError &e) {
                FUZZ_CHECK(false, e.message());
            }

            // What was written is read back.
            if (op == 3) {
                FUZZ_CHECK(ini.ReadInteger(n.section, n.key, ~iv) == iv, QString::number(iv));
                FUZZ_CHECK(ini.ReadString(n.section, n.key, kAbsent) == QString::number(iv), QString::number(iv));
            } else if (op == 4 || op == 6) {
                FUZZ_CHECK(ini.ReadBool(n.section, n.key, !bv) == bv, QString());
                FUZZ_CHECK(ini.ReadString(n.section, n.key, kAbsent) == (bv ? "1" : "0"), QString());
            } else {
                const QString back = ini.ReadString(n.section, n.key, kAbsent);
                const bool plain = !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'));
                const bool bareEnds = value.isEmpty()
                        || (!isBlank(value.front()) && !isBlank(value.back()) && !isQuote(value.front())
                            && !isQuote(value.back()));
                QString want = value.left(TRegAuto::MaxValueLength);
                if (want.size() == TRegAuto::MaxValueLength && want.back().isHighSurrogate())
                    want.chop(1);
                if (plain && bareEnds)
                    FUZZ_CHECK(back == want, QStringLiteral("[%1] %2: wrote \"%3\", read \"%4\"")
                                                     .arg(n.section, n.key, value.left(80), back.left(80)));
                else
                    FUZZ_CHECK(back != kAbsent, QStringLiteral("a written key is missing"));
            }

            // Nothing else changed, and no line was added that was not asked for.
            for (const Probe &p : probes) {
                const QString now = ini.ReadString(p.name.section, p.name.key, kAbsent);
                FUZZ_CHECK(now == p.value, QStringLiteral("writing [%1] %2 changed [%3] %4 from \"%5\" to \"%6\"")
                                               .arg(n.section, n.key, p.name.section, p.name.key,
                                                    p.value.left(60), now.left(60)));
            }
            const QStringList after = lines(readAll(path));
            if (comparable) {
                const int missing = missingInOrder(before, after);
                FUZZ_CHECK(missing <= 1, QStringLiteral("%1 lines lost writing [%2] %3:\n%4\n---\n%5")
                                                 .arg(missing).arg(n.section, n.key, shown(before),
                                                                   shown(after)));
                const int added = int(after.size()) - (int(before.size()) - missing);
                FUZZ_CHECK(added <= 2, QStringLiteral("%1 lines added writing [%2] %3:\n%4\n---\n%5")
                                               .arg(added).arg(n.section, n.key, shown(before),
                                                               shown(after)));
                if (old != kAbsent)
                    FUZZ_CHECK(after.size() == before.size(),
                               QStringLiteral("a line added for a key that was there: %1 -> %2")
                                       .arg(before.size()).arg(after.size()));
            }
            break;
        }
        }
    }
    return 0;
}
