#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The application directory and the files below it. Every path is the
// directory followed directly by a fixed relative text that starts with "/".
class AppPaths
{
public:
    explicit AppPaths(std::string applicationDirectory);

    const std::string& directory() const { return m_directory; }

    // A file path: directory + relative ("/files/nosurf.txt").
    std::filesystem::path file(std::string_view relative) const;
    // The address the page view is sent to for a local page ("/html/intro.htm").
    std::string pageAddress(std::string_view relative) const;

    // The relative texts of the installation's files.
    static constexpr std::string_view NoSurf = "/files/nosurf.txt";
    static constexpr std::string_view Pref = "/files/pref.txt";
    static constexpr std::string_view Log = "/files/log.txt";
    // The name of the code page the files above are kept in.
    static constexpr std::string_view CodePageName = "/files/codepage.txt";
    static constexpr std::string_view FavoritesPage = "/html/favorites.htm";
    static constexpr std::string_view IntroPage = "/html/intro.htm";
    // The only local files the page view shows.
    static constexpr std::string_view PagesFolder = "/html";
    // "/buffer/buf1.log" (Monday) to "/buffer/buf7.log" (Sunday).
    static std::string schedule(int dayNumber);

private:
    std::string m_directory;
};
