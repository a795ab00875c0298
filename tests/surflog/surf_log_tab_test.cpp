#include "platform/clock.h"
#include "platform/message_box.h"
#include "scratch_dir.h"
#include "surflog/session_log.h"
#include "surflog/surf_log_tab.h"
#include "window_driver.h"

#include <gtest/gtest.h>
#include <gtkmm/window.h>

#include <filesystem>
#include <fstream>

using namespace WindowDriver;

namespace {

// The tab on a page of its own window, loaded as the panel loads it.
class SurfLogTabTest : public testing::Test
{
protected:
    SurfLogTabTest()
    {
        MessageBox::enableTestMode();
        MessageBox::takeShown();
        panel.set_child(page);
    }

    // Loads the log (unless the test did) and shows the tab, as the parent opens it.
    void open(bool load = true)
    {
        if (load)
            tab.load();
        panel.present();
        ASSERT_TRUE(runUntil([&] { return panel.get_mapped(); }));
    }
    std::string text() const { return tab.Text2->get_buffer()->get_text(true); }
    std::string log() const { return ScratchDir::read(logFile); }

    ScratchDir dir;
    std::filesystem::path logFile = dir / "files" / "log.txt";
    SystemClock clock;
    SessionLog session{logFile, clock, CodePage()};
    Gtk::Window panel;
    Gtk::Fixed page;
    SurfLogTab tab{{logFile, CodePage(), &session}, page};
};

TEST_F(SurfLogTabTest, ClearUndoAndApply)
{
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += char(b);
    // Enough lines that the box is filled in several pieces.
    std::string pages;
    for (int i = 0; i < 60000; ++i)
        pages += "http://www.example.org/page/" + std::to_string(i) + "\r\n";
    const std::string nul(1, '\0');
    ScratchDir::write(logFile, "SURFING: x\n\r\r\n\x01\t" + high + nul + "\r\n" + pages);
    open();
    // Apply at once, even while the box still fills, writes the whole log; a
    // lone LF and a lone CR end lines too, and Apply adds one CR LF.
    tab.Command5_Click();
    const std::string applied =
        "SURFING: x\r\n\r\n\r\n\x01\t" + high + nul + "\r\n" + pages + "\r\n";
    EXPECT_EQ(log(), applied);
    // Every byte shows as its character: 0x80 as the euro sign, 0xA0 as a
    // no-break space, NUL as its symbol.
    EXPECT_EQ(text().rfind("SURFING: x\n\n\n\x01\t" + CodePage().decode(high) + "\u2400\n", 0), 0u);
    EXPECT_NE(text().find("\u20AC"), std::string::npos);

    // Clear, Apply, Undo, Apply: the cleared text comes back in the box only.
    ASSERT_TRUE(click(*tab.Command2));
    EXPECT_EQ(tab.Command2->get_label(), "_Undo");
    EXPECT_EQ(text(), "");
    ASSERT_TRUE(click(*tab.Command5));
    EXPECT_EQ(log(), "\r\n");
    tab.Text2->get_buffer()->insert_at_cursor("typed");
    ASSERT_TRUE(click(*tab.Command2));
    EXPECT_EQ(tab.Command2->get_label(), "_Clear");
    ASSERT_TRUE(runUntil([&] { return tab.isFilled(); }));
    EXPECT_TRUE(tab.Command5->is_sensitive() && tab.Text2->get_editable());
    ASSERT_TRUE(click(*tab.Command5));
    EXPECT_EQ(log(), applied);
    EXPECT_TRUE(MessageBox::takeShown().empty());
}

// The box holds the log as it was at the panel's load; Apply keeps what the
// browser wrote after that behind the parent's text.
TEST_F(SurfLogTabTest, ApplyKeepsRecordsWrittenSinceTheLoad)
{
    ScratchDir::write(logFile, "OLD\r\n");
    tab.load();
    std::ofstream(logFile, std::ios::app | std::ios::binary) << "SURFING: now\r\r\n";
    open(false);
    ASSERT_TRUE(runUntil([&] { return tab.isFilled(); }));
    EXPECT_EQ(tab.logBytes(), "OLD\r\n");
    tab.Text2->get_buffer()->set_text("edited");
    tab.Command5_Click();
    EXPECT_EQ(log(), "edited\r\nSURFING: now\r\r\n");
    std::ofstream(logFile, std::ios::app | std::ios::binary) << "FINISHED\r\n";
    tab.Command5_Click();
    EXPECT_EQ(log(), "edited\r\nSURFING: now\r\r\nFINISHED\r\n");
    EXPECT_TRUE(MessageBox::takeShown().empty());
}

TEST_F(SurfLogTabTest, MissingOrUnreadableLog)
{
    // No log yet: an empty box, nothing to tell, and Apply makes the file.
    std::filesystem::create_directories(logFile.parent_path());
    open();
    ASSERT_TRUE(runUntil([&] { return tab.isFilled(); }));
    tab.Command5_Click();
    EXPECT_EQ(log(), "\r\n");
    EXPECT_TRUE(MessageBox::takeShown().empty());

    // A folder where the log should be: told once the tab shows, and what the
    // parent types stays in the box when Apply cannot write it.
    std::filesystem::remove(logFile);
    std::filesystem::create_directories(logFile);
    tab.load();
    tab.fillNow();
    std::vector<MessageBox::Shown> told;
    ASSERT_TRUE(runUntil([&] { return !(told = MessageBox::takeShown()).empty(); }));
    EXPECT_NE(told[0].text.find("could not be read: it is a folder"), std::string::npos)
        << told[0].text;
    tab.Text2->get_buffer()->set_text("note");
    tab.Command5_Click();
    told = MessageBox::takeShown();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].icon, MessageBox::Critical);
    EXPECT_EQ(tab.logBytes(), "note");

    // A record this session could not write is told as the panel opens, once.
    session.writeStart("now");
    tab.panelOpening();
    ASSERT_TRUE(runUntil([&] { return !(told = MessageBox::takeShown()).empty(); }));
    EXPECT_EQ(told[0].icon, MessageBox::Critical);
    EXPECT_NE(told[0].text.find("They are kept"), std::string::npos) << told[0].text;
    tab.panelOpening();
    runUntil([] { return !Glib::MainContext::get_default()->pending(); });
    EXPECT_TRUE(MessageBox::takeShown().empty());
}

} // namespace
