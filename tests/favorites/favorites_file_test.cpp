#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "test_main.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray page(FavoritesPage::Form form, const QByteArray& links)
{
    return "<html><title>Favorites</title><body bgcolor=white>"
           "<font face='Comic Sans MS' size='+2' color=Blue>Favorites</font><p>" +
           (form == FavoritesPage::Form::Add
                ? "<font face='arial'  color=Black>" + links + "</font>"
                : links) +
           "<br><hr><font face='Courier' size='-1' color=Black>"
           "<a href='intro.htm'>Tobrin 2.0 by Corvane</a></font></body></html>\r\n";
}

QByteArray anchor(const QByteArray& address, const QByteArray& name)
{
    return "<a href='" + address +
           "'><img src='tobrin_ico.gif' border=0  hspace=15 width=20 height=20>" + name +
           "</a><br>";
}

} // namespace

class FavoritesFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Name line, address line, kept exactly as entered, empty ones included.
    void listFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pref.txt"));
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(char(b));
        const CodePage cyrillic("CP1251");
        const FavoriteList favorites{
            {QStringLiteral("Kids' zoo & <more>"), QStringLiteral("http://zoo.example/?a=1&b='2'")},
            {QString(), QStringLiteral("bare.example")},
            {QStringLiteral("No address"), QString()},
            {QString(), QString()},
            {cyrillic.decode(high), QStringLiteral("  spaced  ")},
        };
        QVERIFY(FavoritesFile::write(path, favorites, cyrillic).ok());
        QCOMPARE(TextFile::readBytes(path).bytes,
                 "Kids' zoo & <more>\r\nhttp://zoo.example/?a=1&b='2'\r\n\r\nbare.example\r\n"
                 "No address\r\n\r\n\r\n\r\n" +
                     high + "\r\n  spaced  \r\n");
        const FavoritesFile::ReadResult back = FavoritesFile::read(path, cyrillic);
        QVERIFY(back.error.isEmpty());
        QCOMPARE(back.favorites, favorites);

        // A hand-edited file: lone CR and LF line ends, no end on the last
        // line, and a last name whose address line is missing.
        QFile edited(path);
        QVERIFY(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
        edited.write("One\rhttp://one.example\nTwo");
        edited.close();
        QCOMPARE(FavoritesFile::read(path, cyrillic).favorites,
                 (FavoriteList{{QStringLiteral("One"), QStringLiteral("http://one.example")},
                               {QStringLiteral("Two"), QString()}}));
    }

    void pageBytes()
    {
        using F = FavoritesPage::Form;
        const Favorite zoo{"The Zoo", "http://zoo.example/"};
        const QByteArray zooLink = anchor("http://zoo.example/", "The Zoo");
        QCOMPARE(FavoritesPage::bytes(F::Add, {zoo, {}}), page(F::Add, zooLink + anchor("", "")));
        QCOMPARE(FavoritesPage::bytes(F::Delete, {zoo}), page(F::Delete, zooLink));
        // The page shipped with the installation is the one an empty list makes.
        QCOMPARE(
            TextFile::readBytes(qEnvironmentVariable("TOBRIN_DATA_SOURCE") + "/html/favorites.htm")
                .bytes,
            FavoritesPage::bytes(F::Add, {}));

        // A name is text and an address an attribute value: neither can add markup.
        const Favorite hostile{"<script>alert(1)</script> & Tom's \"best\"",
                               "http://x.example/' onmouseover='alert(1)\"<b>&c"};
        QCOMPARE(
            FavoritesPage::bytes(F::Add, {hostile}),
            page(F::Add,
                 anchor("http://x.example/&#39; onmouseover=&#39;alert(1)&quot;&lt;b&gt;&amp;c",
                        "&lt;script&gt;alert(1)&lt;/script&gt; &amp; Tom's \"best\"")));
        // Beyond printable ASCII: character references, so the page reads the
        // same in any encoding and a line break cannot split its one line.
        const Favorite foreign{"Caf\u00E9 \u4E2D\nx", "http://b\u00FCcher.example/\u20AC"};
        QCOMPARE(FavoritesPage::bytes(F::Delete, {foreign}),
                 page(F::Delete,
                      anchor("http://b&#252;cher.example/&#8364;", "Caf&#233; &#20013;&#10;x")));
    }
};

TOBRIN_TEST(FavoritesFileTest);
#include "favorites_file_test.moc"
