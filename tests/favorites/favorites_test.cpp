#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "favorites/favorites_tab.h"
#include "test_install.h"

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

void clickRow(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

void add(FavoritesTab& tab, const QString& name, const QString& address)
{
    tab.Text4->setText(name);
    tab.Text5->setText(address);
    QTest::mouseClick(tab.Command14, Qt::LeftButton);
}

} // namespace

class FavoritesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Name line, address line, kept exactly as entered, empty ones included.
    void listFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"pref.txt"_s);
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(char(b));
        const CodePage cyrillic("CP1251");
        const FavoriteList favorites{
            {u"Kids' zoo & <more>"_s, u"http://zoo.example/?a=1&b='2'"_s},
            {QString(), u"bare.example"_s},
            {u"No address"_s, QString()},
            {QString(), QString()},
            {cyrillic.decode(high), u"  spaced  "_s},
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
        QVERIFY(TextFile::writeBytes(path, "One\rhttp://one.example\nTwo").ok());
        QCOMPARE(FavoritesFile::read(path, cyrillic).favorites,
                 (FavoriteList{{u"One"_s, u"http://one.example"_s}, {u"Two"_s, QString()}}));
        QVERIFY(FavoritesFile::write(path, {}, cyrillic).ok()); // an emptied list empties the file
        QCOMPARE(TextFile::readBytes(path).bytes, QByteArray());
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

    void addSelectAndDelete()
    {
        TestInstall install;
        auto form = install.window();
        form->panel().VideoSoftIndexTab1->setCurrentTab(2);
        form->panel().show();
        FavoritesTab& tab = form->panel().favorites();
        QVERIFY(QTest::qWaitForWindowExposed(&form->panel()));
        auto page = [&](FavoritesPage::Form kind) {
            return install.bytes(AppPaths::FavoritesPage) ==
                   FavoritesPage::bytes(kind, tab.entries());
        };
        add(tab, "The Zoo", "http://zoo.example/");
        QTest::mouseClick(tab.Command14, Qt::LeftButton); // the fields keep their text
        add(tab, "Moon", "http://moon.example/");
        QCOMPARE(install.bytes(AppPaths::Pref),
                 "The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n"
                 "Moon\r\nhttp://moon.example/\r\n");
        QVERIFY(page(FavoritesPage::Form::Add));

        // A click in one list selects the same row in the other and enables Delete.
        QVERIFY(!tab.Command13->isEnabled());
        clickRow(tab.List2, 1);
        QCOMPARE(tab.List3->currentRow(), 1);
        QVERIFY(tab.Command13->isEnabled());

        // No: lists and file stay, the page is rewritten in its delete form.
        const QByteArray listBefore = install.bytes(AppPaths::Pref);
        MessageBox::queueAnswer(QMessageBox::No);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(shownBox(),
                 box(u"Remove <http://zoo.example/> ???"_s, u"Attention!"_s,
                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Critical, QMessageBox::No));
        QCOMPARE(install.bytes(AppPaths::Pref), listBefore);
        QVERIFY(page(FavoritesPage::Form::Delete));
        QVERIFY(!tab.Command13->isEnabled());

        // The row already selected enables Delete again; Yes puts the entry
        // back into the fields and removes it everywhere.
        clickRow(tab.List3, 1);
        clickRow(tab.List3, 2);
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(tab.Text4->text(), u"Moon"_s);
        QCOMPARE(tab.Text5->text(), u"http://moon.example/"_s);
        QCOMPARE(install.bytes(AppPaths::Pref),
                 "The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n");
        QVERIFY(page(FavoritesPage::Form::Delete));
        QCOMPARE(tab.List2->currentRow(), -1);
    }

    // Both files failing: one message names both; the next save writes the
    // list as shown, and a pasted line break cannot split an entry in the file.
    void failedSavesAreToldAndKeepTheList()
    {
        TestInstall install;
        auto form = install.window();
        for (auto file : {AppPaths::Pref, AppPaths::FavoritesPage})
            QVERIFY(QFile::remove(install.file(file)) && QDir().mkpath(install.file(file)));
        add(form->panel().favorites(), "Zoo", "zoo.example");
        const QString told = shownBox();
        QVERIFY2(told.contains("pref.txt") && told.contains("favorites.htm"), qPrintable(told));
        QVERIFY(QDir().rmdir(install.file(AppPaths::Pref)));
        add(form->panel().favorites(), "two\r\nlines", "zoo.example");
        QCOMPARE(install.bytes(AppPaths::Pref),
                 "Zoo\r\nzoo.example\r\ntwo lines\r\nzoo.example\r\n");
    }
};

TOBRIN_TEST(FavoritesTest);
#include "favorites_test.moc"
