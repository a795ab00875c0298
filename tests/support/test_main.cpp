#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include <clocale>

// Every test program starts GTK once, so window tests and widget-free tests
// share one main; the display and the session bus come from the test wrapper.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    std::setlocale(LC_ALL, "C.UTF-8");
    gtk_init();
    // gtkmm wraps GTK's objects only once its own types are registered.
    Gtk::init_gtkmm_internals();
    return RUN_ALL_TESTS();
}
