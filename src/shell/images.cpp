#include "shell/images.h"

// Made by the build from images/ (compiled as C++, hence no C linkage);
// registered by hand: a static library's registration at load time would be
// dropped by the linker.
void tobrin_images_register_resource();

namespace Images {

namespace {

// A picture that cannot be read leaves its place plain, never stops the window.
Glib::RefPtr<Gdk::Pixbuf> picture(const char* name)
{
    static const bool registered = [] {
        tobrin_images_register_resource();
        return true;
    }();
    (void)registered;
    try {
        return Gdk::Pixbuf::create_from_resource(std::string("/tobrin/images/") + name);
    } catch (const Glib::Error&) {
        return {};
    }
}

} // namespace

Glib::RefPtr<Gdk::Pixbuf> speakerResting()
{
    return picture("speaker_rest.png");
}

Glib::RefPtr<Gdk::Pixbuf> speakerAlternate()
{
    return picture("speaker_alt.png");
}

Glib::RefPtr<Gdk::Pixbuf> icon()
{
    return picture("tobrin.png");
}

} // namespace Images
