#include "platform/address_text.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Every character from U+0080 to U+00FF, which the file holds as UTF-8.
std::string upperLatin1()
{
    std::string text;
    for (int c = 0x80; c <= 0xFF; ++c) {
        text += char(0xC0 | (c >> 6));
        text += char(0x80 | (c & 0x3F));
    }
    return text;
}

} // namespace

// The bytes below are files the earlier releases wrote: what they hold reads
// the same here, and what this release writes is what they would have.
TEST(SettingsStore, ReadsAndWritesTheFileAsEarlierReleasesDo)
{
    std::string everyCode;
    for (int c = 1; c < 0x80; ++c)
        everyCode += char(c);
    everyCode += upperLatin1() + "@Variant(x) [*] ; # = \\ \" end\t";
    const std::string head = "[General]\ntop=t\n\n[Other]\nx=1\n\n[Tobrin%202.0]\ncolor=&H00FFFFFF&\n"
                             "lead=\"  spaced, list  \"\n";
    const std::string written =
        head +
        "password=\"\\x1\\x2\\x3\\x4\\x5\\x6\\a\\b\\t\\n\\v\\f\\r\\xe\\xf\\x10\\x11\\x12\\x13\\x14\\x15"
        "\\x16\\x17\\x18\\x19\\x1a\\x1b\\x1c\\x1d\\x1e\\x1f !\\\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMN"
        "OPQRSTUVWXYZ[\\\\]^_`abcdefghijklmnopqrstuvwxyz{|}~\x7f" +
        upperLatin1() + "@Variant(x) [*] ; # = \\\\ \\\" end\\t\"\n";
    ScratchDir dir;
    const auto path = dir / "Corvane" / "Corvane.conf";
    ScratchDir::write(path, written);
    SettingsStore store(path);
    EXPECT_EQ(store.read("PassWord", "dflt"), everyCode);
    EXPECT_EQ(store.read("Color", "dflt"), "&H00FFFFFF&");
    EXPECT_EQ(store.read("lead", "dflt"), "  spaced, list  ");
    EXPECT_EQ(store.read("x", "dflt"), "dflt"); // another section's key

    EXPECT_TRUE(store.write("Password", "@new"));
    EXPECT_TRUE(store.write("zoom", "1;2"));
    EXPECT_TRUE(store.write("\u041A\u043B\u044E\u0447", "\u0436\U0001F600"));
    EXPECT_EQ(ScratchDir::read(path), head + "password=@@new\nzoom=\"1;2\"\n"
                                             "%U043A%U043B%U044E%U0447=\xD0\xB6\xF0\x9F\x98\x80\n");
    EXPECT_EQ(store.read("PASSWORD", "dflt"), "@new");
    EXPECT_EQ(store.read("zoom", "dflt"), "1;2");
    EXPECT_EQ(store.read("\u043A\u043B\u044E\u0447", "dflt"), "\u0436\U0001F600");
    // Escapes, quotes and blanks that only a hand edit writes.
    EXPECT_TRUE(store.write("tab", "\t"));
    EXPECT_TRUE(store.write("nul", std::string("\x01" "a\0b", 4)));
    EXPECT_EQ(store.read("tab", "dflt"), "\t");
    EXPECT_EQ(store.read("nul", "dflt"), std::string("\x01" "a\0b", 4));
    EXPECT_NE(ScratchDir::read(path).find("nul=@String(\\x1\\x61\\0\\x62)\n"), std::string::npos);
}

TEST(SettingsStore, HandEditedFilesMissingFilesAndFailures)
{
    ScratchDir dir;
    const auto path = dir / "Corvane.conf";
    SettingsStore store(path);
    EXPECT_EQ(store.read("password", "dflt"), "dflt");
    EXPECT_FALSE(std::filesystem::exists(path)); // reading stored nothing

    ScratchDir::write(path, "\xEF\xBB\xBF; note\r\n[ Tobrin%202.0 ]\r\n Password = Up \r\nlist=a,b\r\n"
                            "cont=abc\\\r\ndef\r\nesc=\\x41\\101\\q\r\nsemi=a;b\r\nquoted=\"x\"y\"z\"\r\n"
                            "at=@@x\r\ninvalid=@Invalid()\r\nsame=1\r\nsame=2\r\npair=\\xd83d\\xde00\r\n");
    const std::pair<const char*, const char*> rows[] = {
        {"password", "Up"}, {"list", ""},    {"cont", "abcdef"},  {"esc", "AA"},     {"semi", "a"},
        {"quoted", "xyz"},  {"at", "@x"},    {"invalid", "dflt"}, {"same", "2"},
        {"pair", "\U0001F600"}, // past U+FFFF, a UTF-16 pair of escapes
    };
    for (const auto& [key, value] : rows)
        EXPECT_EQ(store.read(key, "dflt"), value) << key;

    // A line this reader cannot place would be lost by a rewrite: nothing is written.
    const std::string damaged = "[Tobrin%202.0]\nkids\npassword=x\n";
    ScratchDir::write(path, damaged);
    std::string error;
    EXPECT_FALSE(store.write("password", "y", &error));
    EXPECT_EQ(error, "The setting \"password\" could not be saved in \"" + path.string() + "\": the file is damaged.");
    EXPECT_EQ(ScratchDir::read(path), damaged);
    EXPECT_EQ(store.read("password", "dflt"), "x");

    SettingsStore blocked(path / "Corvane.conf");
    EXPECT_FALSE(blocked.write("Pref", "y", &error));
    EXPECT_EQ(error, "The setting \"Pref\" could not be saved in \"" + (path / "Corvane.conf").string() +
                         "\": the file or its folder cannot be written.");

    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(SettingsStore::userFilePath(), dir / "Corvane" / "Corvane.conf");
    old ? ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}

// Two programs storing settings at once each keep every value they stored.
TEST(SettingsStore, WritersInTwoProcessesLoseNothing)
{
    ScratchDir dir;
    SettingsStore store(dir / "Corvane.conf");
    const auto writeAll = [&](const std::string& who) {
        for (int i = 0; i < 100; ++i)
            EXPECT_TRUE(store.write(who + std::to_string(i), "v"));
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writeAll("child");
        ::_exit(0);
    }
    writeAll("parent");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(store.read("child" + std::to_string(i), "") + store.read("parent" + std::to_string(i), ""), "vv") << i;
}

TEST(SettingValue, NumbersColoursAndBooleans)
{
    struct Row
    {
        const char* text;
        std::int64_t color;
        bool boolean;
    };
    const Row rows[] = {
        {"&H00FFFFFF", 16777215, false},   {"&h0000ff&", 255, false},
        {"255abc", 255, false},            {"&H1G2", 1, false},
        {"&H", 0, false},                  {"&HFFFFFFFF&", -1, false},
        {"99999999999999999999999", 999999999999999999, false},
        {" -12", -12, false},              {"True", 0, true},
        {"tRUE", 0, true},                 {"True ", 0, false},
        {"1", 1, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SettingValue::colorNumber(row.text), row.color) << row.text;
        EXPECT_EQ(SettingValue::boolean(row.text), row.boolean) << row.text;
    }
}

TEST(Clock, ShortDateThenShortTimeOfTheLocale)
{
    const auto afternoon = Glib::DateTime::create_local(2026, 3, 9, 14, 5, 7);
    const auto midnight = Glib::DateTime::create_local(2026, 12, 7, 0, 5, 0);
    const std::pair<const char*, const char*> rows[] = {
        {"C.UTF-8", "9 Mar 2026 14:05:07"},
        {"en_US.UTF-8", "3/9/26 2:05 PM"},
        {"de_DE.UTF-8", "09.03.26 14:05"},
        {"fr_CA", "2026-03-09 14 h 05"},
        {"bg_BG", "9.03.26 \u0433. 14:05 \u0447."},
        {"el_GR", "9/3/26 2:05 \u039C.\u039C."},
        {"hu_HU", "2026. 03. 09. 14:05"},
        {"sr_RS@latin", "9.3.26. 14:05"},
        {"sw_KE", "09/03/2026 14:05"},
    };
    for (const auto& [locale, text] : rows)
        EXPECT_EQ(dateTimeText(afternoon, locale), text) << locale;
    EXPECT_EQ(dateTimeText(midnight, "en_US"), "12/7/26 12:05 AM");
    EXPECT_EQ(dateTimeText(Glib::DateTime(), "en_US"), "");
}

TEST(AddressText, KeptWhereThePageHoldsItEncodedElsewhere)
{
    const std::string mir = "http://\u043C\u0438\u0440.\u0440\u0444/";
    struct Row
    {
        std::string address, stored;
        const char* page;
    };
    const Row rows[] = {
        {"http://caf\u00E9.fr/\u20AC", "http://caf\u00E9.fr/\u20AC", "CP1252"},
        {mir, mir, "CP1251"},
        {mir, "http://xn--h1ahn.xn--p1ai/", "CP1252"},
        {"http://\u4F8B\u3048.jp/\u30D1\u30B9?q=\u65E5\u672C#\u00E9",
         "http://xn--r8jz45g.jp/%E3%83%91%E3%82%B9?q=%E6%97%A5%E6%9C%AC#%C3%A9", "CP1252"},
        {"http://x.org/\U0001F600", "http://x.org/%F0%9F%98%80", "CP1252"},
        {"\u65E5\u672C \u00E9", "%E6%97%A5%E6%9C%AC \u00E9", "CP1252"},
    };
    for (const Row& row : rows) {
        const CodePage page(row.page);
        EXPECT_EQ(storableAddress(row.address, page), row.stored) << row.address;
        EXPECT_TRUE(page.fits(row.stored));
    }
}
