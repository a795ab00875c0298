#include "favorites/favorites_page.h"
#include "favorites/favorites_tab.h"
#include "panel/panel_window.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

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

class FavoritesTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

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
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Remove <http://zoo.example/> ???"));
        QCOMPARE(shown[0].title, QStringLiteral("Attention!"));
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(install.bytes(AppPaths::Pref), listBefore);
        QVERIFY(page(FavoritesPage::Form::Delete));
        QVERIFY(!tab.Command13->isEnabled());

        // The row already selected enables Delete again; Yes puts the entry
        // back into the fields and removes it everywhere.
        clickRow(tab.List3, 1);
        clickRow(tab.List3, 2);
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(tab.Text4->text(), QStringLiteral("Moon"));
        QCOMPARE(tab.Text5->text(), QStringLiteral("http://moon.example/"));
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
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains("pref.txt") && shown[0].text.contains("favorites.htm"),
                 qPrintable(shown[0].text));
        QVERIFY(QDir().rmdir(install.file(AppPaths::Pref)));
        add(form->panel().favorites(), "two\r\nlines", "zoo.example");
        QCOMPARE(install.bytes(AppPaths::Pref),
                 "Zoo\r\nzoo.example\r\ntwo lines\r\nzoo.example\r\n");
    }

    void favoritesOnlySwitch()
    {
        TestInstall install;
        auto form = install.window();
        form->panel().Check3->click();
        QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()), "1");
        QVERIFY(!form->Combo1->isEnabled());
        form->panel().Check3->click();
        QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()), "0");
        QVERIFY(form->Combo1->isEnabled());
    }
};

TOBRIN_TEST(FavoritesTabTest);
#include "favorites_tab_test.moc"
