// SPDX-License-Identifier: GPL-3.0-or-later
// Which grammatical number a count takes in a language: the categories of the
// Unicode plural rules (one, few, many, other), decimals included.
#pragma once

#include <QString>

enum class PluralForm { One, Few, Many, Other };

// The form a number takes as it is shown: its value and how many decimals are
// written ("0,50" is 0.5 with two). The code is a language file's ("pl",
// "pt_BR"); an unknown or empty one follows English.
PluralForm pluralForm(const QString &code, double value, int decimals = 0);

// Every form a language's rule can give, in the order One, Few, Many, Other.
QList<PluralForm> pluralForms(const QString &code);
