#pragma once

#include "favorites/favorites_file.h"

#include <filesystem>
#include <string>
#include <string_view>

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
std::string escapeText(std::string_view text);
// The address sits in a single-quoted attribute; quotes must not end it early.
std::string escapeAttribute(std::string_view text);

// The page as written to disk: plain ASCII, one line ending in CR LF.
std::string bytes(Form form, const FavoriteList& favorites);

[[nodiscard]] TextFile::WriteResult write(const std::filesystem::path& path, Form form,
                                          const FavoriteList& favorites);

} // namespace FavoritesPage
