#pragma once

#include "platform/code_page.h"

#include <optional>
#include <string>
#include <string_view>

class AppPaths;
class SettingsStore;

// The installation's code page: chosen once, at its first start, from the
// language of that run, and kept in files/codepage.txt, so that the lists,
// the log and the stored password mean the same whatever language later
// runs are started in.
namespace CodePageRecord {

struct Found
{
    // None when the page cannot be told (the record is unreadable or names
    // no page the program knows): then no file may be read.
    std::optional<CodePage> page;
    // For the parent: why there is no page, or why it could not be recorded
    // (this run still uses it).
    std::string problem;
    // For the parent: a change of page cut short was undone.
    std::string notice;
};

// The page this run keeps the files in, recorded now at the first start from
// the language of localeName (such as "ru_RU.UTF-8"). Also undoes what a
// change of page cut short by a crash left behind.
Found establish(const AppPaths& paths, std::string_view localeName);

struct Outcome
{
    bool ok = false;
    std::string text; // what was done, or why nothing was
};

// Converts the files and the stored password to the page named (as
// CodePage::knownName reads it), all or nothing. Refused while a browser of
// the installation runs, and when a character has no place in the new page.
// This is what "tobrin --code-page NAME" does.
Outcome change(const AppPaths& paths, SettingsStore& settings, std::string_view name);

// "tobrin --code-page NAME" from start to end: the line it prints, where,
// and the status the program ends with (0 done, 1 refused, 2 no name given).
struct Command
{
    int status = 0;
    std::string line;
    bool toStandardError = false;
};
Command commandLine(const AppPaths& paths, SettingsStore& settings, std::string_view name);

} // namespace CodePageRecord
