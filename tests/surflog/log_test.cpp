#include "platform/clock.h"
#include "platform/text_file.h"
#include "scratch_dir.h"
#include "surflog/log_records.h"
#include "surflog/log_text.h"
#include "surflog/session_journal.h"
#include "surflog/session_log.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <regex>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kBars100(100, '|');

std::string start(const std::string& at)
{
    return "SURFING: " + at + "\r\n\r\r\n";
}

std::string end(const std::string& addresses, const std::string& at, int bars)
{
    return addresses + "\r\nFINISHED AT: " + at + "\r\n\r\n" + std::string(std::size_t(bars), '|') + "\r\n";
}

// A largest file size for this process: writes beyond it fail as on a full disk.
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

std::vector<std::string> sessionFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("session"))
            names.push_back(entry.path().filename().string());
    }
    return names;
}

} // namespace

TEST(SurfLog, RecordsAndTheirDatesAreTheBytesTheLogAlwaysHad)
{
    const CodePage western;
    const std::vector<std::string> history{"http://a.example/", "http://\u4f8b\u3048.jp/", "http://caf\u00e9.fr/"};
    const std::string listed = "http://a.example/\r\nhttp://xn--r8jz45g.jp/\r\nhttp://caf\xe9.fr/\r\n";
    EXPECT_EQ(SurfLog::startRecord("7/12/26 10:05", western), start("7/12/26 10:05"));
    EXPECT_EQ(SurfLog::endRecord(history, "t", SurfLog::QuitPath::QuitButton, western), end(listed, "t", 158));
    EXPECT_EQ(SurfLog::endRecord({}, "t", SurfLog::QuitPath::WindowClose, western), end("", "t", 54));
    EXPECT_EQ(SurfLog::abnormalEndRecord(history, "t", western),
              listed + "\r\nDID NOT END NORMALLY. LAST SEEN AT: t\r\n\r\n" + kBars100 + "\r\n");

    // Locale digits become 0-9, odd spaces plain ones, direction marks go;
    // letters with no 8-bit code give a form anyone can read.
    const Glib::DateTime moment = Glib::DateTime::create_local(2026, 12, 7, 10, 5, 7);
    const struct
    {
        std::string localeText;
        std::string logged;
    } rows[] = {
        {dateTimeText(moment, "de_DE"), "07.12.26 10:05"},
        {dateTimeText(moment, "en_US"), "12/7/26 10:05 AM"},
        {"\u06F2\u06F0\u06F2\u06F6/\u06F1\u06F2/\u06F7\u202F\u06F1\u06F0:\u06F0\u06F5", "2026/12/7 10:05"},
        {"7\u200F/12\u200F/2026 10:05", "7/12/2026 10:05"},
        {dateTimeText(moment, "ar_EG"), "2026-12-07 10:05:07"},
        {"7.12.26 \u0447.", "2026-12-07 10:05:07"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SurfLog::logDateTime(row.localeText, moment, western), row.logged) << row.localeText;
    EXPECT_EQ(SurfLog::logDateTime("7.12.26 \u0447.", moment, CodePage("CP1251")), "7.12.26 \u0447.");
}

TEST(SurfLogText, LinesEndAnyWayAndPiecesMaySplitThem)
{
    const CodePage page("CP1251");
    const std::string bytes = "a\r\nb\rc\nd\r\n\r\n\xC6";
    const std::string text = "a\nb\nc\nd\n\n\u0416\n";
    EXPECT_EQ(SurfLogText::decode(bytes, page), text);
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        SurfLogText::Decoder decoder(page);
        std::string pieces = decoder.decode(std::string_view(bytes).substr(0, cut));
        pieces += decoder.decode(std::string_view(bytes).substr(cut));
        pieces += decoder.finish();
        EXPECT_EQ(pieces, text) << "cut at " << cut;
    }
    EXPECT_EQ(SurfLogText::decode("", page), "");
    EXPECT_EQ(SurfLogText::decode("x\r", page), "x\n");

    EXPECT_EQ(SurfLogText::encode(text, page), "a\r\nb\r\nc\r\nd\r\n\r\n\xC6\r\n");
    EXPECT_EQ(SurfLogText::encode("a\u2028b\u2029c\r\nd\re\u4E2D", page), "a\r\nb\r\nc\r\nd\r\ne?");
}

TEST(SessionJournal, OwesWhatTheLogLacks)
{
    const std::string ended = "\r\nDID NOT END NORMALLY. LAST SEEN AT: T\r\n\r\n" + kBars100 + "\r\n";
    const struct
    {
        const char* name;
        std::string journal;
        bool inLog; // the log holds what a 'P' or 'R' line names
        std::string owed;
    } rows[] = {
        {"killed; a twice-seen address, zeros, a last line cut short",
         std::string("A a\r\nA b\r\nA a\r\n\0\0\0\r\nA c", 23), false, "a\r\nb\r\n" + ended},
        {"quit with records that could not be written", "S t0\r\nA a\r\nE 54 1 t 1\r\nA b\r\nQ\r\n", false,
         start("t0") + end("a\r\n", "t 1", 54)},
        {"an end record listing more than was allowed", "E 158 9 t\r\nQ\r\n", false, end("", "t", 158)},
        {"waiting records written since", "S t0\r\nA a\r\nP 9 30 f00\r\n", true, "a\r\n" + ended},
        {"waiting records not written", "S t0\r\nP 9 30 f00\r\nQ\r\n", false, start("t0")},
        {"already written by a start that was killed", "S t0\r\nA a\r\nR 9 80 f00\r\n", true, ""},
        {"odd entries", "E x y z\r\nP 1 2\r\nR -\r\nA\r\nQ\r\n", true, ""},
    };
    for (const auto& row : rows) {
        const auto logHolds = [&](std::int64_t, std::int64_t, std::string_view) { return row.inLog; };
        EXPECT_EQ(SessionJournal::owed(row.journal, "T", logHolds, CodePage()).bytes, row.owed) << row.name;
    }
}

// Whatever keeps the log from being written, the records wait, the parent
// hears it once, and they go in whole as soon as writing works again, in
// this session or at the next start.
TEST(SessionLog, FailedWritesAreKeptToldAndWrittenLater)
{
    const SystemClock clock;
    std::string old;
    for (int i = 0; i < 2000; ++i)
        old += "OLD " + std::to_string(i) + "\r\n";
    for (const std::string failure : {"folder", "cut", "devfull"}) {
        SCOPED_TRACE(failure);
        ScratchDir dir;
        const auto log = dir / "files" / "log.txt";
        ScratchDir::write(log, old);
        if (failure == "cut") {
            limitFileSize(old.size() + 7);
        } else {
            std::filesystem::remove(log);
            if (failure == "folder")
                std::filesystem::create_directory(log);
            else
                std::filesystem::create_symlink("/dev/full", log);
        }
        const auto mend = [&] {
            limitFileSize(RLIM_INFINITY);
            if (failure != "cut") {
                std::filesystem::remove(log);
                ScratchDir::write(log, old);
            }
        };
        const std::vector<std::string> two{"http://a.example/", "http://\u4f8b\u3048.jp/"};
        const std::string expected = old + start("t0") + end("http://a.example/\r\nhttp://xn--r8jz45g.jp/\r\n", "t1", 158);

        auto session = std::make_unique<SessionLog>(log, clock, CodePage());
        session->begin();
        session->writeStart("t0");
        for (const std::string& address : two)
            session->addressAllowed(address);
        session->writeEnd(two, "t1", SurfLog::QuitPath::QuitButton);
        if (failure == "cut") {
            EXPECT_EQ(ScratchDir::read(log), old); // nothing of a record that did not fit stays
        }
        SessionLog::Notice told = session->takeNotice();
        EXPECT_TRUE(told.error);
        EXPECT_NE(told.text.find("could not be written"), std::string::npos) << told.text;
        EXPECT_NE(told.text.find("They are kept"), std::string::npos) << told.text;
        EXPECT_EQ(session->takeNotice().text, ""); // told once

        if (failure == "folder") {
            mend();
            session->heartbeat(); // the next minute's retry
        } else {
            session->quitConfirmed(); // the records wait on disk
            session.reset();
            mend();
            session = std::make_unique<SessionLog>(log, clock, CodePage());
            session->begin();
        }
        EXPECT_EQ(ScratchDir::read(log), expected);
        told = session->takeNotice();
        EXPECT_FALSE(told.error);
        EXPECT_NE(told.text.find("since been added"), std::string::npos) << told.text;
        session->quitConfirmed();
        EXPECT_EQ(sessionFiles(log.parent_path()), std::vector<std::string>{});
    }

    // No journal can be kept where the log's folder is missing: said too.
    ScratchDir dir;
    SessionLog homeless(dir / "gone" / "log.txt", clock, CodePage());
    homeless.begin();
    const SessionLog::Notice told = homeless.takeNotice();
    EXPECT_TRUE(told.error);
    EXPECT_NE(told.text.find("addresses visited since may be missing"), std::string::npos) << told.text;
}

// A kill in the middle of an append leaves a piece of the records at the
// log's end; the next start takes the piece off before writing them whole.
TEST(SessionLog, APieceLeftByAKilledWriteIsTakenBack)
{
    const SystemClock clock;
    for (const bool cut : {true, false}) {
        ScratchDir dir;
        const auto log = dir / "files" / "log.txt";
        const std::string records = start("t0");
        ScratchDir::write(log, "OLD\r\n" + records.substr(0, cut ? 5 : records.size()));
        ScratchDir::write(dir / "files" / "session.jnl",
                          "S t0\r\n" + SessionJournal::writingLine('P', 5, records) + "A a\r\n");
        SessionLog(log, clock, CodePage()).begin();
        const std::string written = ScratchDir::read(log);
        EXPECT_TRUE(written.starts_with("OLD\r\n" + records + "a\r\n\r\nDID NOT END NORMALLY")) << written;
        EXPECT_EQ(written.find("SURFING", written.find("SURFING") + 1), std::string::npos) << written;
    }
}

TEST(SessionLog, KilledSessionsReachTheLogOnce)
{
    ScratchDir dir;
    const auto log = dir / "files" / "log.txt";
    ScratchDir::write(log, "");
    const SystemClock clock;
    const CodePage page;
    std::vector<std::string> allowed;
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 30; ++round) {
        int said[2];
        ASSERT_EQ(::pipe(said), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A browser that allows address after address until it is
            // killed, saying each one once it has been let through.
            ::close(said[0]);
            SessionLog session(log, clock, page);
            session.begin();
            session.writeStart("T" + std::to_string(round));
            for (int i = 0;; ++i) {
                const std::string address = "http://r" + std::to_string(round) + ".example/" + std::to_string(i);
                session.addressAllowed(address);
                const std::string line = address + "\n";
                if (::write(said[1], line.data(), line.size()) != ssize_t(line.size()))
                    ::_exit(3);
            }
        }
        ::close(said[1]);
        std::string heard;
        char buffer[4096];
        ssize_t n = ::read(said[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        heard.append(buffer, std::size_t(n));
        // Often while the last session's records go in, else while surfing.
        ::usleep(std::uniform_int_distribution<useconds_t>(0, round % 2 ? 2000 : 20000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the session stopped by itself";
        while ((n = ::read(said[0], buffer, sizeof buffer)) > 0)
            heard.append(buffer, std::size_t(n));
        ::close(said[0]);
        for (std::size_t at = 0, next; (next = heard.find('\n', at)) != std::string::npos; at = next + 1)
            allowed.push_back(heard.substr(at, next - at)); // a last line cut short does not count
    }
    SessionLog next(log, clock, page);
    next.begin();
    const std::string written = ScratchDir::read(log);
    // A second browser running meanwhile leaves the first one's journal alone.
    next.addressAllowed("http://r99.example/0");
    SessionLog(log, clock, page).begin();
    EXPECT_EQ(ScratchDir::read(log), written);

    // Whole records only, and every address let through exactly once.
    ASSERT_TRUE(written.ends_with("\r\n"));
    const std::regex line("SURFING: T\\d+|\r|http://r\\d+\\.example/\\d+||DID NOT END NORMALLY\\. "
                          "LAST SEEN AT: .+|\\|{100}");
    std::set<std::string> logged;
    std::size_t abnormal = 0, separators = 0;
    for (const std::string& text : TextFile::splitLines(written.substr(0, written.size() - 2))) {
        if (text.empty())
            continue; // a CR CR LF reads as a CR line and an empty one
        ASSERT_TRUE(std::regex_match(text, line)) << text;
        if (text.starts_with("http://")) {
            EXPECT_TRUE(logged.insert(text).second) << text << " twice";
        }
        abnormal += text.starts_with("DID NOT");
        separators += text == kBars100;
    }
    EXPECT_EQ(abnormal, separators);
    EXPECT_EQ(abnormal, 30u);
    EXPECT_GT(allowed.size(), 30u);
    for (const std::string& address : allowed)
        EXPECT_TRUE(logged.count(address)) << address << " is missing";
}
