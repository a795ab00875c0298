#pragma once

#include "platform/text_file.h"

#include <filesystem>
#include <string>
#include <vector>

// One favorite site as the parent entered it (UTF-8).
struct Favorite
{
    std::string name;
    std::string address;

    friend bool operator==(const Favorite&, const Favorite&) = default;
};

using FavoriteList = std::vector<Favorite>;

// The favorites list file: for each site a name line, then an address line,
// nothing else; an empty list is an empty file.
namespace FavoritesFile {

// Pairs up lines; a last name without its address line gets an empty address.
FavoriteList fromLines(const std::vector<std::string>& lines);
std::vector<std::string> toLines(const FavoriteList& favorites);

struct ReadResult
{
    FavoriteList favorites;
    std::string error; // set when the file exists but cannot be read
};

// A missing file is an empty list.
ReadResult read(const std::filesystem::path& path, const CodePage& page);
[[nodiscard]] TextFile::WriteResult write(const std::filesystem::path& path,
                                          const FavoriteList& favorites, const CodePage& page);

} // namespace FavoritesFile
