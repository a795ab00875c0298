#include "platform/colors.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

std::int64_t channel(double fraction)
{
    return std::int64_t(std::lround(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

} // namespace

namespace ColorValue {

Gdk::RGBA toColor(std::int64_t value)
{
    const auto v = std::uint32_t(value);
    Gdk::RGBA color;
    color.set_rgba_u(std::uint16_t((v & 0xFF) * 257), std::uint16_t(((v >> 8) & 0xFF) * 257),
                     std::uint16_t(((v >> 16) & 0xFF) * 257));
    return color;
}

std::int64_t fromColor(const Gdk::RGBA& color)
{
    return channel(color.get_red()) | (channel(color.get_green()) << 8) |
           (channel(color.get_blue()) << 16);
}

} // namespace ColorValue

void addStyleRules(const char* css)
{
    static std::set<const char*> added;
    auto display = Gdk::Display::get_default();
    if (!display || !added.insert(css).second)
        return;
    auto provider = Gtk::CssProvider::create();
    provider->load_from_data(css);
    Gtk::StyleContext::add_provider_for_display(display, provider,
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}
