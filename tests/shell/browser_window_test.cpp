#include "favorites/favorites_file.h"
#include "favorites/favorites_tab.h"
#include "password/stored_password.h"
#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "shell/code_page_record.h"
#include "shell/installation.h"
#include "surflog/session_journal.h"
#include "test_install.h"

class BrowserWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void backAndForwardFollowTheHistory()
    {
        TestInstall install;
        auto form = install.window(false);
        FakeWebView* view = install.view(*form);
        view->autoFinish = false; // the start page completes after the load step, as for real
        form->Form_Load();
        QVERIFY(!form->cmdBack->isEnabled() && !form->cmdForward->isEnabled());
        view->finishLoad();
        QVERIFY(form->cmdBack->isEnabled()); // although there is no earlier page
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QVERIFY(!form->cmdBack->isEnabled()); // the step failed

        view->autoFinish = true;
        QVERIFY(view->pageNavigates(u"http://a.test/"_s));
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QVERIFY(form->cmdForward->isEnabled() && form->cmdBack->isEnabled());
        // A new navigation leaves ">>" as it was; only a failed step disables it.
        QVERIFY(view->pageNavigates(u"http://b.test/"_s));
        QVERIFY(form->cmdForward->isEnabled());
        QTest::mouseClick(form->cmdForward, Qt::LeftButton);
        QVERIFY(!form->cmdForward->isEnabled());
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QTest::mouseClick(form->cmdForward, Qt::LeftButton);
        QCOMPARE(view->index, 1);
    }

    void downloadsDriveStopReloadStatusAndSpeakers()
    {
        TestInstall install;
        auto form = install.window(false);
        FakeWebView* view = install.view(*form);
        QCOMPARE(form->windowTitle(), u" Corvane Tobrin 2.0"_s);
        // What the title bar shows: Qt would drop a lone "[*]" as its marker.
        form->winId();
        Q_EMIT view->TitleChange(u"A [*] B"_s);
        QCOMPARE(form->windowHandle()->title(), u"A [*] B - Tobrin 2.0"_s);

        view->autoFinish = false;
        form->Form_Load();
        QCOMPARE(form->rodape->caption(), u" Receiving..."_s);
        QList<int> looks;
        for (int tick = 0; tick < 3; ++tick) {
            form->Timer2_Timer();
            QCOMPARE(form->falante1->pictureLook(), form->falante2->pictureLook());
            looks << form->falante1->pictureLook();
        }
        QCOMPARE(looks, (QList<int>{9, 10, 9}));

        // A stopped download counts as complete.
        QTest::mouseClick(form->cmdstop, Qt::LeftButton);
        QCOMPARE(view->stopCount, 1);
        QCOMPARE(form->cmdstop->caption(), u"RELOAD"_s);
        QCOMPARE(form->rodape->caption(), u" Page received !"_s);
        QVERIFY(!form->Timer2->isActive());
        QCOMPARE(form->falante2->pictureLook(), 10);

        // The reload is the next download; the timer really drives the speakers.
        QTest::mouseClick(form->cmdstop, Qt::LeftButton);
        QCOMPARE(view->refreshCount, 1);
        QCOMPARE(form->cmdstop->caption(), u"STOP"_s);
        QTRY_COMPARE_WITH_TIMEOUT(form->falante1->pictureLook(), 9, 2000);
        Q_EMIT view->StatusTextChange(u"  http://x.test/a?b  "_s);
        QCOMPARE(form->rodape->caption(), u"  http://x.test/a?b  "_s);
    }

    // Enter, and only Enter, navigates to exactly the text in the box.
    void addressBoxNavigatesOnEnterOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("nothing but the scheme") << "http://";
        QTest::newRow("start of a stored address") << "http://a";
        QTest::newRow("a stored address") << "http://a.test/";
        QTest::newRow("empty") << "";
    }
    void addressBoxNavigatesOnEnterOnly()
    {
        QFETCH(QString, typed);
        TestInstall install;
        auto form = install.window();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get())); // completion acts only with the focus
        FakeWebView* view = install.view(*form);
        form->Combo1->addItem(u"http://a.test/"_s);
        form->Combo1->setFocus();
        form->Combo1->clearEditText();
        view->requested.clear();
        QTest::keyClicks(form->Combo1, typed);
        QCOMPARE(view->requested, QStringList());
        QTest::keyClick(form->Combo1, Qt::Key_Return);
        QCOMPARE(view->requested, QStringList{typed}); // once, and no completion
        // Turning the wheel over the box opens nothing from the list.
        for (int delta : {-120, 120, -120}) {
            QWheelEvent wheel(QPointF(5, 5), form->Combo1->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(form->Combo1, &wheel);
        }
        QCOMPARE(view->requested, QStringList{typed});
    }

    void loadAppliesTheStoredSettings()
    {
        TestInstall install;
        QVERIFY(install.settings.write(u"color"_s, u"255"_s));
        QVERIFY(install.settings.write(u"LegendColor"_s, u"&H0000FF00"_s));
        // Texts that say "on" in their own way: applying them writes nothing
        // back, so a read-only settings file costs no message at start.
        QVERIFY(install.settings.write(u"favorites"_s, u" 1"_s));
        QVERIFY(install.settings.write(u"disable"_s, u"true"_s));
        auto form = install.window();
        QCOMPARE(install.settings.read(u"favorites"_s, QString()), u" 1"_s);
        QCOMPARE(install.settings.read(u"disable"_s, QString()), u"true"_s);
        QCOMPARE(form->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(form->rodape->foreColor(), QColor(0, 255, 0));
        QVERIFY(form->panel().Check3->isChecked() && !form->Combo1->isEnabled());
        QVERIFY(form->panel().Check4->isChecked());
        QVERIFY(form->panel().Disable1->firstSwitch() && form->panel().Disable1->secondSwitch());
        QVERIFY(form->panel().isHidden());
        // Switched off, favorites-only mode gives the address box back.
        form->panel().Check3->click();
        QCOMPARE(install.settings.read(u"favorites"_s, QString()), u"0"_s);
        QVERIFY(form->Combo1->isEnabled());
    }

    void missingPiecesAreMadeExistingOnesKeptAndFailuresNamed()
    {
        QTemporaryDir dir;
        const AppPaths paths(dir.path());
        QVERIFY(QDir(dir.path()).mkdir(u"files"_s));
        QVERIFY(TextFile::writeBytes(paths.file(AppPaths::Log), "SURFING: old\r\n").ok());
        QCOMPARE(Installation::repair(paths), QStringList());
        QCOMPARE(TextFile::readBytes(paths.file(AppPaths::Log)).bytes, "SURFING: old\r\n");
        QCOMPARE(QFileInfo(paths.file(AppPaths::schedule(7))).size(), 0);
        QVERIFY(TextFile::readBytes(paths.file(AppPaths::IntroPage)).bytes.contains("Tobrin"));
        QVERIFY(TextFile::readBytes(paths.file("/html/tobrin_ico.gif")).bytes.startsWith("GIF8"));

        // What cannot be made (a plain file where the buffer folder should be)
        // is named, and the rest is still made.
        const AppPaths broken(dir.filePath(u"broken"_s));
        QVERIFY(QDir(dir.path()).mkdir(u"broken"_s));
        QVERIFY(TextFile::writeBytes(broken.file(u"/buffer"_s), "x").ok());
        const QStringList problems = Installation::repair(broken);
        QVERIFY2(problems.value(0).contains("buffer"), qPrintable(problems.join(u'|')));
        QVERIFY(QFile::exists(broken.file(AppPaths::NoSurf)));
        // At the root folder no path gets "//", which a page address would read as a host.
        QCOMPARE(AppPaths(u"/"_s).pageAddress(AppPaths::IntroPage), u"file:///html/intro.htm"_s);
    }

    // Set up under one language's page, started under another's: the files
    // and the password keep the page of the first start.
    void theFirstStartsPageHoldsWhateverTheLanguage_data()
    {
        QTest::addColumn<QLocale>("first");
        QTest::addColumn<QLocale>("later");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("name");
        QTest::newRow("russian, then english")
            << QLocale(QLocale::Russian) << QLocale(QLocale::English)
            << u"\u043F\u0430\u0440\u043E\u043B\u044C"_s << u"\u0441\u0435\u043A\u0441"_s
            << u"\u0416\u0443\u043A"_s;
        QTest::newRow("english, then russian")
            << QLocale(QLocale::English) << QLocale(QLocale::Russian) << u"caf\u00E9"_s
            << u"na\u00EFve"_s << u"Cr\u00E8me"_s;
        QTest::newRow("vietnamese, then greek")
            << QLocale(QLocale::Vietnamese) << QLocale(QLocale::Greek) << u"H\u1EC7"_s
            << u"vi\u1EC7t"_s << u"Ti\u1EBFng"_s;
    }
    void theFirstStartsPageHoldsWhateverTheLanguage()
    {
        QFETCH(QLocale, first);
        QFETCH(QLocale, later);
        QFETCH(QString, password);
        QFETCH(QString, word);
        QFETCH(QString, name);
        TestInstall install;
        const AppPaths paths(install.dir());
        const CodePage page = *CodePageRecord::establish(paths, first).page;
        QCOMPARE(page.name(), CodePage::nameFor(first));
        const QString address = u"http://a.test/"_s + name;
        QVERIFY(StoredPassword::store(install.settings, password, page, nullptr));
        QVERIFY(TextFile::writeLines(paths.file(AppPaths::NoSurf), {word}, page).ok());
        QVERIFY(FavoritesFile::write(paths.file(AppPaths::Pref), {{name, address}}, page).ok());

        const CodePageRecord::Found found = CodePageRecord::establish(paths, later);
        QVERIFY(found.page && found.problem.isEmpty() && found.notice.isEmpty());
        AppContext context = install.context();
        context.codePage = *found.page;
        Form1 form(context);
        form.Timer1->stop();
        form.Form_Load();
        const QString expected = StoredPassword::expected(install.settings, context.codePage);
        QVERIFY(StoredPassword::matches(password, expected, context.codePage));
        QVERIFY(
            !StoredPassword::matches(QString(password.size(), u'l'), expected, context.codePage));
        QVERIFY(!install.view(form)->pageNavigates(u"http://b.test/"_s + word));
        QCOMPARE(form.panel().favorites().List3->item(0)->text(), name);
        QCOMPARE(form.panel().favorites().List2->item(0)->text(), address);
    }

    void changingThePageConvertsEverythingOrNothing()
    {
        TestInstall install;
        const AppPaths paths(install.dir());
        const QString folder = QFileInfo(paths.file(AppPaths::Log)).path();
        const CodePage cyrillic = *CodePageRecord::establish(paths, QLocale(QLocale::Russian)).page;
        QVERIFY(StoredPassword::store(install.settings, u"\u20ACuro"_s, cyrillic, nullptr));
        const auto setWords = [&](const QStringList& words) {
            QVERIFY(TextFile::writeLines(paths.file(AppPaths::NoSurf), words, cyrillic).ok());
        };
        const auto state = [&] {
            QByteArrayList all{install.settings.read(u"Password"_s, {}).toUtf8()};
            for (const QString& file : {AppPaths::NoSurf, AppPaths::Log, AppPaths::CodePageName})
                all << install.bytes(file);
            return all;
        };
        const auto change = [&](const QString& name) {
            return CodePageRecord::change(paths, install.settings, name);
        };

        // A letter the new page lacks, or a browser still running: refused, and
        // nothing changes.
        setWords({u"\u0441\u0435\u043A\u0441"_s, u"\u20AC"_s});
        const QByteArrayList before = state();
        CodePageRecord::Outcome outcome = change(u"cp1252"_s);
        QVERIFY2(!outcome.ok && outcome.text.contains(u"nosurf.txt: \u0441 \u0435 \u043A\n"_s),
                 qPrintable(outcome.text));
        QCOMPARE(state(), before);
        setWords({u"\u20AC"_s, u"abc"_s});
        QString error;
        {
            const auto running = SessionJournal::create(folder, &error);
            QVERIFY(running && !change(u"CP1252"_s).ok);
            QVERIFY(running->append(SessionJournal::addressLine(u"http://\u20AC.test/"_s), &error));
        }
        QVERIFY(!change(u"KOI8-R"_s).ok);

        // Converted: the files, the password, and the log an ended session still
        // owed, which goes in first.
        outcome = change(u"Windows-1252"_s);
        QVERIFY2(outcome.ok, qPrintable(outcome.text));
        const CodePage western("CP1252");
        QCOMPARE(install.bytes(AppPaths::NoSurf), "\x80\r\nabc\r\n");
        QVERIFY(install.bytes(AppPaths::Log).contains("http://\x80.test/"));
        QCOMPARE(install.bytes(AppPaths::CodePageName), "CP1252\r\n");
        QVERIFY(StoredPassword::matches(
            u"\u20ACuro"_s, StoredPassword::expected(install.settings, western), western));
        QCOMPARE(QDir(folder).entryList({u"session*"_s, u"*CP1*"_s}), QStringList());

        // Cut short by a crash: the next start puts the old files back.
        install.setBytes(AppPaths::NoSurf + u".was-CP1252"_s, "old\r\n");
        install.setBytes(AppPaths::Log + u".to-CP1250"_s, "new");
        const CodePageRecord::Found found =
            CodePageRecord::establish(paths, QLocale(QLocale::Russian));
        QVERIFY(found.page && found.page->name() == "CP1252" && !found.notice.isEmpty());
        QCOMPARE(install.bytes(AppPaths::NoSurf), "old\r\n");
        QCOMPARE(QDir(folder).entryList({u"*CP1*"_s}), QStringList());

        // A record that names no known page: nothing is read until the parent
        // names the page the files are in, and then nothing is converted.
        install.setBytes(AppPaths::CodePageName, "KOI8-R\r\n");
        const CodePageRecord::Found unknown =
            CodePageRecord::establish(paths, QLocale(QLocale::English));
        QVERIFY2(!unknown.page && unknown.problem.contains(u"--code-page"_s),
                 qPrintable(unknown.problem));
        QVERIFY(change(u"1251"_s).ok);
        QCOMPARE(install.bytes(AppPaths::NoSurf), "old\r\n");
        QCOMPARE(install.bytes(AppPaths::CodePageName), "CP1251\r\n");
    }
};

TOBRIN_TEST(BrowserWindowTest);
#include "browser_window_test.moc"
