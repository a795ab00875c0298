#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "test_install.h"
#include "test_main.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QWebEngineProfile> // TestInstall owns one and is destroyed here

namespace {

// The panel shown on its Addresses tab, as a parent sees it.
struct Editor
{
    TestInstall install;
    std::unique_ptr<Form1> form;
    AddressesTab* tab = nullptr;

    explicit Editor(const QByteArray& file)
    {
        install.setBytes(AppPaths::NoSurf, file);
        form = install.window();
        Form2& panel = form->panel();
        panel.VideoSoftIndexTab1->setCurrentTab(1);
        panel.show();
        panel.activateWindow();
        tab = &panel.addresses();
        if (QTest::qWaitForWindowActive(&panel))
            QTest::mouseClick(tab->Text1, Qt::LeftButton); // the first visit enables Add
    }
    QByteArray file() const { return install.bytes(AppPaths::NoSurf); }
    QStringList entries() const { return tab->list().entries(); }
    void add(const QString& word)
    {
        tab->Text1->setText(word);
        QTest::mouseClick(tab->Command11, Qt::LeftButton);
    }
    QPoint rowCenter(int row) const
    {
        return tab->List1->visualRect(tab->list().index(row)).center();
    }
};

} // namespace

class AddressesTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void warningWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("yes");
        for (const char* w : {"www", "net", "http", "com", "http://"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 yes").arg(w))) << QString(w) << true;
            QTest::newRow(qPrintable(QStringLiteral("%1 no").arg(w))) << QString(w) << false;
        }
    }
    void warningWords()
    {
        QFETCH(QString, word);
        QFETCH(bool, yes);
        Editor editor("bet\r\n");
        MessageBox::queueAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
        editor.add(word);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("If you include < ") + word +
                                    QStringLiteral(" >  you will block MOST of sites!!!\n\r"
                                                   "Are you REALLY sure you want to block ") +
                                    word + QStringLiteral("???"));
        QCOMPARE(shown[0].title, QStringLiteral("Attention!"));
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        // "bet" sorts before every warning word.
        QCOMPARE(editor.file(), yes ? "bet\r\n" + word.toLatin1() + "\r\n" : QByteArray("bet\r\n"));
        QCOMPARE(editor.tab->Text1->text(), yes ? QString() : word);
    }

    void addingWritesTheSortedList()
    {
        Editor editor("zoo\r\nbet\r\n"); // left unsorted until the first change
        QVERIFY(!editor.tab->Command12->isEnabled()); // the list was never visited
        QCOMPARE(editor.file(), QByteArray("zoo\r\nbet\r\n"));

        for (const QString& w : {"WWW", " www", "www.", "Casino", "casino", ""})
            editor.add(w);
        QVERIFY(MessageBox::takeShown().isEmpty()); // near misses are not warned about
        QCOMPARE(editor.file(), QByteArray("\r\n www\r\nbet\r\nCasino\r\ncasino\r\nWWW\r\nwww.\r\nzoo\r\n"));
        // Add leaves the focus in the emptied text box, ready for the next word.
        QVERIFY(editor.tab->Text1->hasFocus());
        QVERIFY(editor.tab->Text1->text().isEmpty());

        // A letter the file cannot hold: blocked now, and the parent is told.
        editor.add(u"\u4E2Da"_qs);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Warning);
        QVERIFY(editor.tab->blocks(u"http://x/\u4E2Da"));
        QVERIFY(editor.file().contains("\r\n?a\r\n"));
    }

    void deleteAndDoubleClickMoveTheWordBack()
    {
        Editor editor("alpha\r\nbet\r\ncasino\r\n");
        QListView* list = editor.tab->List1;

        // Focus in the list enables Delete even with nothing selected, and
        // Delete then changes nothing.
        list->setFocus(Qt::TabFocusReason);
        QVERIFY(editor.tab->Command12->isEnabled());
        editor.tab->Text1->setText(QStringLiteral("typed"));
        list->selectionModel()->clear();
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.entries().size(), 3);
        QCOMPARE(editor.tab->Text1->text(), QStringLiteral("typed"));

        // Delete: the word replaces the box's text, leaves the list and the file.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, editor.rowCenter(1));
        list->setFocus();
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.tab->Text1->text(), QStringLiteral("bet"));
        QCOMPARE(editor.file(), QByteArray("alpha\r\ncasino\r\n"));
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton); // nothing selected now
        QCOMPARE(editor.entries().size(), 2);

        // Double-click: moved out, selected in the box, which takes the focus.
        // A double click is a press and release followed by the double-click event.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, editor.rowCenter(0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, editor.rowCenter(0));
        QCOMPARE(editor.tab->Text1->text(), QStringLiteral("alpha"));
        QVERIFY(editor.tab->Text1->hasFocus());
        QCOMPARE(editor.tab->Text1->selectedText(), QStringLiteral("alpha"));
        QCOMPARE(editor.file(), QByteArray("casino\r\n"));
    }

    void failedSaveKeepsTheList()
    {
        Editor editor("bet\r\n");
        const QString files = editor.install.file(QStringLiteral("/files"));
        const QString moved = editor.install.file(QStringLiteral("/files-moved"));
        QVERIFY(QDir().rename(files, moved));
        editor.install.setBytes(QStringLiteral("/files"), "not a folder");

        editor.add(QStringLiteral("casino"));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("nosurf.txt")), qPrintable(shown[0].text));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);

        // The next save writes the list as shown, the unsaved word included.
        QVERIFY(QFile::remove(files));
        QVERIFY(QDir().rename(moved, files));
        editor.add(QStringLiteral("poker"));
        QVERIFY(MessageBox::takeShown().isEmpty());
        QCOMPARE(editor.file(), QByteArray("bet\r\ncasino\r\npoker\r\n"));
    }

    void unreadableFileIsToldAtLoad()
    {
        TestInstall install;
        QVERIFY(QFile::remove(install.file(AppPaths::NoSurf)));
        QVERIFY(QDir().mkdir(install.file(AppPaths::NoSurf)));
        auto form = install.window();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("nosurf.txt")), qPrintable(shown[0].text));
        // Nobody has visited the tab yet.
        QVERIFY(!form->panel().addresses().Command11->isEnabled());
        QVERIFY(!form->panel().addresses().Command12->isEnabled());
    }
};

TOBRIN_TEST(AddressesTabTest);
#include "addresses_tab_test.moc"
