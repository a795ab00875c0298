#pragma once

#include <gdkmm/pixbuf.h>
#include <gdkmm/rectangle.h>
#include <gdkmm/rgba.h>
#include <gtkmm/widget.h>
#include <pangomm/fontdescription.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A painted panel that serves as frame, button, speaker, miniature and
// schedule cell: a caption with its background and text colours, a picture
// with several looks, and a two-state value that a click flips before
// clicked is emitted. Other widgets can be put on it at fixed places, as on a
// designed form.
class ElasticPanel : public Gtk::Widget
{
public:
    enum class Bevel
    {
        Raised,
        Inset,
        None
    };

    ElasticPanel();
    ~ElasticPanel() override;

    void setCaption(const std::string& caption);
    const std::string& caption() const { return m_caption; }

    void setBackColor(const Gdk::RGBA& color);
    const Gdk::RGBA& backColor() const { return m_backColor; }
    void setForeColor(const Gdk::RGBA& color);
    const Gdk::RGBA& foreColor() const { return m_foreColor; }
    void setFont(const Pango::FontDescription& font);

    // Where the caption is drawn (vertically centred in it); the whole
    // panel, centred, unless set.
    void setCaptionArea(const Gdk::Rectangle& area, Gtk::Align horizontal);

    void setBevel(Bevel bevel);

    // Picture looks by number; the speakers use 10 (resting) and 9.
    void setPicture(int look, const Glib::RefPtr<Gdk::Pixbuf>& picture);
    void setPictureLook(int look);
    int pictureLook() const { return m_look; }

    // Panels that are clickable react to the mouse and the space bar; the
    // frame and the miniature's parts are not.
    void setClickable(bool clickable);
    // With toggling on, a click flips value() before clicked is emitted.
    void setToggles(bool toggles);
    void setValue(bool value);
    bool value() const { return m_value; }

    // A child at a fixed place over the panel, in the panel's pixels. A child
    // may be destroyed before the panel.
    void put(Gtk::Widget& child, const Gdk::Rectangle& place);
    void move(Gtk::Widget& child, const Gdk::Rectangle& place);

    sigc::signal<void()>& signal_clicked() { return m_clicked; }

protected:
    Gtk::SizeRequestMode get_request_mode_vfunc() const override;
    void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                       int& minimumBaseline, int& naturalBaseline) const override;
    void size_allocate_vfunc(int width, int height, int baseline) override;
    void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

private:
    void fire();
    void paint(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);

    std::string m_caption;
    Gdk::RGBA m_backColor{"black"};
    Gdk::RGBA m_foreColor{"white"};
    std::optional<Pango::FontDescription> m_font;
    std::optional<Gdk::Rectangle> m_captionArea;
    Gtk::Align m_captionAlign = Gtk::Align::CENTER;
    Bevel m_bevel = Bevel::Raised;
    std::map<int, Glib::RefPtr<Gdk::Pixbuf>> m_pictures;
    sigc::signal<void()> m_clicked;
    std::vector<sigc::connection> m_connections;
    int m_look = 0;
    bool m_clickable = false;
    bool m_toggles = false;
    bool m_value = false;
    bool m_pressed = false;
    bool m_spaceDown = false;
};
