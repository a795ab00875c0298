#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "panel/panel_window.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

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
        form->panel().VideoSoftIndexTab1->setCurrentTab(1);
        form->panel().show();
        form->panel().activateWindow();
        tab = &form->panel().addresses();
        if (QTest::qWaitForWindowActive(&form->panel()))
            QTest::mouseClick(tab->Text1, Qt::LeftButton); // the first visit enables Add
    }
    QByteArray file() const { return install.bytes(AppPaths::NoSurf); }
    void add(const QString& word)
    {
        tab->Text1->setText(word);
        QTest::mouseClick(tab->Command11, Qt::LeftButton);
    }
    void click(int row, bool twice = false)
    {
        const QPoint at = tab->List1->visualRect(tab->list().index(row)).center();
        QTest::mouseClick(tab->List1->viewport(), Qt::LeftButton, {}, at);
        if (twice) // a press and release, then the double-click event
            QTest::mouseDClick(tab->List1->viewport(), Qt::LeftButton, {}, at);
    }
};

} // namespace

class AddressesTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void warningWords()
    {
        Editor editor("bet\r\n");
        for (const QString word : {"www", "net", "http", "com", "http://"}) {
            for (const bool yes : {false, true}) {
                MessageBox::queueAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
                editor.add(word);
                const QList<MessageBox::Shown> shown = MessageBox::takeShown();
                QCOMPARE(shown.size(), 1);
                QCOMPARE(shown[0].text, "If you include < " + word +
                                            " >  you will block MOST of sites!!!\n\r"
                                            "Are you REALLY sure you want to block " +
                                            word + "???");
                QCOMPARE(shown[0].title, QStringLiteral("Attention!"));
                QCOMPARE(shown[0].defaultButton, QMessageBox::No);
                QCOMPARE(editor.tab->Text1->text(), yes ? QString() : word);
            }
        }
        QCOMPARE(editor.file(), QByteArray("bet\r\ncom\r\nhttp\r\nhttp://\r\nnet\r\nwww\r\n"));
    }

    void addingWritesTheSortedList()
    {
        Editor editor("zoo\r\nbet\r\n");              // left unsorted until the first change
        QVERIFY(!editor.tab->Command12->isEnabled()); // the list was never visited
        for (const QString& w : {"WWW", " www", "www.", "Casino", "casino", ""})
            editor.add(w);
        QVERIFY(MessageBox::takeShown().isEmpty()); // near misses are not warned about
        QCOMPARE(editor.file(), "\r\n www\r\nbet\r\nCasino\r\ncasino\r\nWWW\r\nwww.\r\nzoo\r\n");
        // Add leaves the focus in the emptied text box, ready for the next word.
        QVERIFY(editor.tab->Text1->hasFocus());

        // A letter the file cannot hold: blocked now, and the parent is told.
        editor.add(u"\u4E2Da"_qs);
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Warning);
        QVERIFY(editor.tab->blocks(u"http://x/\u4E2Da"));
    }

    void deleteAndDoubleClickMoveTheWordBack()
    {
        Editor editor("alpha\r\nbet\r\ncasino\r\n");
        // Focus in the list enables Delete even with nothing selected; Delete
        // then changes nothing.
        editor.tab->List1->setFocus(Qt::TabFocusReason);
        editor.tab->Text1->setText(QStringLiteral("typed"));
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.tab->Text1->text(), QStringLiteral("typed"));

        editor.click(1);
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.tab->Text1->text(), QStringLiteral("bet"));
        QCOMPARE(editor.file(), QByteArray("alpha\r\ncasino\r\n"));

        // Double-click: moved out, selected in the box, which takes the focus.
        editor.click(0, true);
        QVERIFY(editor.tab->Text1->hasFocus());
        QCOMPARE(editor.tab->Text1->selectedText(), QStringLiteral("alpha"));
        QCOMPARE(editor.file(), QByteArray("casino\r\n"));
    }

    void failedSaveIsToldAndKeepsTheList()
    {
        Editor editor("bet\r\n");
        const QString file = editor.install.file(AppPaths::NoSurf);
        QVERIFY(QFile::remove(file) && QDir().mkdir(file));
        editor.add(QStringLiteral("casino"));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("nosurf.txt")), qPrintable(shown[0].text));
        // The next save writes the list as shown, the unsaved word included.
        QVERIFY(QDir().rmdir(file));
        editor.add(QStringLiteral("poker"));
        QCOMPARE(editor.file(), QByteArray("bet\r\ncasino\r\npoker\r\n"));
    }
};

TOBRIN_TEST(AddressesTabTest);
#include "addresses_tab_test.moc"
