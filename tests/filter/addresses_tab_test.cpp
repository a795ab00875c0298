#include "filter/addresses_tab.h"
#include "scratch_dir.h"
#include "tab_window.h"
#include "shown_box.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The Addresses tab in a shown window, over a list file of the test's own.
struct Editor
{
    ScratchDir dir;
    TabWindow window;
    std::unique_ptr<AddressesTab> tab;

    explicit Editor(const std::string& file)
    {
        ScratchDir::write(path(), file);
        tab = std::make_unique<AddressesTab>(AddressesContext{path(), CodePage()}, window.page);
        tab->load();
        window.show(tab->List1);
        tab->Text1.grab_focus(); // the first visit enables Add
    }
    std::filesystem::path path() const { return dir / "nosurf.txt"; }
    std::string file() const { return ScratchDir::read(path()); }
    bool add(const std::string& word)
    {
        tab->Text1.set_text(word);
        return press(tab->Command11);
    }
    std::string rows() const
    {
        std::string shown;
        Gtk::SingleSelection& model = tab->selection();
        for (guint i = 0; i < model.get_n_items(); ++i)
            shown +=
                std::dynamic_pointer_cast<Gtk::StringObject>(model.get_object(i))->get_string() +
                "|";
        return shown;
    }
};

} // namespace

TEST(AddressesTab, WarningWordsAskFirstAndTheListStaysSorted)
{
    Editor editor("zoo\r\nbet\r\n");                     // left unsorted until the first change
    EXPECT_FALSE(editor.tab->Command12.get_sensitive()); // the list was never visited
    for (const std::string word : {"www", "net", "http", "com", "http://"}) {
        for (const bool yes : {false, true}) {
            MessageBox::queueAnswer(yes ? MessageBox::Yes : MessageBox::No);
            ASSERT_TRUE(editor.add(word));
            const auto shown = MessageBox::takeShown();
            ASSERT_EQ(shown.size(), 1u);
            expectBox(shown[0],
                      "If you include < " + word +
                          " >  you will block MOST of sites!!!\n\r"
                          "Are you REALLY sure you want to block " + word + "???",
                      "Attention!", MessageBox::Yes | MessageBox::No, MessageBox::Critical,
                      MessageBox::No);
            EXPECT_EQ(editor.tab->Text1.get_text().raw(), yes ? "" : word);
        }
    }
    // Near misses are not warned about; a word equal but for letter case goes
    // after its equals, and the empty word is kept.
    for (const std::string word : {"WWW", " www", "www.", "Casino", "casino", ""})
        ASSERT_TRUE(editor.add(word));
    EXPECT_TRUE(MessageBox::takeShown().empty());
    EXPECT_EQ(editor.file(), "\r\n www\r\nbet\r\nCasino\r\ncasino\r\ncom\r\nhttp\r\nhttp://\r\n"
                             "net\r\nwww\r\nWWW\r\nwww.\r\nzoo\r\n");
    EXPECT_EQ(editor.rows(), "| www|bet|Casino|casino|com|http|http://|net|www|WWW|www.|zoo|");
    // Add leaves the focus in the emptied text box, ready for the next word.
    EXPECT_TRUE(editor.window.focusIn(editor.tab->Text1));

    // A letter the file cannot hold: blocked now, and the parent is told.
    ASSERT_TRUE(editor.add("\u4E2Da"));
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageBox::Warning);
    EXPECT_NE(shown[0].text.find("\"\u4E2Da\" has letters"), std::string::npos);
    EXPECT_TRUE(editor.tab->blocks("http://x/\u4E2Da"));
}

TEST(AddressesTab, DeleteAndDoubleClickMoveTheWordBack)
{
    Editor editor("alpha\r\nbet\r\ncasino\r\n");
    // Focus in the list enables Delete even with nothing selected; Delete
    // then changes nothing.
    editor.tab->List1.grab_focus();
    ASSERT_TRUE(runUntil([&] { return editor.tab->Command12.get_sensitive(); }));
    editor.tab->Text1.set_text("typed");
    ASSERT_TRUE(press(editor.tab->Command12));
    EXPECT_EQ(editor.tab->Text1.get_text(), "typed");
    EXPECT_EQ(editor.file(), "alpha\r\nbet\r\ncasino\r\n");

    Gtk::Widget* bet = rowShowing(editor.tab->List1, "bet");
    ASSERT_NE(bet, nullptr);
    clickOn(*bet);
    ASSERT_TRUE(runUntil([&] { return editor.tab->selectedRow() == 1u; }));
    ASSERT_TRUE(press(editor.tab->Command12));
    EXPECT_EQ(editor.tab->Text1.get_text(), "bet");
    EXPECT_EQ(editor.file(), "alpha\r\ncasino\r\n");
    EXPECT_EQ(editor.rows(), "alpha|casino|");
    // Nothing is selected after a removal, so a second Delete does nothing.
    ASSERT_TRUE(press(editor.tab->Command12));
    EXPECT_EQ(editor.rows(), "alpha|casino|");

    // Double-click: moved out, selected in the box, which takes the focus.
    Gtk::Widget* alpha = rowShowing(editor.tab->List1, "alpha");
    ASSERT_NE(alpha, nullptr);
    clickOn(*alpha, 2);
    ASSERT_TRUE(runUntil([&] { return editor.file() == "casino\r\n"; }));
    EXPECT_EQ(editor.tab->Text1.get_text(), "alpha");
    int start = 0, end = 0;
    EXPECT_TRUE(editor.tab->Text1.get_selection_bounds(start, end));
    EXPECT_EQ(end - start, 5);
    EXPECT_TRUE(editor.window.focusIn(editor.tab->Text1));
}

TEST(AddressesTab, FilesThatFailAreToldAndKeepTheList)
{
    ScratchDir dir;
    const std::filesystem::path path = dir / "nosurf.txt";
    std::filesystem::create_directory(path);
    TabWindow window;
    AddressesTab tab({path, CodePage()}, window.page);
    tab.load();
    auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("nosurf.txt"), std::string::npos);
    EXPECT_NE(shown[0].text.find("\n\nUntil it can be read, the list of blocked words is empty"),
              std::string::npos);
    EXPECT_EQ(shown[0].icon, MessageBox::Critical);

    // A word added meanwhile stays in the list; the next save writes it too.
    window.show(tab.List1);
    tab.Text1.set_text("casino");
    ASSERT_TRUE(press(tab.Command11));
    shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("nosurf.txt"), std::string::npos);
    EXPECT_TRUE(tab.blocks("http://casino.example/"));
    std::filesystem::remove(path);
    tab.Text1.set_text("poker");
    ASSERT_TRUE(press(tab.Command11));
    EXPECT_EQ(ScratchDir::read(path), "casino\r\npoker\r\n");

    // A build that runs out of memory leaves the list checking every word;
    // the parent hears of it once, as the panel opens.
    tab.list().setIndexBuilder(
        [](std::shared_ptr<const WordStore>, std::stop_token) -> std::shared_ptr<const WordIndex> {
            throw std::bad_alloc();
        });
    tab.Text1.set_text("dice");
    ASSERT_TRUE(press(tab.Command11));
    ASSERT_TRUE(runUntil([&] { return !tab.list().indexBuilding(); }));
    tab.panelOpening();
    tab.panelOpening();
    shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("There was not enough memory", 0), 0u);
    EXPECT_TRUE(tab.blocks("http://dice.example/") && !tab.blocks("http://bingo.example/"));
}

// A word added far down a long list is scrolled into view, in its sorted place.
TEST(AddressesTab, AddShowsTheNewWord)
{
    std::string words;
    for (int i = 100; i < 400; ++i)
        words += "w" + std::to_string(i) + "\r\n";
    Editor editor(words);
    ASSERT_TRUE(editor.add("w350x"));
    EXPECT_NE(editor.rows().find("|w350|w350x|w351|"), std::string::npos);
    Gtk::Widget* added = nullptr;
    ASSERT_TRUE(runUntil([&] { return (added = rowShowing(editor.tab->List1, "w350x")); }));
    double x = 0, y = 0;
    ASSERT_TRUE(added->translate_coordinates(editor.tab->List1Scroller, 0, 0, x, y));
    EXPECT_GE(y, 0);
    EXPECT_LE(y + added->get_height(), editor.tab->List1Scroller.get_height());
}
