#pragma once

#include <gdkmm/rectangle.h>

// Window layouts are designed in twips: 15 twips make one pixel at 100% scale;
// GTK's scale factor does the rest.
constexpr int twips(int t)
{
    return (t + 7) / 15;
}

inline Gdk::Rectangle twipsRect(int left, int top, int width, int height)
{
    return Gdk::Rectangle(twips(left), twips(top), twips(width), twips(height));
}

struct PixelPoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Where a window of the given outer size goes on a screen: centred, the
// differences halved with truncation toward zero, so a window larger than the
// screen gets a negative offset. The browser window keeps its top at the
// screen's top.
constexpr PixelPoint centredOn(int screenX, int screenY, int screenWidth, int screenHeight,
                               int width, int height)
{
    return {screenX + (screenWidth - width) / 2, screenY + (screenHeight - height) / 2};
}

inline PixelPoint centredOn(const Gdk::Rectangle& screen, int width, int height)
{
    return centredOn(screen.get_x(), screen.get_y(), screen.get_width(), screen.get_height(), width,
                     height);
}
