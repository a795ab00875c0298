#include "platform/elastic_panel.h"

#include <gtkmm.h>

#include <algorithm>

namespace {

Gdk::RGBA rgb(double r, double g, double b)
{
    Gdk::RGBA c;
    c.set_rgba(float(r), float(g), float(b));
    return c;
}

// Lightness as HSL counts it, 0 to 255.
int lightness(const Gdk::RGBA& c)
{
    const double hi = std::max({c.get_red(), c.get_green(), c.get_blue()});
    const double lo = std::min({c.get_red(), c.get_green(), c.get_blue()});
    return int((hi + lo) / 2 * 255);
}

// Value scaled by percent, as the bevels have always been shaded: past full
// brightness the colour loses saturation instead.
Gdk::RGBA scaled(const Gdk::RGBA& c, double percent)
{
    const double r = c.get_red(), g = c.get_green(), b = c.get_blue();
    const double v = std::max({r, g, b});
    const double lo = std::min({r, g, b});
    if (v <= 0)
        return rgb(0, 0, 0);
    double s = (v - lo) / v;
    double newV = v * percent / 100;
    if (newV > 1) {
        s = std::max(0.0, s - (newV - 1));
        newV = 1;
    }
    // Keep the hue: each channel's place between the lowest and the highest.
    auto channel = [&](double x) {
        const double t = v > lo ? (v - x) / (v - lo) : 0; // 0 at the highest
        return newV * (1 - s * t);
    };
    return rgb(channel(r), channel(g), channel(b));
}

// Each child keeps its own place, so nothing is left pointing at a child that
// was destroyed first.
const Glib::Quark kPlace("tobrin-elastic-place");

Gdk::Rectangle placeOf(const Gtk::Widget& child)
{
    const auto* place =
        static_cast<Gdk::Rectangle*>(const_cast<Gtk::Widget&>(child).get_data(kPlace));
    return place ? *place : Gdk::Rectangle();
}

void setPlace(Gtk::Widget& child, const Gdk::Rectangle& place)
{
    child.set_data(kPlace, new Gdk::Rectangle(place),
                   [](void* p) { delete static_cast<Gdk::Rectangle*>(p); });
}

void setColor(const Cairo::RefPtr<Cairo::Context>& cr, const Gdk::RGBA& c)
{
    cr->set_source_rgb(c.get_red(), c.get_green(), c.get_blue());
}

} // namespace

ElasticPanel::ElasticPanel() : Glib::ObjectBase("ElasticPanel")
{
    set_overflow(Gtk::Overflow::HIDDEN);

    auto click = Gtk::GestureClick::create();
    click->set_button(GDK_BUTTON_PRIMARY);
    m_connections.push_back(
        click->signal_pressed().connect([this, click = click.get()](int, double, double) {
            if (!m_clickable || !is_sensitive()) {
                click->set_state(Gtk::EventSequenceState::DENIED);
                return;
            }
            m_pressed = true;
            queue_draw();
        }));
    m_connections.push_back(click->signal_released().connect([this](int, double x, double y) {
        if (!m_pressed)
            return;
        m_pressed = false;
        queue_draw();
        if (x >= 0 && y >= 0 && x < get_width() && y < get_height())
            fire();
    }));
    m_connections.push_back(click->signal_stopped().connect([this] {
        if (m_pressed) {
            m_pressed = false;
            queue_draw();
        }
    }));
    add_controller(click);

    // A focused button answers the space bar, as the platform's buttons do;
    // a held key acts once.
    auto keys = Gtk::EventControllerKey::create();
    m_connections.push_back(keys->signal_key_pressed().connect(
        [this](guint key, guint, Gdk::ModifierType) {
            if (!m_clickable || key != GDK_KEY_space)
                return false;
            if (!std::exchange(m_spaceDown, true))
                fire();
            return true;
        },
        false));
    m_connections.push_back(
        keys->signal_key_released().connect([this](guint key, guint, Gdk::ModifierType) {
            if (key == GDK_KEY_space)
                m_spaceDown = false;
        }));
    add_controller(keys);

    auto focus = Gtk::EventControllerFocus::create();
    m_connections.push_back(focus->signal_enter().connect([this] { queue_draw(); }));
    m_connections.push_back(focus->signal_leave().connect([this] { queue_draw(); }));
    add_controller(focus);

    m_connections.push_back(property_sensitive().signal_changed().connect([this] {
        m_pressed = false;
        queue_draw();
    }));
}

ElasticPanel::~ElasticPanel()
{
    // The widget's own handlers must not run while GTK takes it apart.
    for (sigc::connection& c : m_connections)
        c.disconnect();
    while (Gtk::Widget* child = get_first_child())
        child->unparent();
}

void ElasticPanel::setCaption(const std::string& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    queue_draw();
}

void ElasticPanel::setBackColor(const Gdk::RGBA& color)
{
    m_backColor = color;
    queue_draw();
}

void ElasticPanel::setForeColor(const Gdk::RGBA& color)
{
    m_foreColor = color;
    queue_draw();
}

void ElasticPanel::setFont(const Pango::FontDescription& font)
{
    m_font = font;
    queue_resize();
}

void ElasticPanel::setCaptionArea(const Gdk::Rectangle& area, Gtk::Align horizontal)
{
    m_captionArea = area;
    m_captionAlign = horizontal;
    queue_draw();
}

void ElasticPanel::setBevel(Bevel bevel)
{
    m_bevel = bevel;
    queue_draw();
}

void ElasticPanel::setPicture(int look, const Glib::RefPtr<Gdk::Pixbuf>& picture)
{
    m_pictures[look] = picture;
    queue_draw();
}

void ElasticPanel::setPictureLook(int look)
{
    if (look == m_look)
        return;
    m_look = look;
    queue_draw();
}

void ElasticPanel::setClickable(bool clickable)
{
    m_clickable = clickable;
    set_focusable(clickable);
    set_cursor(clickable ? "pointer" : "");
}

void ElasticPanel::setToggles(bool toggles)
{
    m_toggles = toggles;
}

void ElasticPanel::setValue(bool value)
{
    if (value == m_value)
        return;
    m_value = value;
    queue_draw();
}

void ElasticPanel::put(Gtk::Widget& child, const Gdk::Rectangle& place)
{
    setPlace(child, place);
    child.set_parent(*this);
    queue_resize();
}

void ElasticPanel::move(Gtk::Widget& child, const Gdk::Rectangle& place)
{
    setPlace(child, place);
    queue_allocate();
}

Gtk::SizeRequestMode ElasticPanel::get_request_mode_vfunc() const
{
    return Gtk::SizeRequestMode::CONSTANT_SIZE;
}

void ElasticPanel::measure_vfunc(Gtk::Orientation orientation, int, int& minimum, int& natural,
                                 int& minimumBaseline, int& naturalBaseline) const
{
    // The caption's size plus a margin, and room for every child's place.
    auto layout = const_cast<ElasticPanel*>(this)->create_pango_layout(m_caption);
    if (m_font)
        layout->set_font_description(*m_font);
    int width = 0, height = 0;
    layout->get_pixel_size(width, height);
    const bool horizontal = orientation == Gtk::Orientation::HORIZONTAL;
    natural = horizontal ? width + 12 : height + 6;
    for (auto* child = get_first_child(); child; child = child->get_next_sibling()) {
        int childMin = 0, childNat = 0, b1 = 0, b2 = 0;
        child->measure(orientation, -1, childMin, childNat, b1, b2);
        const Gdk::Rectangle place = placeOf(*child);
        natural = std::max(natural, horizontal ? place.get_x() + place.get_width()
                                               : place.get_y() + place.get_height());
    }
    minimum = natural;
    minimumBaseline = naturalBaseline = -1;
}

void ElasticPanel::size_allocate_vfunc(int, int, int)
{
    for (auto* child = get_first_child(); child; child = child->get_next_sibling()) {
        // Asked first, as GTK wants of every child it allocates.
        int childMin = 0, childNat = 0, b1 = 0, b2 = 0;
        child->measure(Gtk::Orientation::HORIZONTAL, -1, childMin, childNat, b1, b2);
        Gdk::Rectangle at = placeOf(*child);
        at.set_width(std::max(at.get_width(), childMin));
        child->size_allocate(at, -1);
    }
}

void ElasticPanel::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot)
{
    const int width = get_width(), height = get_height();
    paint(snapshot->append_cairo(Gdk::Rectangle(0, 0, width, height)), width, height);
    for (auto* child = get_first_child(); child; child = child->get_next_sibling())
        snapshot_child(*child, snapshot);
}

void ElasticPanel::paint(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height)
{
    setColor(cr, m_backColor);
    cr->paint();

    const auto pic = m_pictures.find(m_look);
    if (pic != m_pictures.end() && pic->second) {
        const auto& picture = pic->second;
        const double scale = std::min(double(width - 4) / picture->get_width(),
                                      double(height - 4) / picture->get_height());
        if (scale > 0) {
            const int w = int(picture->get_width() * scale), h = int(picture->get_height() * scale);
            cr->save();
            cr->translate((width - w) / 2, (height - h) / 2);
            cr->scale(scale, scale);
            Gdk::Cairo::set_source_pixbuf(cr, picture, 0, 0);
            // Enlarged pixel for pixel, as the pictures were drawn to be shown.
            cairo_pattern_set_filter(cairo_get_source(cr->cobj()), CAIRO_FILTER_NEAREST);
            cr->paint();
            cr->restore();
        }
    }

    if (!m_caption.empty()) {
        setColor(cr, is_sensitive() ? m_foreColor : rgb(0x80 / 255.0, 0x80 / 255.0, 0x80 / 255.0));
        const Gdk::Rectangle area =
            m_captionArea ? *m_captionArea : Gdk::Rectangle(2, 1, width - 4, height - 2);
        auto layout = create_pango_layout(m_caption);
        if (m_font)
            layout->set_font_description(*m_font);
        layout->set_single_paragraph_mode(true);
        layout->set_width(area.get_width() * PANGO_SCALE);
        layout->set_alignment(m_captionAlign == Gtk::Align::START ? Pango::Alignment::LEFT
                              : m_captionAlign == Gtk::Align::END ? Pango::Alignment::RIGHT
                                                                  : Pango::Alignment::CENTER);
        int textWidth = 0, textHeight = 0;
        layout->get_pixel_size(textWidth, textHeight);
        const int shift = m_pressed ? 1 : 0;
        cr->save();
        Gdk::Cairo::add_rectangle_to_path(cr, area);
        cr->clip();
        cr->move_to(area.get_x() + shift,
                    area.get_y() + (area.get_height() - textHeight) / 2 + shift);
        layout->show_in_cairo_context(cr);
        cr->restore();
    }

    if (m_bevel == Bevel::None)
        return;
    // A one-pixel bevel in lighter and darker shades of the panel colour,
    // reversed while pressed or for inset panels.
    const bool sunken = m_pressed || m_bevel == Bevel::Inset || (m_toggles && m_value);
    const bool dim = lightness(m_backColor) < 40;
    Gdk::RGBA light =
        dim ? rgb(0x70 / 255.0, 0x70 / 255.0, 0x70 / 255.0) : scaled(m_backColor, 160);
    Gdk::RGBA dark = dim ? rgb(0x10 / 255.0, 0x10 / 255.0, 0x10 / 255.0) : scaled(m_backColor, 50);
    if (sunken)
        std::swap(light, dark);
    cr->set_line_width(1);
    setColor(cr, light);
    cr->move_to(0.5, height - 0.5);
    cr->line_to(0.5, 0.5);
    cr->line_to(width - 0.5, 0.5);
    cr->stroke();
    setColor(cr, dark);
    cr->move_to(0.5, height - 0.5);
    cr->line_to(width - 0.5, height - 0.5);
    cr->line_to(width - 0.5, 0.5);
    cr->stroke();
    if (has_focus()) {
        setColor(cr, m_foreColor);
        const std::vector<double> dots{1, 1};
        cr->set_dash(dots, 0);
        cr->rectangle(2.5, 2.5, width - 5, height - 5);
        cr->stroke();
    }
}

void ElasticPanel::fire()
{
    if (!is_sensitive())
        return;
    if (m_toggles)
        setValue(!m_value);
    m_clicked.emit();
}
