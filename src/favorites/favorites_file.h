#pragma once

#include "platform/text_file.h"

#include <QList>
#include <QString>
#include <QStringList>

// One favorite site as the parent entered it.
struct Favorite
{
    QString name;
    QString address;

    friend bool operator==(const Favorite&, const Favorite&) = default;
};

using FavoriteList = QList<Favorite>;

// The favorites list file: for each site a name line, then an address line,
// nothing else; an empty list is an empty file.
namespace FavoritesFile {

// Pairs up lines; a last name without its address line gets an empty address.
FavoriteList fromLines(const QStringList& lines);
QStringList toLines(const FavoriteList& favorites);

struct ReadResult
{
    FavoriteList favorites;
    QString error; // set when the file exists but cannot be read
};

// A missing file is an empty list.
ReadResult read(const QString& path, const CodePage& page);
[[nodiscard]] TextFile::WriteResult write(const QString& path, const FavoriteList& favorites,
                                          const CodePage& page);

} // namespace FavoritesFile
