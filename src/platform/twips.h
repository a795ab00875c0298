#pragma once

#include <QRect>

// Window layouts are designed in twips: 15 twips make one pixel at 100% scale;
// Qt's high-DPI scaling does the rest.
constexpr int twips(int t)
{
    return (t + 7) / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Where a window of the given outer size goes on a screen: centred, the
// differences halved with truncation toward zero, so a window larger than the
// screen gets a negative offset. The browser window keeps its top at the
// screen's top.
constexpr QPoint centredOn(const QRect& screen, int width, int height)
{
    return QPoint(screen.left() + (screen.width() - width) / 2,
                  screen.top() + (screen.height() - height) / 2);
}
