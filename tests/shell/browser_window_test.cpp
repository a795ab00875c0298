#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "shell/installation.h"
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
};

TOBRIN_TEST(BrowserWindowTest);
#include "browser_window_test.moc"
