#include "platform/code_page.h"
#include "platform/text_file.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// Sets an environment variable for one test and puts the old value back.
class EnvironmentVariable
{
public:
    EnvironmentVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvironmentVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(CodePage, PagesForLanguagesAndTheirLetters)
{
    struct Row
    {
        const char* locale;
        const char* name;
        std::string text, bytes, unfit;
    };
    const Row rows[] = {
        // Windows-1252 meanings, not Latin-1, for the printable high codes.
        {"en_US.UTF-8", "CP1252", "\u20AC\u00E9\u2122", "\x80\xE9\x99", "\u0436"},
        {"pl_PL", "CP1250", "\u0142", "\xB3", "\u00E6"},
        {"sr_RS.UTF-8@latin", "CP1250", "\u010D", "\xE8", "\u0436"},
        {"ru_RU.UTF-8", "CP1251", "\u0436\u0416", "\xE6\xC6", "\U0001F600"},
        {"sr_RS", "CP1251", "\u0452", "\x90", "\u010D"},
        {"el_GR", "CP1253", "\u03B1", "\xE1", "\u0436"},
        {"tr_TR", "CP1254", "\u011F", "\xF0", "\u0436"},
        {"iw_IL", "CP1255", "\u05D0", "\xE0", "\u0436"},
        {"fa_IR", "CP1256", "\u0627", "\xC7", "\u0436"},
        {"lt_LT", "CP1257", "\u0105", "\xE0", "\u0436"},
        // A letter the page only has as base letter and accent.
        {"vi_VN", "CP1258", "\u1EC7", "\xEA\xF2", "\u0436"},
        {"th_TH", "CP874", "\u0E01", "\xA1", "\u0436"},
        // No single-byte page fits: the Western one serves.
        {"ja_JP", "CP1252", "abc", "abc", "\u4E2D"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.locale);
        EXPECT_EQ(CodePage::nameFor(row.locale), row.name);
        const CodePage page(row.name);
        EXPECT_EQ(page.encode(row.text), row.bytes);
        EXPECT_EQ(page.decode(row.bytes), row.text); // a Vietnamese letter comes back as one
        EXPECT_EQ(CodePage::knownName(std::string(" windows-") + (row.name + 2)), row.name);
        EXPECT_TRUE(page.fits(row.text));
        // What the page cannot hold is named, once each, and never dropped.
        EXPECT_EQ(page.unfit("a" + row.unfit + "b" + row.unfit), row.unfit);
        EXPECT_EQ(page.encode("a" + row.unfit + "b"), "a?b");
    }
    // Script and territory decide before the language; old and three-letter
    // names are the languages they stand for.
    const std::pair<const char*, const char*> names[] = {
        {"C", "CP1252"},       {"", "CP1252"},           {"sr_ME", "CP1250"},
        {"sr-Cyrl-ME", "CP1251"}, {"uz_UZ@cyrillic", "CP1251"}, {"uz_UZ", "CP1254"},
        {"pa_PK", "CP1256"},   {"pa_IN", "CP1252"},      {"mn_CN", "CP1252"},
        {"ukr", "CP1251"},     {"ji", "CP1255"},         {"RU_ru", "CP1251"},
        {"bs_BA", "CP1250"},   {"ckb_IQ", "CP1256"},     {"xx_YY", "CP1252"},
    };
    for (const auto& [locale, name] : names)
        EXPECT_EQ(CodePage::nameFor(locale), name) << locale;
    EXPECT_EQ(CodePage::knownName("cp1250"), "CP1250");
    EXPECT_EQ(CodePage::knownName("1257\r"), "CP1257");
    EXPECT_EQ(CodePage::knownName("CP1249"), "");
    EXPECT_EQ(CodePage::knownName(""), "");
    EXPECT_EQ(CodePage("no such page").name(), "CP1252");
    // Soft hyphen, space, combining accent and a byte that is not UTF-8.
    EXPECT_EQ(CodePage::spelled("a\u00AD \u0301\xFF" "b"), "a U+00AD U+0020 U+0301 U+FFFD b");
}

TEST(CodePage, TheRunsLanguageComesFromTheEnvironmentInItsOrder)
{
    struct Row
    {
        const char *all, *messages, *lang, *language, *expected;
    };
    const Row rows[] = {
        {"ru_RU.UTF-8", "pl_PL", "en_US", nullptr, "ru_RU.UTF-8"},
        {nullptr, "pl_PL", "en_US", nullptr, "pl_PL"},
        {nullptr, nullptr, nullptr, "ru", "C"},
        {nullptr, nullptr, "C", "ru", "C"},
        // LANGUAGE wins where it names another language, not where it says less.
        {nullptr, nullptr, "en_US.UTF-8", "ru:en", "ru"},
        {nullptr, nullptr, "sr_RS@latin", "sr", "sr_RS@latin"},
        {nullptr, nullptr, "pt_BR", "pt_PT:pt", "pt_PT"},
    };
    for (const Row& row : rows) {
        EnvironmentVariable all("LC_ALL", row.all), messages("LC_MESSAGES", row.messages),
            lang("LANG", row.lang), language("LANGUAGE", row.language);
        EXPECT_EQ(CodePage::systemLocaleName(), row.expected) << row.lang;
    }
}

TEST(CodePage, EveryByteRoundTripsInEveryKnownPage)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    for (const std::string& name : CodePage::known()) {
        SCOPED_TRACE(name);
        const CodePage page(name);
        const std::string text = page.chars(all);
        EXPECT_EQ(page.encode(text), all);
        EXPECT_TRUE(page.fits(text));
        // As text, letter and accent may join; the letters still write back
        // as bytes that read the same.
        const std::string letters = page.decode(all + all);
        EXPECT_TRUE(page.fits(letters));
        EXPECT_EQ(page.decode(page.encode(letters)), letters);
    }
}

TEST(TextFile, LinesEndAtCrLfLoneCrOrLoneLf)
{
    const std::pair<std::string, Lines> rows[] = {
        {"", {}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"S\r\n\r\r\n", {"S", "", ""}},
        {"a\nb\n\nc", {"a", "b", "", "c"}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
    };
    for (const auto& [bytes, lines] : rows)
        EXPECT_EQ(TextFile::splitLines(bytes), lines) << bytes;
    EXPECT_EQ(TextFile::joinLines({"\u0436", "", "x"}, CodePage("CP1251")), "\xE6\r\n\r\nx\r\n");
}

TEST(TextFile, ReadsMissingFoldersAndHugeLines)
{
    ScratchDir dir;
    const TextFile::ReadResult missing = TextFile::readLines(dir / "none.txt", CodePage());
    EXPECT_FALSE(missing.exists);
    EXPECT_EQ(missing.error, "");
    EXPECT_TRUE(missing.lines.empty());

    std::filesystem::create_directory(dir / "folder.txt");
    const TextFile::ReadResult folder = TextFile::readLines(dir / "folder.txt", CodePage());
    EXPECT_TRUE(folder.exists);
    EXPECT_EQ(folder.error, "The file \"" + (dir / "folder.txt").string() + "\" could not be read: it is a folder.");

    // One line of 20 MB, read whole and read in pieces into memory of the reader's own.
    const std::string huge(20'000'000, '\xE9');
    ScratchDir::write(dir / "huge.txt", "a\r" + huge);
    const TextFile::ReadResult read = TextFile::readLines(dir / "huge.txt", CodePage());
    ASSERT_EQ(read.lines.size(), 2u);
    EXPECT_EQ(read.lines[1].size(), 2 * huge.size());
    EXPECT_EQ(TextFile::readBytes(dir / "huge.txt", 3).bytes, "a\r\xE9");
    std::size_t total = 0, pieces = 0;
    const TextFile::ReadStatus status = TextFile::readWith(dir / "huge.txt", [&](TextFile::FileReader& file) {
        char buffer[1 << 16];
        for (std::size_t n; (n = file.read(buffer, sizeof buffer)) > 0; ++pieces)
            total += n;
    });
    EXPECT_TRUE(status.exists && status.error.empty());
    EXPECT_EQ(total, huge.size() + 2);
    EXPECT_GT(pieces, 1u);
}

TEST(TextFile, FailedWritesLeaveTheFileAsItWasAndSayWhy)
{
    ScratchDir dir;
    const auto path = dir / "list.txt";
    ASSERT_TRUE(TextFile::writeLines(path, {"old"}, CodePage()).ok());
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(TextFile::writeBytes(path, "new\r\n").ok());
    EXPECT_EQ(ScratchDir::read(path), "new\r\n");
    struct stat info{};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u); // a rewrite keeps who may read the list

    // A file stands where a folder should be; a folder where the file should be.
    const auto blocked = dir / "list.txt" / "inner.txt";
    const auto said = [](const std::filesystem::path& p, const char* why) {
        return "The file \"" + p.string() + "\" could not be written: " + why + ".";
    };
    EXPECT_EQ(TextFile::writeBytes(blocked, "x").error, said(blocked, "Not a directory"));
    EXPECT_EQ(TextFile::appendBytes(blocked, "x").error, said(blocked, "Not a directory"));
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(TextFile::writeBytes(dir / "folder", "x").error,
              said(dir / "folder", "Filename refers to a directory"));
    EXPECT_EQ(TextFile::appendBytes(dir / "folder", "x").error, said(dir / "folder", "Is a directory"));

    // A full disk, played by a limit on file size: the write fails part way,
    // and neither the rewrite nor the append leaves part of itself behind.
    ASSERT_TRUE(TextFile::appendBytes(path, "more\r\n").ok());
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const TextFile::WriteResult rewrite = TextFile::writeBytes(path, std::string(100, 'r'));
    const TextFile::WriteResult append = TextFile::appendBytes(path, std::string(100, 'a'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(rewrite.error, said(path, "File too large"));
    EXPECT_EQ(append.error, said(path, "File too large"));
    EXPECT_EQ(ScratchDir::read(path), "new\r\nmore\r\n");
    EXPECT_EQ(folderEntries(dir.path()), (Lines{"folder", "list.txt"})); // no temporary file stays
}

TEST(TextFile, KilledWriterLeavesTheOldFileOrTheNew)
{
    ScratchDir dir;
    const auto path = dir / "nosurf.txt";
    const auto content = [](char letter) {
        Lines lines;
        for (int i = 0; i < 20000; ++i)
            lines.push_back(letter + std::string("word") + std::to_string(100000 + i));
        return TextFile::joinLines(lines, CodePage());
    };
    const std::string contents[2] = {content('a'), content('b')};
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 20; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned n = 0;; ++n) {
                if (!TextFile::writeBytes(path, contents[n % 2]).ok())
                    ::_exit(3);
                if (n == 1 && ::write(ready[1], "r", 1) != 1)
                    ::_exit(4);
            }
        }
        ::close(ready[1]);
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1);
        ::close(ready[0]);
        ::usleep(std::uniform_int_distribution<useconds_t>(1, 40000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        const std::string after = ScratchDir::read(path);
        ASSERT_TRUE(after == contents[0] || after == contents[1])
            << "kill " << round + 1 << " left " << after.size() << " bytes, neither old nor new";
    }
}
