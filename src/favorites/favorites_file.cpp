#include "favorites/favorites_file.h"

namespace FavoritesFile {

FavoriteList fromLines(const QStringList& lines)
{
    FavoriteList favorites;
    favorites.reserve((lines.size() + 1) / 2);
    for (qsizetype i = 0; i < lines.size(); i += 2)
        favorites.append({lines[i], i + 1 < lines.size() ? lines[i + 1] : QString()});
    return favorites;
}

QStringList toLines(const FavoriteList& favorites)
{
    QStringList lines;
    lines.reserve(favorites.size() * 2);
    for (const Favorite& favorite : favorites)
        lines << favorite.name << favorite.address;
    return lines;
}

ReadResult read(const QString& path, const CodePage& page)
{
    TextFile::ReadResult file = TextFile::readLines(path, page);
    return {fromLines(file.lines), file.error};
}

TextFile::WriteResult write(const QString& path, const FavoriteList& favorites,
                            const CodePage& page)
{
    return TextFile::writeLines(path, toLines(favorites), page);
}

} // namespace FavoritesFile
