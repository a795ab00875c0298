#include "password/stored_password.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "scratch_dir.h"
#include "shell/app_paths.h"
#include "shell/code_page_record.h"
#include "shell/installation.h"
#include "surflog/session_journal.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> matching(const std::filesystem::path& folder, const std::string& part)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().find(part) != std::string::npos)
            names.push_back(entry.path().filename().string());
    }
    return names;
}

} // namespace

TEST(Installation, MissingPiecesAreMadeExistingOnesKeptAndFailuresNamed)
{
    ScratchDir dir;
    const AppPaths paths(dir.path().string() + "//");
    EXPECT_EQ(paths.file(AppPaths::Log), dir / "files" / "log.txt");
    ScratchDir::write(paths.file(AppPaths::Log), "SURFING: old\r\n");
    EXPECT_EQ(Installation::repair(paths), std::vector<std::string>{});
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::Log)), "SURFING: old\r\n");
    EXPECT_TRUE(std::filesystem::is_empty(paths.file(AppPaths::schedule(7))));
    EXPECT_TRUE(std::filesystem::is_empty(paths.file(AppPaths::Pref)));
    EXPECT_NE(ScratchDir::read(paths.file(AppPaths::IntroPage)).find("Tobrin"), std::string::npos);
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::FavoritesPage)).substr(0, 6), "<html>");
    EXPECT_EQ(ScratchDir::read(paths.file("/html/tobrin_ico.gif")).substr(0, 4), "GIF8");

    // What cannot be made (a plain file where the buffer folder should be)
    // is named, and the rest is still made.
    const AppPaths broken((dir / "broken").string());
    ScratchDir::write(broken.file("/buffer"), "x");
    const std::vector<std::string> problems = Installation::repair(broken);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("buffer"), std::string::npos) << problems[0];
    EXPECT_TRUE(std::filesystem::exists(broken.file(AppPaths::NoSurf)));
    // At the root folder no path gets "//", which a page address would read as a host.
    EXPECT_EQ(AppPaths("/").pageAddress(AppPaths::IntroPage), "file:///html/intro.htm");
    EXPECT_EQ(AppPaths("/opt/my kids").pageAddress(AppPaths::IntroPage), "file:///opt/my%20kids/html/intro.htm");
}

// Set up under one language's page, started under another's: the files and
// the password keep the page of the first start.
TEST(CodePageRecord, TheFirstStartsPageHoldsWhateverTheLanguage)
{
    const struct
    {
        const char* first;
        const char* later;
        std::string password, name;
    } rows[] = {
        {"ru_RU.UTF-8", "en_US.UTF-8", "\u043F\u0430\u0440\u043E\u043B\u044C", "\u0416\u0443\u043A"},
        {"en_US.UTF-8", "ru_RU.UTF-8", "caf\u00E9", "Cr\u00E8me"},
        {"vi_VN", "el_GR", "H\u1EC7", "Ti\u1EBFng"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        ScratchDir dir;
        const AppPaths paths(dir.path().string());
        SettingsStore settings(dir / "Corvane.conf");
        ASSERT_EQ(Installation::repair(paths), std::vector<std::string>{});
        const CodePage page = *CodePageRecord::establish(paths, row.first).page;
        EXPECT_EQ(page.name(), CodePage::nameFor(row.first));
        EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::CodePageName)), page.name() + "\r\n");
        ASSERT_TRUE(StoredPassword::store(settings, row.password, page, nullptr));
        const std::vector<std::string> favorites{row.name, "http://a.test/" + row.name};
        ASSERT_TRUE(TextFile::writeLines(paths.file(AppPaths::Pref), favorites, page).ok());

        const CodePageRecord::Found found = CodePageRecord::establish(paths, row.later);
        ASSERT_TRUE(found.page);
        EXPECT_EQ(found.page->name(), page.name());
        EXPECT_EQ(found.problem + found.notice, "");
        const std::string expected = StoredPassword::expected(settings, *found.page);
        EXPECT_TRUE(StoredPassword::matches(row.password, expected, *found.page));
        EXPECT_FALSE(StoredPassword::matches(std::string(row.password.size(), 'l'), expected, *found.page));
        EXPECT_EQ(TextFile::readLines(paths.file(AppPaths::Pref), *found.page).lines, favorites);
    }
}

TEST(CodePageRecord, ChangingThePageConvertsEverythingOrNothing)
{
    ScratchDir dir;
    const AppPaths paths(dir.path().string());
    SettingsStore settings(dir / "Corvane.conf");
    ASSERT_EQ(Installation::repair(paths), std::vector<std::string>{});
    const std::filesystem::path folder = dir / "files";
    const CodePage cyrillic = *CodePageRecord::establish(paths, "ru_RU.UTF-8").page;
    ASSERT_TRUE(StoredPassword::store(settings, "\u20ACuro", cyrillic, nullptr));
    const auto setWords = [&](const std::vector<std::string>& words) {
        ASSERT_TRUE(TextFile::writeLines(paths.file(AppPaths::NoSurf), words, cyrillic).ok());
    };
    const auto state = [&] {
        std::vector<std::string> all{settings.read("Password", {})};
        for (const std::string_view file : {AppPaths::NoSurf, AppPaths::Log, AppPaths::CodePageName})
            all.push_back(ScratchDir::read(paths.file(file)));
        return all;
    };
    const auto change = [&](const std::string& name) { return CodePageRecord::change(paths, settings, name); };

    // A letter the new page lacks, or a browser still running: refused, and
    // nothing changes.
    setWords({"\u0441\u0435\u043A\u0441", "\u20AC"});
    const std::vector<std::string> before = state();
    CodePageRecord::Outcome outcome = change("cp1252");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.text.find("nosurf.txt: \u0441 \u0435 \u043A\n"), std::string::npos) << outcome.text;
    EXPECT_TRUE(outcome.text.ends_with("\n\nNothing was changed.")) << outcome.text;
    EXPECT_EQ(state(), before);
    setWords({"\u20AC", "abc"});
    std::string error;
    {
        const auto running = SessionJournal::create(folder, &error);
        ASSERT_TRUE(running);
        EXPECT_FALSE(change("CP1252").ok);
        ASSERT_TRUE(running->append(SessionJournal::addressLine("http://\u20AC.test/"), &error));
    }
    outcome = change("KOI8-R");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.text.find("is not a code page Tobrin can use"), std::string::npos) << outcome.text;
    const CodePageRecord::Command again = CodePageRecord::commandLine(paths, settings, "1251");
    EXPECT_EQ(again.line, "tobrin: The files are in CP1251 already.\n");
    EXPECT_EQ(again.status + again.toStandardError, 0);
    EXPECT_EQ(CodePageRecord::commandLine(paths, settings, "").status, 2);

    // Converted: the files, the password, and the log an ended session still
    // owed, which goes in first.
    outcome = change("Windows-1252");
    EXPECT_TRUE(outcome.ok) << outcome.text;
    EXPECT_EQ(outcome.text, "The lists, the surf log and the password are now kept in CP1252.");
    const CodePage western("CP1252");
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::NoSurf)), "\x80\r\nabc\r\n");
    EXPECT_NE(ScratchDir::read(paths.file(AppPaths::Log)).find("http://\x80.test/"), std::string::npos);
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::CodePageName)), "CP1252\r\n");
    EXPECT_TRUE(StoredPassword::matches("\u20ACuro", StoredPassword::expected(settings, western), western));
    EXPECT_EQ(matching(folder, "session"), std::vector<std::string>{});
    EXPECT_EQ(matching(folder, "CP1"), std::vector<std::string>{});

    // Cut short by a crash: the next start puts the old files back.
    ScratchDir::write(paths.file(std::string(AppPaths::NoSurf) + ".was-CP1252"), "old\r\n");
    ScratchDir::write(paths.file(std::string(AppPaths::Log) + ".to-CP1250"), "new");
    const CodePageRecord::Found found = CodePageRecord::establish(paths, "ru_RU");
    ASSERT_TRUE(found.page);
    EXPECT_EQ(found.page->name(), "CP1252");
    EXPECT_NE(found.notice, "");
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::NoSurf)), "old\r\n");
    EXPECT_EQ(matching(folder, "CP1"), std::vector<std::string>{});

    // A record that names no known page: nothing is read until the parent
    // names the page the files are in, and then nothing is converted.
    ScratchDir::write(paths.file(AppPaths::CodePageName), "KOI8-R\r\n");
    const CodePageRecord::Found unknown = CodePageRecord::establish(paths, "en_US");
    EXPECT_FALSE(unknown.page);
    EXPECT_NE(unknown.problem.find("names \"KOI8-R\""), std::string::npos) << unknown.problem;
    EXPECT_NE(unknown.problem.find("--code-page"), std::string::npos) << unknown.problem;
    EXPECT_TRUE(change("1251").ok);
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::NoSurf)), "old\r\n");
    EXPECT_EQ(ScratchDir::read(paths.file(AppPaths::CodePageName)), "CP1251\r\n");

    // A record that cannot be read names no page: nothing is read then either.
    std::filesystem::remove(paths.file(AppPaths::CodePageName));
    std::filesystem::create_directory(paths.file(AppPaths::CodePageName));
    EXPECT_FALSE(CodePageRecord::establish(paths, "en_US").page);
}
