#include "platform/window_placement.h"

#include "platform/x11_hold.h"

#include <gtkmm.h>

#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>

#include <cstring>
#include <memory>

namespace {

constexpr char kPlacerKey[] = "tobrin-placer";

struct Frame
{
    int width = -1;
    int height = -1;
    bool operator==(const Frame&) const = default;
};

class Placer
{
public:
    Placer(Gtk::Window& window, std::function<PixelPoint(int, int)> place)
        : m_window(window), m_place(std::move(place))
    {
        m_mapped = window.signal_map().connect([this] { placeIfFramedAnew(); });
        // Said before the window is first shown, so its first frame is right.
        m_realized = window.signal_realize().connect([this] { offerNoResizing(); }, true);
        GdkDisplay* display = gdk_display_get_default();
        if (display && GDK_IS_X11_DISPLAY(display)) {
            m_display = display;
            m_handler = g_signal_connect(display, "xevent", G_CALLBACK(&Placer::onXEvent), this);
        }
    }

    ~Placer()
    {
        m_mapped.disconnect();
        m_realized.disconnect();
        if (m_handler)
            g_signal_handler_disconnect(m_display, m_handler);
    }

    void setPlace(std::function<PixelPoint(int, int)> place) { m_place = std::move(place); }

    void placeNow()
    {
        xcb_connection_t* c = X11::gdkConnection();
        const xcb_window_t id = X11::windowId(m_window);
        if (!c || !id)
            return;
        m_frame = frame(c, id);
        const PixelPoint at = m_place(m_frame.width, m_frame.height);
        // Under a window manager the request moves the frame's top left
        // there (the toolkit's north-west gravity); without one it moves the
        // window itself, which then has no frame.
        const uint32_t values[] = {uint32_t(at.x), uint32_t(at.y)};
        X11::dropError(c, xcb_configure_window_checked(
                              c, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values));
    }

private:
    static gboolean onXEvent(GdkDisplay*, XEvent* event, Placer* self)
    {
        const xcb_window_t id = X11::windowId(self->m_window);
        if (!id || event->xany.window != Window(id))
            return false;
        if (event->type == MapNotify || event->type == ConfigureNotify ||
            event->type == PropertyNotify)
            self->placeIfFramedAnew();
        if (event->type == MapNotify)
            self->offerNoResizing();
        return false;
    }

    // A window of fixed size offers no resizing: the toolkit leaves every
    // function and decoration in Motif's hints, and window managers such as
    // openbox then draw a resize handle below it.
    void offerNoResizing()
    {
        xcb_connection_t* c = X11::gdkConnection();
        const xcb_window_t id = X11::windowId(m_window);
        if (!c || !id || m_window.get_resizable())
            return;
        static const xcb_atom_t motif = X11::atom(c, "_MOTIF_WM_HINTS");
        // Motif's hints: moved, minimised and closed; a border, a title
        // and its menu, a minimise button.
        enum : uint32_t
        {
            Functions = 1,
            Decorations = 2
        };
        const uint32_t hints[5] = {Functions | Decorations, 4 | 8 | 32, 2 | 8 | 16 | 32, 0, 0};
        auto r = X11::reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, id, motif, motif, 0, 5), X11::Dropped()));
        if (r && xcb_get_property_value_length(r.get()) == sizeof hints &&
            std::memcmp(xcb_get_property_value(r.get()), hints, sizeof hints) == 0)
            return;
        X11::dropError(c, xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, id, motif, motif,
                                                      32, 5, hints));
    }

    void placeIfFramedAnew()
    {
        xcb_connection_t* c = X11::gdkConnection();
        const xcb_window_t id = X11::windowId(m_window);
        if (c && id && frame(c, id) != m_frame)
            placeNow();
    }

    // The window's size plus the borders its window manager says it drew.
    static Frame frame(xcb_connection_t* c, xcb_window_t id)
    {
        auto geometry =
            X11::reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), X11::Dropped()));
        if (!geometry)
            return {};
        Frame f{geometry->width, geometry->height};
        static const xcb_atom_t extents = X11::atom(c, "_NET_FRAME_EXTENTS");
        auto r = X11::reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, id, extents, XCB_ATOM_CARDINAL, 0, 4), X11::Dropped()));
        if (r && xcb_get_property_value_length(r.get()) == 16) {
            const auto* e = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
            f.width += int(e[0] + e[1]);
            f.height += int(e[2] + e[3]);
        }
        return f;
    }

    Gtk::Window& m_window;
    std::function<PixelPoint(int, int)> m_place;
    sigc::connection m_mapped;
    sigc::connection m_realized;
    GdkDisplay* m_display = nullptr;
    gulong m_handler = 0;
    Frame m_frame;
};

Gdk::Rectangle screenOf(Gtk::Window& window)
{
    Gtk::Window* owner = window.get_transient_for() ? window.get_transient_for() : &window;
    auto display = window.get_display();
    Glib::RefPtr<Gdk::Monitor> monitor;
    if (auto surface = owner->get_surface())
        monitor = display->get_monitor_at_surface(surface);
    if (!monitor) {
        auto monitors = display->get_monitors();
        if (monitors->get_n_items() > 0)
            monitor = std::dynamic_pointer_cast<Gdk::Monitor>(monitors->get_object(0));
    }
    Gdk::Rectangle area;
    if (monitor)
        monitor->get_geometry(area);
    return area;
}

} // namespace

void keepPlaced(Gtk::Window& window, std::function<PixelPoint(int width, int height)> place)
{
    auto* placer = static_cast<Placer*>(window.get_data(kPlacerKey));
    if (placer) {
        placer->setPlace(std::move(place));
    } else {
        placer = new Placer(window, std::move(place));
        window.set_data(kPlacerKey, placer, [](void* p) { delete static_cast<Placer*>(p); });
    }
    placer->placeNow();
}

void keepCentred(Gtk::Window& window)
{
    keepPlaced(window, [&window](int width, int height) {
        // Asked each time: the owner may have moved to another monitor.
        return centredOn(screenOf(window), width, height);
    });
}
