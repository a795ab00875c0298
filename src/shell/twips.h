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
