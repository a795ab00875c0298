#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "test_install.h"

namespace {

const QString kBlocked = u"S I T E   B L O C K E D"_s;

QStringList history(const Form1& form)
{
    QStringList items;
    for (int i = 0; i < form.Combo1->count(); ++i)
        items << form.Combo1->itemText(i);
    return items;
}

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

class AddressesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The fake page view raises its events through the same handler as the real engine.
    void blockedAndAllowedAddresses()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "bet \r\ncasino\r\n");
        auto form = install.window();
        FakeWebView* view = install.view(*form);
        const QString start = install.context().paths.pageAddress(AppPaths::IntroPage);

        // Blocked: cancelled, stopped, never recorded; the status line stays.
        const int stops = view->stopCount;
        QVERIFY(!view->Navigate(u"http://www.casino.com/"_s));
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QCOMPARE(view->stopCount, stops + 1);
        QCOMPARE(form->rodape->caption(), u" Checking site..."_s);
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor); // back to the default pointer

        // Letter case and a trailing space in an entry both count; an address
        // is recorded once, and another letter case is another address.
        QVERIFY(view->Navigate(u"http://www.CASINO.com/"_s));
        QVERIFY(view->Navigate(u"http://bet.com/"_s));
        QVERIFY(!view->Navigate(u"http://x.com/?q=bet both"_s));
        QVERIFY(view->Navigate(u"http://bet.com/"_s));
        QVERIFY(view->pageNavigates(u"http://Bet.com/"_s));
        QCOMPARE(history(*form), (QStringList{start, "http://www.CASINO.com/", "http://bet.com/",
                                              "http://Bet.com/"}));
        QCOMPARE(form->Combo1->currentText(), u"http://Bet.com/"_s);

        // A word added in the panel holds for the very next step back.
        form->panel().addresses().list().insert(u"bet.com"_s);
        QVERIFY(view->GoBack());
        QCOMPARE(form->Combo1->currentText(), kBlocked);

        // Switched off: nothing is examined, shown or recorded.
        form->panel().Check1->setChecked(true);
        form->rodape->setCaption(u"before"_s);
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(u"http://casino.com/"_s, cancel);
        QVERIFY(!cancel);
        QCOMPARE(form->rodape->caption(), u"before"_s);
        QCOMPARE(history(*form).size(), 4);
        // A refusal by the page view itself (typed script, a file of the disk)
        // still shows as a blocked site, and records nothing.
        cancel = true;
        form->Combo1->setEditText(u"http://bet.com/"_s);
        Q_EMIT view->BeforeNavigate2(u"javascript:fetch('/ran')"_s, &cancel);
        QVERIFY(cancel);
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QCOMPARE(history(*form).size(), 4);
    }

    // The first check loads the panel's list; the empty entry blocks every
    // address but the empty one.
    void emptyEntry()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "\r\n");
        auto form = install.window(false);
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(u"a"_s, cancel);
        QVERIFY(form->panelLoaded() && cancel);
        cancel = false;
        form->WebBrowser1_BeforeNavigate2(QString(), cancel);
        QVERIFY(!cancel);
    }

    void warningWords()
    {
        Editor editor("bet\r\n");
        for (const QString word : {"www", "net", "http", "com", "http://"}) {
            for (const bool yes : {false, true}) {
                MessageBox::queueAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
                editor.add(word);
                QCOMPARE(shownBox(), box("If you include < " + word +
                                             " >  you will block MOST of sites!!!\n\r"
                                             "Are you REALLY sure you want to block " +
                                             word + "???",
                                         u"Attention!"_s, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::Critical, QMessageBox::No));
                QCOMPARE(editor.tab->Text1->text(), yes ? QString() : word);
            }
        }
        QCOMPARE(editor.file(), QByteArray("bet\r\ncom\r\nhttp\r\nhttp://\r\nnet\r\nwww\r\n"));
    }

    void addingWritesTheSortedList()
    {
        Editor editor("zoo\r\nbet\r\n");              // left unsorted until the first change
        QVERIFY(!editor.tab->Command12->isEnabled()); // the list was never visited
        for (const QString& w : QStringList{"WWW", " www", "www.", "Casino", "casino", ""})
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
        editor.tab->Text1->setText(u"typed"_s);
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.tab->Text1->text(), u"typed"_s);

        editor.click(1);
        QTest::mouseClick(editor.tab->Command12, Qt::LeftButton);
        QCOMPARE(editor.tab->Text1->text(), u"bet"_s);
        QCOMPARE(editor.file(), QByteArray("alpha\r\ncasino\r\n"));

        // Double-click: moved out, selected in the box, which takes the focus.
        editor.click(0, true);
        QVERIFY(editor.tab->Text1->hasFocus());
        QCOMPARE(editor.tab->Text1->selectedText(), u"alpha"_s);
        QCOMPARE(editor.file(), QByteArray("casino\r\n"));
    }

    void failedSaveIsToldAndKeepsTheList()
    {
        Editor editor("bet\r\n");
        const QString file = editor.install.file(AppPaths::NoSurf);
        QVERIFY(QFile::remove(file) && QDir().mkdir(file));
        editor.add(u"casino"_s);
        const QString told = shownBox();
        QVERIFY2(told.contains(u"nosurf.txt"_s), qPrintable(told));
        // The next save writes the list as shown, the unsaved word included.
        QVERIFY(QDir().rmdir(file));
        editor.add(u"poker"_s);
        QCOMPARE(editor.file(), QByteArray("bet\r\ncasino\r\npoker\r\n"));
    }

    // A build that runs out of memory leaves the list checking every word;
    // the parent hears of it once, as the panel opens.
    void buildOutOfMemoryIsToldOnce()
    {
        Editor editor("bet\r\n");
        editor.tab->list().setIndexBuilder(
            [](std::shared_ptr<const WordStore>,
               std::stop_token) -> std::shared_ptr<const WordIndex> { throw std::bad_alloc(); });
        editor.add(u"casino"_s);
        // Every look at the panel gathers what it told: one box, once.
        QString told;
        QTRY_VERIFY((editor.tab->panelOpening(), told += shownBox()).contains(u"more slowly."_s));
        editor.tab->panelOpening();
        told += shownBox();
        QCOMPARE(told.count(u"Tobrin | There was not enough memory"_s), 1);
        QVERIFY(editor.tab->blocks(u"http://casino.example/"_s) &&
                editor.tab->blocks(u"http://bet.example/"_s) &&
                !editor.tab->blocks(u"http://dice.example/"_s));
    }
};

TOBRIN_TEST(AddressesTest);
#include "addresses_test.moc"
