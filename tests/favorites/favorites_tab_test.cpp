#include "favorites/favorites_tab.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"
#include "tab_window.h"
#include "shown_box.h"

#include <gtest/gtest.h>

namespace {

// The Favorites tab in a shown window, over files of the test's own.
struct Favorites
{
    ScratchDir dir;
    SettingsStore settings{dir / "Corvane.conf"};
    TabWindow window;
    std::unique_ptr<FavoritesTab> tab;

    Favorites()
    {
        tab = std::make_unique<FavoritesTab>(
            FavoritesContext{dir / "pref.txt", dir / "favorites.htm", CodePage(), &settings},
            window.page);
        tab->load();
        window.show(tab->List2Scroller);
    }
    std::string list() const { return ScratchDir::read(dir / "pref.txt"); }
    bool pageIs(FavoritesPage::Form form) const
    {
        return ScratchDir::read(dir / "favorites.htm") ==
               FavoritesPage::bytes(form, tab->entries());
    }
    bool add(const std::string& name, const std::string& address)
    {
        tab->Text4.set_text(name);
        tab->Text5.set_text(address);
        return press(tab->Command14);
    }
};

} // namespace

TEST(FavoritesTab, AddSelectAndDelete)
{
    Favorites f;
    ASSERT_TRUE(f.add("The Zoo", "http://zoo.example/"));
    ASSERT_TRUE(press(f.tab->Command14)); // the fields keep their text
    ASSERT_TRUE(f.add("Moon", "http://moon.example/"));
    EXPECT_EQ(f.list(), "The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n"
                        "Moon\r\nhttp://moon.example/\r\n");
    EXPECT_TRUE(f.pageIs(FavoritesPage::Form::Add));

    // A click in one list selects the same row in the other and enables Delete.
    EXPECT_FALSE(f.tab->Command13.get_sensitive());
    Gtk::Widget* moon = rowShowing(f.tab->List2, "http://moon.example/");
    ASSERT_NE(moon, nullptr);
    clickOn(*moon);
    ASSERT_TRUE(runUntil([&] { return FavoritesTab::currentRow(f.tab->names()) == 2u; }));
    EXPECT_TRUE(f.tab->Command13.get_sensitive());
    // Tab follows the designed order: Delete, Add, the two fields, the lists.
    f.tab->Command13.grab_focus();
    for (Gtk::Widget* next : std::initializer_list<Gtk::Widget*>{&f.tab->Command14, &f.tab->Text4,
                                                                 &f.tab->Text5, &f.tab->List3}) {
        ASSERT_EQ(std::system("xdotool key Tab"), 0);
        EXPECT_TRUE(runUntil([&] { return f.window.focusIn(*next); }));
    }
    ASSERT_EQ(std::system("xdotool key shift+Tab"), 0);
    EXPECT_TRUE(runUntil([&] { return f.window.focusIn(f.tab->Text5); }));
    // So does a move with the keys.
    f.tab->addresses().set_selected(1);
    EXPECT_EQ(FavoritesTab::currentRow(f.tab->names()), 1u);

    // No: lists and file stay, the page is rewritten in its delete form.
    const std::string listBefore = f.list();
    MessageBox::queueAnswer(MessageBox::No);
    ASSERT_TRUE(press(f.tab->Command13));
    auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    expectBox(shown[0], "Remove <http://zoo.example/> ???", "Attention!",
              MessageBox::Yes | MessageBox::No, MessageBox::Critical, MessageBox::No);
    EXPECT_EQ(f.list(), listBefore);
    EXPECT_TRUE(f.pageIs(FavoritesPage::Form::Delete));
    EXPECT_FALSE(f.tab->Command13.get_sensitive());

    // The row already selected enables Delete again; Yes puts the entry
    // back into the fields and removes it everywhere.
    clickOn(*rowShowing(f.tab->List3, "Moon"));
    ASSERT_TRUE(runUntil([&] { return f.tab->Command13.get_sensitive(); }));
    MessageBox::queueAnswer(MessageBox::Yes);
    ASSERT_TRUE(press(f.tab->Command13));
    EXPECT_EQ(f.tab->Text4.get_text(), "Moon");
    EXPECT_EQ(f.tab->Text5.get_text(), "http://moon.example/");
    EXPECT_EQ(f.list(), "The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n");
    EXPECT_TRUE(f.pageIs(FavoritesPage::Form::Delete));
    EXPECT_FALSE(FavoritesTab::currentRow(f.tab->addresses()));
    EXPECT_FALSE(FavoritesTab::currentRow(f.tab->names()));
}

// Both files failing: one message names both; the next save writes the list
// as shown, and a pasted line break cannot split an entry in the file.
TEST(FavoritesTab, FilesThatFailAreToldAndKeepTheList)
{
    Favorites f;
    for (const char* file : {"pref.txt", "favorites.htm"})
        std::filesystem::create_directory(f.dir / file);
    ASSERT_TRUE(f.add("Zoo", "zoo.example"));
    auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("pref.txt"), std::string::npos);
    EXPECT_NE(shown[0].text.find("favorites.htm"), std::string::npos);
    std::filesystem::remove(f.dir / "pref.txt");
    ASSERT_TRUE(f.add("two\r\nlines\rand\nmore", "zoo.example"));
    EXPECT_EQ(f.list(), "Zoo\r\nzoo.example\r\ntwo lines and more\r\nzoo.example\r\n");

    // A list that cannot be read starts empty, and the parent is told.
    MessageBox::takeShown();
    std::filesystem::remove(f.dir / "pref.txt");
    std::filesystem::create_directory(f.dir / "pref.txt");
    f.tab->load();
    shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("\n\nThe favorites list starts empty"), std::string::npos);
    EXPECT_EQ(shown[0].icon, MessageBox::Warning);
    EXPECT_TRUE(f.tab->entries().empty());
}

TEST(FavoritesTab, FavoritesOnlyIsStoredOnlyWhenItChanges)
{
    Favorites f;
    EXPECT_FALSE(f.tab->favoritesOnly());
    f.tab->storeFavoritesOnly(true);
    EXPECT_TRUE(f.tab->favoritesOnly());
    f.tab->storeFavoritesOnly(false);
    EXPECT_FALSE(f.tab->favoritesOnly());
    EXPECT_TRUE(MessageBox::takeShown().empty());

    // A settings file that cannot be written costs a message only when the
    // switch really changes.
    ScratchDir::write(f.dir / "blocker", "");
    SettingsStore readOnly(f.dir / "blocker" / "Corvane.conf");
    FavoritesTab other({f.dir / "pref.txt", f.dir / "favorites.htm", CodePage(), &readOnly},
                       f.window.page);
    other.storeFavoritesOnly(false);
    EXPECT_TRUE(MessageBox::takeShown().empty());
    other.storeFavoritesOnly(true);
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageBox::Critical);
}
