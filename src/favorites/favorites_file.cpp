#include "favorites/favorites_file.h"

namespace FavoritesFile {

FavoriteList fromLines(const std::vector<std::string>& lines)
{
    FavoriteList favorites;
    favorites.reserve((lines.size() + 1) / 2);
    for (std::size_t i = 0; i < lines.size(); i += 2)
        favorites.push_back({lines[i], i + 1 < lines.size() ? lines[i + 1] : std::string()});
    return favorites;
}

std::vector<std::string> toLines(const FavoriteList& favorites)
{
    std::vector<std::string> lines;
    lines.reserve(favorites.size() * 2);
    for (const Favorite& favorite : favorites) {
        lines.push_back(favorite.name);
        lines.push_back(favorite.address);
    }
    return lines;
}

ReadResult read(const std::filesystem::path& path, const CodePage& page)
{
    TextFile::ReadResult file = TextFile::readLines(path, page);
    return {fromLines(file.lines), std::move(file.error)};
}

TextFile::WriteResult write(const std::filesystem::path& path, const FavoriteList& favorites,
                            const CodePage& page)
{
    return TextFile::writeLines(path, toLines(favorites), page);
}

} // namespace FavoritesFile
