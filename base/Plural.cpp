// SPDX-License-Identifier: GPL-3.0-or-later
// The plural rules of the shipped languages, in the operands of the Unicode
// rules: n the absolute value, i its integer digits, v the number of visible
// decimals.
#include "base/Plural.h"

#include <QList>

#include <cmath>

namespace {

QString family(const QString &code)
{
    return code.section(QLatin1Char('_'), 0, 0).toLower();
}

} // namespace

PluralForm pluralForm(const QString &code, double value, int decimals)
{
    // The number as shown: rounded to its decimals.
    const int v = decimals > 0 ? decimals : 0;
    const double scale = std::pow(10.0, v);
    const double n = std::round(std::fabs(value) * scale) / scale;
    const qint64 i = qint64(std::floor(n));
    const QString lang = family(code);
    const qint64 i10 = i % 10, i100 = i % 100;
    if (lang == QLatin1String("pl")) {
        if (v != 0)
            return PluralForm::Other;
        if (i == 1)
            return PluralForm::One;
        if (i10 >= 2 && i10 <= 4 && !(i100 >= 12 && i100 <= 14))
            return PluralForm::Few;
        return PluralForm::Many;
    }
    if (lang == QLatin1String("cs") || lang == QLatin1String("sk")) {
        if (v != 0)
            return PluralForm::Many;
        if (i == 1)
            return PluralForm::One;
        return i >= 2 && i <= 4 ? PluralForm::Few : PluralForm::Other;
    }
    if (lang == QLatin1String("fr") || lang == QLatin1String("pt"))
        return i <= 1 ? PluralForm::One : PluralForm::Other; // "0,5 manche"
    if (lang == QLatin1String("es") || lang == QLatin1String("hu"))
        return n == 1.0 ? PluralForm::One : PluralForm::Other;
    // English, German, Dutch, Italian and the rest: "1" alone is singular.
    return i == 1 && v == 0 ? PluralForm::One : PluralForm::Other;
}

QList<PluralForm> pluralForms(const QString &code)
{
    const QString lang = family(code);
    if (lang == QLatin1String("pl") || lang == QLatin1String("cs") || lang == QLatin1String("sk"))
        return {PluralForm::One, PluralForm::Few, PluralForm::Many, PluralForm::Other};
    return {PluralForm::One, PluralForm::Other};
}
