#include "favorites/favorites_page.h"
#include "favorites/favorites_tab.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/elastic_panel.h"
#include "shell/index_tab.h"
#include "shell/message_box.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWebEngineProfile> // TestInstall holds one; its destructor needs the whole type

namespace {

constexpr int kFavoritesTab = 2;

// The panel shown on its Favorites tab, as the parent sees it.
FavoritesTab& openTab(Form1& form)
{
    Form2& panel = form.panel();
    panel.VideoSoftIndexTab1->setCurrentTab(kFavoritesTab);
    panel.show();
    return panel.favorites();
}

void clickRow(QListWidget* list, int row)
{
    const QRect place = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

QStringList texts(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

void type(QLineEdit* field, const QString& text)
{
    field->clear();
    QTest::keyClicks(field, text);
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
        FavoritesTab& tab = openTab(*form);
        QVERIFY(QTest::qWaitForWindowExposed(&form->panel()));
        QCOMPARE(tab.List3->count(), 0);
        QVERIFY(!tab.Command13->isEnabled());

        // Add twice: the same site twice, the fields keep their text.
        type(tab.Text4, QStringLiteral("The Zoo"));
        type(tab.Text5, QStringLiteral("http://zoo.example/"));
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QCOMPARE(tab.Text4->text(), QStringLiteral("The Zoo"));
        QCOMPARE(tab.Text5->text(), QStringLiteral("http://zoo.example/"));
        type(tab.Text4, QStringLiteral("Moon"));
        type(tab.Text5, QStringLiteral("http://moon.example/"));
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QCOMPARE(texts(tab.List3), (QStringList{"The Zoo", "The Zoo", "Moon"}));
        QCOMPARE(texts(tab.List2), (QStringList{"http://zoo.example/", "http://zoo.example/",
                                                "http://moon.example/"}));
        QCOMPARE(install.bytes(AppPaths::Pref),
                 QByteArray("The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n"
                            "Moon\r\nhttp://moon.example/\r\n"));
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Add, tab.entries()));
        QVERIFY(MessageBox::takeShown().isEmpty());

        // A click in one list selects the same row in the other and enables Delete.
        clickRow(tab.List2, 1);
        QCOMPARE(tab.List3->currentRow(), 1);
        QVERIFY(tab.Command13->isEnabled());
        clickRow(tab.List3, 0);
        QCOMPARE(tab.List2->currentRow(), 0);

        // Delete answered No: lists and file stay, the page is rewritten in
        // its delete form, Delete is disabled.
        const QByteArray listBefore = install.bytes(AppPaths::Pref);
        MessageBox::queueAnswer(QMessageBox::No);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Remove <http://zoo.example/> ???"));
        QCOMPARE(shown[0].title, QStringLiteral("Attention!"));
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(tab.List3->count(), 3);
        QCOMPARE(install.bytes(AppPaths::Pref), listBefore);
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Delete, tab.entries()));
        QVERIFY(!tab.Command13->isEnabled());

        // A click on the row already selected enables Delete again; Yes puts
        // the entry back into the fields and removes it everywhere.
        clickRow(tab.List3, 0);
        QVERIFY(tab.Command13->isEnabled());
        clickRow(tab.List3, 2);
        type(tab.Text4, QStringLiteral("typed"));
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text,
                 QStringLiteral("Remove <http://moon.example/> ???"));
        QCOMPARE(tab.Text4->text(), QStringLiteral("Moon"));
        QCOMPARE(tab.Text5->text(), QStringLiteral("http://moon.example/"));
        QCOMPARE(texts(tab.List3), (QStringList{"The Zoo", "The Zoo"}));
        QCOMPARE(tab.List2->count(), 2);
        QCOMPARE(
            install.bytes(AppPaths::Pref),
            QByteArray("The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n"));
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Delete, tab.entries()));
        QVERIFY(!tab.Command13->isEnabled());
        QCOMPARE(tab.List2->currentRow(), -1);

        // Both fields empty: an empty entry, two empty lines in the file.
        tab.Text4->clear();
        tab.Text5->clear();
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QVERIFY(install.bytes(AppPaths::Pref).endsWith("zoo.example/\r\n\r\n\r\n"));
        QCOMPARE(tab.List2->count(), 3);
    }

    void loadsTheFileAndDeletesTheOnlyEntry()
    {
        TestInstall install;
        install.setBytes(AppPaths::Pref, "Only \xE9t\xE9\r\nhttp://only.example/\r\n");
        auto form = install.window();
        FavoritesTab& tab = openTab(*form);
        QVERIFY(QTest::qWaitForWindowExposed(&form->panel()));
        QCOMPARE(texts(tab.List3), QStringList{QStringLiteral("Only \u00E9t\u00E9")});
        QCOMPARE(texts(tab.List2), QStringList{QStringLiteral("http://only.example/")});

        clickRow(tab.List2, 0);
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(tab.List3->count(), 0);
        QCOMPARE(tab.List2->count(), 0);
        QCOMPARE(tab.Text4->text(), QStringLiteral("Only \u00E9t\u00E9"));
        QCOMPARE(install.bytes(AppPaths::Pref), QByteArray());
        const QByteArray page = install.bytes(AppPaths::FavoritesPage);
        QCOMPARE(page, FavoritesPage::bytes(FavoritesPage::Form::Delete, {}));
        QVERIFY(!page.contains("<img"));
    }

    void failedReadsAndSavesAreToldAndKeepTheList()
    {
        TestInstall install;
        QFile::remove(install.file(AppPaths::Pref));
        QVERIFY(QDir().mkpath(install.file(AppPaths::Pref)));
        auto form = install.window();
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("pref.txt")));
        QCOMPARE(shown[0].icon, QMessageBox::Warning);

        FavoritesTab& tab = form->panel().favorites();
        tab.Text4->setText(QStringLiteral("Zoo"));
        tab.Text5->setText(QStringLiteral("zoo.example"));
        tab.Command14_Click();
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY(shown[0].text.contains(QStringLiteral("pref.txt")));
        QCOMPARE(texts(tab.List3), QStringList{QStringLiteral("Zoo")});
        QCOMPARE(tab.Text5->text(), QStringLiteral("zoo.example"));
        // The page beside it could still be written.
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Add, tab.entries()));

        // A pasted line break cannot split the entry in the file.
        QVERIFY(QDir(install.file(AppPaths::Pref)).removeRecursively());
        tab.Text4->setText(QStringLiteral("two\r\nlines"));
        tab.Command14_Click();
        QCOMPARE(install.bytes(AppPaths::Pref),
                 QByteArray("Zoo\r\nzoo.example\r\ntwo lines\r\nzoo.example\r\n"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void favoritesOnlySwitchAndButton()
    {
        TestInstall install;
        {
            auto form = install.window();
            Form2& panel = form->panel();
            QVERIFY(!panel.Check3->isChecked());
            QVERIFY(form->Combo1->isEnabled());

            panel.Check3->click();
            QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()),
                     QStringLiteral("1"));
            QVERIFY(!form->Combo1->isEnabled());
            panel.Check3->click();
            QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()),
                     QStringLiteral("0"));
            QVERIFY(form->Combo1->isEnabled());
            QVERIFY(MessageBox::takeShown().isEmpty());

            // The Favorites button opens the page beside the program.
            QTest::mouseClick(form->cmdBookMarks, Qt::LeftButton);
            QCOMPARE(install.view(*form)->history.value(install.view(*form)->index),
                     QUrl::fromLocalFile(install.file(AppPaths::FavoritesPage)).toString());
        }

        // At start-up the stored "1" checks the box and disables the address box.
        QVERIFY(install.settings.write(QStringLiteral("favorites"), QStringLiteral("1")));
        {
            auto form = install.window();
            QVERIFY(form->panel().Check3->isChecked());
            QVERIFY(!form->Combo1->isEnabled());
            QVERIFY(MessageBox::takeShown().isEmpty());

            // A setting that cannot be stored is told; the switch acts anyway.
            QVERIFY(QFile::remove(install.settings.filePath()));
            QVERIFY(QDir().mkpath(install.settings.filePath()));
            form->panel().Check3->click();
            const QList<MessageBox::Shown> shown = MessageBox::takeShown();
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].text.contains(QStringLiteral("favorites")));
            QCOMPARE(shown[0].icon, QMessageBox::Critical);
            QVERIFY(form->Combo1->isEnabled());
            QVERIFY(!form->panel().Check3->isChecked());
        }
    }
};

TOBRIN_TEST(FavoritesTabTest);
#include "favorites_tab_test.moc"
