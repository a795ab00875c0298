#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using F = FavoritesPage::Form;

std::string page(F form, const std::string& links)
{
    return "<html><title>Favorites</title><body bgcolor=white>"
           "<font face='Comic Sans MS' size='+2' color=Blue>Favorites</font><p>" +
           (form == F::Add ? "<font face='arial'  color=Black>" + links + "</font>" : links) +
           "<br><hr><font face='Courier' size='-1' color=Black>"
           "<a href='intro.htm'>Tobrin 2.0 by Corvane</a></font></body></html>\r\n";
}

std::string anchor(const std::string& address, const std::string& name)
{
    return "<a href='" + address + "'><img src='tobrin_ico.gif' border=0  hspace=15 width=20 height=20>" +
           name + "</a><br>";
}

} // namespace

// Name line, address line, kept exactly as entered, empty ones included.
TEST(FavoritesFile, RoundTripsEveryByteAndReadsHandEditedFiles)
{
    ScratchDir dir;
    const auto path = dir / "pref.txt";
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += char(b);
    const CodePage cyrillic("CP1251");
    const FavoriteList favorites{
        {"Kids' zoo & <more>", "http://zoo.example/?a=1&b='2'"},
        {"", "bare.example"},
        {"No address", ""},
        {"", ""},
        {cyrillic.decode(high), "  spaced  "},
    };
    ASSERT_TRUE(FavoritesFile::write(path, favorites, cyrillic).ok());
    EXPECT_EQ(ScratchDir::read(path), "Kids' zoo & <more>\r\nhttp://zoo.example/?a=1&b='2'\r\n\r\nbare.example\r\n"
                                      "No address\r\n\r\n\r\n\r\n" +
                                          high + "\r\n  spaced  \r\n");
    const FavoritesFile::ReadResult back = FavoritesFile::read(path, cyrillic);
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.favorites, favorites);

    // Lone CR and LF line ends, no end on the last line, and a last name
    // whose address line is missing.
    ScratchDir::write(path, "One\rhttp://one.example\nTwo");
    EXPECT_EQ(FavoritesFile::read(path, cyrillic).favorites,
              (FavoriteList{{"One", "http://one.example"}, {"Two", ""}}));
    ASSERT_TRUE(FavoritesFile::write(path, {}, cyrillic).ok()); // an emptied list empties the file
    EXPECT_EQ(ScratchDir::read(path), "");
    EXPECT_TRUE(FavoritesFile::read(dir / "missing.txt", cyrillic).favorites.empty());

    // A list that cannot be saved says why and leaves the file as it was.
    ScratchDir::write(path, "Kept\r\nhttp://kept.example\r\n");
    ScratchDir::write(dir / "plain", "x");
    EXPECT_NE(FavoritesFile::write(dir / "plain" / "pref.txt", favorites, cyrillic).error, "");
    EXPECT_NE(FavoritesFile::read(dir.path(), cyrillic).error, ""); // a folder in the file's place
}

TEST(FavoritesPage, OneLineOfInertLinksInEitherForm)
{
    const Favorite zoo{"The Zoo", "http://zoo.example/"};
    const std::string zooLink = anchor("http://zoo.example/", "The Zoo");
    EXPECT_EQ(FavoritesPage::bytes(F::Add, {zoo, {}}), page(F::Add, zooLink + anchor("", "")));
    EXPECT_EQ(FavoritesPage::bytes(F::Delete, {zoo}), page(F::Delete, zooLink));
    // The page shipped with the installation is the one an empty list makes.
    const char* data = std::getenv("TOBRIN_DATA_SOURCE");
    ASSERT_TRUE(data);
    EXPECT_EQ(ScratchDir::read(std::filesystem::path(data) / "html" / "favorites.htm"),
              FavoritesPage::bytes(F::Add, {}));

    // A name is text and an address an attribute value: neither can add markup.
    const Favorite hostile{"<script>alert(1)</script> & Tom's \"best\"",
                           "http://x.example/' onmouseover='alert(1)\"<b>&c"};
    EXPECT_EQ(FavoritesPage::bytes(F::Add, {hostile}),
              page(F::Add, anchor("http://x.example/&#39; onmouseover=&#39;alert(1)&quot;&lt;b&gt;&amp;c",
                                  "&lt;script&gt;alert(1)&lt;/script&gt; &amp; Tom's \"best\"")));
    // Beyond printable ASCII: character references of whole characters, so
    // the page reads the same in any encoding and a line break cannot split
    // its one line; a byte that is not UTF-8 shows as the replacement mark.
    const Favorite foreign{"Caf\u00E9 \u4E2D\nx\U0001F600\xFF", "http://b\u00FCcher.example/\u20AC"};
    EXPECT_EQ(FavoritesPage::bytes(F::Delete, {foreign}),
              page(F::Delete, anchor("http://b&#252;cher.example/&#8364;",
                                     "Caf&#233; &#20013;&#10;x&#128512;&#65533;")));

    ScratchDir dir;
    ASSERT_TRUE(FavoritesPage::write(dir / "favorites.htm", F::Delete, {zoo}).ok());
    EXPECT_EQ(ScratchDir::read(dir / "favorites.htm"), page(F::Delete, zooLink));
}
