// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SolveProgressBar.h"
#include "game/SolveService.h"
#include "base/UiTexts.h"

SolveProgressBar::SolveProgressBar(SolveService &solver, const char *formatKey, QWidget *parent)
    : QProgressBar(parent), m_formatKey(formatKey)
{
    setObjectName(QStringLiteral("pbSolve"));
    setRange(0, 1000);
    hide();
    connect(&solver, &SolveService::progressChanged, this, &SolveProgressBar::showFraction);
}

void SolveProgressBar::showFraction(double fraction)
{
    setValue(int(fraction * 1000));
    setFormat(uiText(m_formatKey).arg(value() / 10));
}
