// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Placement.h"

#include <algorithm>

QRect placeBesideFrame(const QRect &anchor, QSize size, const QRect &available, int gap)
{
    size = size.boundedTo(available.size());
    const int right = anchor.right() + 1 + gap;
    const int left = anchor.left() - gap - size.width();
    int x;
    if (right + size.width() <= available.right() + 1)
        x = right;
    else if (left >= available.left())
        x = left;
    else // no room on either side: over the main window, centred on it
        x = anchor.left() + (anchor.width() - size.width()) / 2;
    x = std::clamp(x, available.left(), available.right() + 1 - size.width());
    const int y = std::clamp(anchor.top(), available.top(), available.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}
