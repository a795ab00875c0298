#include "shell/code_page_record.h"

#include "password/stored_password.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "surflog/session_journal.h"
#include "surflog/session_log.h"

#include <glib.h>

#include <cstdio>
#include <vector>

namespace {

// During a change, "nosurf.txt.to-CP1252" is the new file and
// "nosurf.txt.was-CP1251" the old one, until the record names the new page.
constexpr std::string_view kNew = ".to-";
constexpr std::string_view kOld = ".was-";
constexpr std::string_view kNothingChanged = "\n\nNothing was changed.";

// The installation's 8-bit text. The favorites page and the schedules are
// ASCII in every page, and the session journals UTF-8.
constexpr std::string_view kConvertedFiles[] = {AppPaths::NoSurf, AppPaths::Pref, AppPaths::Log};

std::filesystem::path filesFolder(const AppPaths& paths)
{
    return paths.file(AppPaths::CodePageName).parent_path();
}

struct Recorded
{
    bool exists = false;
    std::string error; // it exists but cannot be read
    std::string text;  // its first line, without blanks around it
    std::string name;  // the page it names; empty when none the program knows
};

Recorded readRecord(const AppPaths& paths)
{
    const TextFile::BytesResult file = TextFile::readBytes(paths.file(AppPaths::CodePageName), 64);
    Recorded record{file.exists, file.error, {}, {}};
    const std::vector<std::string> lines = TextFile::splitLines(file.bytes);
    if (!lines.empty()) {
        // Read as Latin-1, so that any byte a hand editor left shows in the message.
        gchar* text = g_convert(lines[0].data(), gssize(lines[0].size()), "UTF-8", "ISO-8859-1",
                                nullptr, nullptr, nullptr);
        record.text = g_strstrip(text);
        g_free(text);
    }
    record.name = CodePage::knownName(record.text);
    return record;
}

TextFile::WriteResult writeRecord(const AppPaths& paths, const std::string& name)
{
    return TextFile::writeBytes(paths.file(AppPaths::CodePageName), name + "\r\n");
}

bool replace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string knownList()
{
    std::string names;
    for (const std::string& name : CodePage::known())
        names += (names.empty() ? "" : ", ") + name;
    return names;
}

// The first characters of a text, never cutting one in two.
std::string firstChars(const std::string& text, long count)
{
    const char* end = g_utf8_offset_to_pointer(text.c_str(), std::min(count, g_utf8_strlen(text.c_str(), -1)));
    return std::string(text.c_str(), end);
}

// Clears what a change cut short left: new files go; old ones of the page
// still recorded come back, since the change never finished. True when any
// came back.
bool undoCutShortChange(const AppPaths& paths, const std::string& recorded)
{
    const std::filesystem::path folder = filesFolder(paths);
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(ignored) &&
            (name.find(kNew) != std::string::npos || name.find(kOld) != std::string::npos))
            names.push_back(name);
    }
    bool restored = false;
    for (const std::string& name : names) {
        const std::size_t at = name.rfind(kOld);
        if (at != std::string::npos && at > 0 && name.substr(at + kOld.size()) == recorded)
            restored = replace(folder / name, folder / name.substr(0, at)) || restored;
        else
            std::filesystem::remove(folder / name, error);
    }
    return restored;
}

CodePageRecord::Outcome refused(const std::string& why)
{
    return {false, why + std::string(kNothingChanged)};
}

} // namespace

namespace CodePageRecord {

Found establish(const AppPaths& paths, std::string_view localeName)
{
    const Recorded record = readRecord(paths);
    if (record.exists && record.name.empty()) {
        const std::string why =
            !record.error.empty()
                ? record.error
                : "The file \"" + paths.file(AppPaths::CodePageName).string() + "\" names \"" +
                      firstChars(record.text, 40) + "\", which is not a code page Tobrin knows.";
        return {std::nullopt,
                why + "\n\nTobrin cannot tell which code page its lists are kept in, so it does not "
                      "start: read in another page, they would show the wrong letters. To say which "
                      "page they are in, start it once as \"tobrin --code-page NAME\", with NAME one of " +
                    knownList() + ".",
                {}};
    }
    if (record.exists) {
        std::string notice;
        if (undoCutShortChange(paths, record.name))
            notice = "A change of the code page was cut short. The lists are as they were, in " +
                     record.name + ".";
        return {CodePage(record.name), {}, notice};
    }
    // The first start, or the first since pages were recorded: this run's
    // language decides, once.
    const std::string name = CodePage::nameFor(localeName);
    const TextFile::WriteResult written = writeRecord(paths, name);
    return {CodePage(name), written.error, {}};
}

Outcome change(const AppPaths& paths, SettingsStore& settings, std::string_view wanted)
{
    const std::string name = CodePage::knownName(wanted);
    if (name.empty())
        return {false, "\"" + std::string(wanted) + "\" is not a code page Tobrin can use. Choose one of " +
                           knownList() + "."};
    Recorded record = readRecord(paths);
    if (!record.exists) {
        // Like any first run, this one's language says which page the files
        // are in.
        establish(paths, CodePage::systemLocaleName());
        record = readRecord(paths);
    }
    if (record.name == name)
        return {true, "The files are in " + name + " already."};
    if (record.name.empty()) {
        // Nothing says which page the files are in: the parent says it now,
        // and nothing is converted.
        const TextFile::WriteResult written = writeRecord(paths, name);
        if (!written.ok())
            return refused(written.error);
        return {true, "No known code page was recorded for the files, so they were not converted. "
                      "From now on they are read in " +
                          name + "."};
    }
    if (SessionJournal::anyHeld(filesFolder(paths)))
        return refused("Tobrin is running from this installation. Close it, then change the code page.");
    undoCutShortChange(paths, record.name);
    const CodePage from(record.name);
    const CodePage to(name);

    // What sessions ended by a crash still owe the log goes in first, in the
    // page the log is in: their journals point at the log's old bytes.
    {
        SystemClock clock;
        SessionLog log(paths.file(AppPaths::Log), clock, from);
        log.begin();
        const SessionLog::Notice notice = log.takeNotice();
        log.quitConfirmed();
        if (notice.error)
            return refused(notice.text);
    }

    struct Converted
    {
        std::filesystem::path path;
        std::string old;
        std::string bytes;
    };
    std::vector<Converted> files;
    std::string unfit;
    for (const std::string_view relative : kConvertedFiles) {
        const std::filesystem::path path = paths.file(relative);
        TextFile::BytesResult file = TextFile::readBytes(path);
        if (!file.error.empty())
            return refused(file.error);
        const std::string text = from.decode(file.bytes);
        if (const std::string chars = to.unfit(text); !chars.empty())
            unfit += "\n" + path.string() + ": " + CodePage::spelled(chars);
        std::string bytes = to.encode(text);
        if (bytes != file.bytes)
            files.push_back({path, std::move(file.bytes), std::move(bytes)});
    }
    const std::string oldPassword = settings.read("Password", {});
    std::string newPassword = oldPassword;
    if (!StoredPassword::isUnset(settings)) {
        const std::string password = StoredPassword::expected(settings, from);
        // Not spelled out: the message may be read by someone else.
        if (!to.fits(password))
            unfit += "\nthe password: a character of it (choose another password in the panel first)";
        newPassword = Scramble(password, StoredPassword::Key, to);
    }
    if (!unfit.empty())
        return refused("The files cannot be changed to " + name + ", which has no place for these characters:" +
                       unfit + "\n\nTake them out in the panel, or choose another code page.");

    // Every new file is whole on disk before any old one is replaced, and the
    // old ones stay until the record names the new page: a start after a
    // crash in between puts them back.
    const auto newPath = [&](const Converted& f) { return f.path.string() + std::string(kNew) + name; };
    const auto oldPath = [&](const Converted& f) { return f.path.string() + std::string(kOld) + record.name; };
    const auto clearUp = [&] {
        for (const Converted& f : files) {
            std::error_code ignored;
            std::filesystem::remove(newPath(f), ignored);
            std::filesystem::remove(oldPath(f), ignored);
        }
    };
    for (const Converted& f : files) {
        for (const auto& [path, bytes] : {std::pair{newPath(f), f.bytes}, std::pair{oldPath(f), f.old}}) {
            const TextFile::WriteResult written = TextFile::writeBytes(path, bytes);
            if (!written.ok()) {
                clearUp();
                return refused(written.error);
            }
        }
    }
    std::string error;
    std::size_t replaced = 0;
    while (replaced < files.size() && replace(newPath(files[replaced]), files[replaced].path))
        ++replaced;
    bool done = replaced == files.size();
    if (!done)
        error = "The file \"" + files[replaced].path.string() + "\" could not be replaced.";
    if (done && newPassword != oldPassword)
        done = settings.write("Password", newPassword, &error);
    if (done) {
        error = writeRecord(paths, name).error;
        done = error.empty();
        if (!done && newPassword != oldPassword)
            (void)settings.write("Password", oldPassword);
    }
    if (!done) {
        for (std::size_t i = 0; i < replaced; ++i)
            replace(oldPath(files[i]), files[i].path);
    }
    clearUp();
    if (!done)
        return refused(error);
    return {true, "The lists, the surf log and the password are now kept in " + name + "."};
}

Command commandLine(const AppPaths& paths, SettingsStore& settings, std::string_view name)
{
    if (name.empty())
        return {2, "tobrin: --code-page needs the name of a code page, such as CP1251\n", true};
    const Outcome outcome = change(paths, settings, name);
    return {outcome.ok ? 0 : 1, "tobrin: " + outcome.text + "\n", !outcome.ok};
}

} // namespace CodePageRecord
