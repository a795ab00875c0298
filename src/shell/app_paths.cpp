#include "shell/app_paths.h"

#include "timecontrol/schedule_file.h"

#include <glib.h>

AppPaths::AppPaths(std::string applicationDirectory) : m_directory(std::move(applicationDirectory))
{
    // Kept without a trailing separator, except for the root itself.
    while (m_directory.size() > 1 && m_directory.back() == '/')
        m_directory.pop_back();
}

std::filesystem::path AppPaths::file(std::string_view relative) const
{
    // The root already ends in "/"; doubled, "//html" would read as a host
    // name in a page address.
    if (!m_directory.empty() && m_directory.back() == '/' && relative.starts_with('/'))
        relative.remove_prefix(1);
    return m_directory + std::string(relative);
}

std::string AppPaths::pageAddress(std::string_view relative) const
{
    const std::string path = file(relative).string();
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri)
        return "file://" + path; // a relative directory, which start-up never gives
    std::string address(uri);
    g_free(uri);
    return address;
}

std::string AppPaths::schedule(int dayNumber)
{
    return Schedule::weekdayFile(dayNumber);
}
