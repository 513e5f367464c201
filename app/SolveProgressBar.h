// SPDX-License-Identifier: GPL-3.0-or-later
// The bar a window shows while the best play is being solved for it: it
// follows the shared solve service by itself, hidden until the window shows it.
#pragma once

#include <QProgressBar>

class SolveService;

class SolveProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    // formatKey: the language table's text for the bar, with %1 for the percent done.
    SolveProgressBar(SolveService &solver, const char *formatKey, QWidget *parent);
    void showFraction(double fraction);

private:
    const char *m_formatKey;
};
