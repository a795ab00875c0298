#include "password/stored_password.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

using namespace StoredPassword;

TEST(StoredPassword, EveryCodeScramblesStoresAndMatchesOnlyExactly)
{
    const struct
    {
        const char* page;
        std::string password;
    } rows[] = {
        {"CP1252", "Tiger\u20AC"},
        {"CP1251", "\u0422\u0438\u0433\u0440"},
        {"CP1258", "H\u1EC7"}, // a letter the page keeps as base letter and accent
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        const CodePage page(row.page);
        std::string all, scrambled;
        for (int code = 0; code < 256; ++code) {
            all += char(code);
            scrambled += char(code ^ 83);
        }
        const std::string text = page.chars(all);
        const std::string once = Scramble(text, Key, page);
        EXPECT_EQ(page.encode(once), scrambled);
        EXPECT_EQ(Scramble(once, Key, page), text);

        ScratchDir dir;
        SettingsStore settings(dir / "Corvane.conf");
        EXPECT_TRUE(isUnset(settings));
        EXPECT_EQ(expected(settings, page), "\"\"\""); // "qqq" unscrambled, while nothing is stored
        for (const std::string& typed : {text, row.password}) {
            EXPECT_EQ(refusal(typed, page), "");
            ASSERT_TRUE(store(settings, typed, page, nullptr));
            EXPECT_TRUE(matches(typed, expected(settings, page), page));
        }
        EXPECT_FALSE(isUnset(settings));
        EXPECT_FALSE(matches(row.password + ' ', expected(settings, page), page));
        EXPECT_FALSE(matches("qqq", expected(settings, page), page));

        // Typing a character the page lacks never matches the question
        // marks it would once have become.
        ASSERT_TRUE(store(settings, "k?", page, nullptr));
        EXPECT_FALSE(matches("k\u4E2D", expected(settings, page), page));
    }
    EXPECT_FALSE(matches("tiger\u20AC", "Tiger\u20AC", {})); // case counts
}

TEST(StoredPassword, UnfitPasswordsAreRefusedAndFailedSavesTold)
{
    EXPECT_EQ(refusal("a\u4E2Db\u0416", CodePage("CP1252")),
              "These characters cannot be used in a password: \u4E2D \u0416\n\n"
              "Please choose a password without them.");
    EXPECT_EQ(refusal("\u0416", CodePage("CP1251")), "");

    ScratchDir dir;
    ScratchDir::write(dir / "plain", "x");
    SettingsStore settings(dir / "plain" / "Corvane.conf");
    std::string error;
    EXPECT_FALSE(store(settings, "new", {}, &error));
    EXPECT_NE(error.find("could not"), std::string::npos) << error;
    EXPECT_TRUE(isUnset(settings));
}
