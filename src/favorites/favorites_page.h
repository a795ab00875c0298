#pragma once

#include "favorites/favorites_file.h"

#include <QByteArray>
#include <QString>

// The favorites page: one line of HTML with a link per site, rewritten after
// every change of the list.
namespace FavoritesPage {

// After an Add the links are set in Arial; after a Delete in the browser's
// default font. Otherwise the two forms are alike.
enum class Form
{
    Add,
    Delete
};

// Names usually come from the title of whatever page the child was on, so
// they go in as inert text: never as markup or script on a page the program
// opens from the local disk.
QString escapeText(QStringView text);
// The address sits in a single-quoted attribute; quotes must not end it early.
QString escapeAttribute(QStringView text);

// The page as text, without its line end.
QString html(Form form, const FavoriteList& favorites);
// The page as written to disk: 8-bit text, one line ending in CR LF.
QByteArray bytes(Form form, const FavoriteList& favorites);

[[nodiscard]] TextFile::WriteResult write(const QString& path, Form form,
                                          const FavoriteList& favorites);

} // namespace FavoritesPage
