#include "panel/panel_window.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/twips.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

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
        QCOMPARE(view->requested,
                 QStringList{install.context().paths.pageAddress(AppPaths::IntroPage)});
        QVERIFY(!form->cmdBack->isEnabled());
        QVERIFY(!form->cmdForward->isEnabled());

        view->finishLoad();
        QVERIFY(form->cmdBack->isEnabled()); // although there is no earlier page
        QVERIFY(!form->cmdForward->isEnabled());
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QVERIFY(!form->cmdBack->isEnabled()); // the step failed
        QVERIFY(!form->cmdForward->isEnabled());

        view->autoFinish = true;
        QVERIFY(view->pageNavigates(QStringLiteral("http://a.test/")));
        QVERIFY(form->cmdBack->isEnabled());
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QCOMPARE(view->index, 0);
        QVERIFY(form->cmdForward->isEnabled());
        QVERIFY(form->cmdBack->isEnabled());

        // A new navigation leaves ">>" as it was; only a failed step disables it.
        QVERIFY(view->pageNavigates(QStringLiteral("http://b.test/")));
        QVERIFY(form->cmdForward->isEnabled());
        QTest::mouseClick(form->cmdForward, Qt::LeftButton);
        QVERIFY(!form->cmdForward->isEnabled());
        QTest::mouseClick(form->cmdBack, Qt::LeftButton);
        QCOMPARE(view->index, 0);
        QTest::mouseClick(form->cmdForward, Qt::LeftButton);
        QCOMPARE(view->index, 1);
        QVERIFY(form->cmdBack->isEnabled());
        QVERIFY(form->cmdForward->isEnabled());
    }

    void downloadsDriveStopReloadStatusAndSpeakers()
    {
        TestInstall install;
        auto form = install.window(false);
        FakeWebView* view = install.view(*form);
        QCOMPARE(form->cmdstop->caption(), QStringLiteral("STOP"));
        QCOMPARE(form->rodape->caption(), QStringLiteral("Tobrin 2.0"));
        QCOMPARE(form->falante1->pictureLook(), 10);
        QVERIFY(!form->Timer2->isActive());

        // The caption with and without a page title.
        QCOMPARE(form->windowTitle(), QStringLiteral(" Corvane Tobrin 2.0"));
        Q_EMIT view->TitleChange(QStringLiteral("Dinosaurs"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Dinosaurs - Tobrin 2.0"));
        QCOMPARE(form->CurrentTitle, QStringLiteral("Dinosaurs"));
        Q_EMIT view->TitleChange(QString());
        QCOMPARE(form->windowTitle(), QStringLiteral(" - Tobrin 2.0"));
        QCOMPARE(form->CurrentTitle, QString());
        // What the title bar shows: Qt would drop a lone "[*]" as its marker.
        form->winId();
        Q_EMIT view->TitleChange(QStringLiteral("A [*] B"));
        QCOMPARE(form->windowHandle()->title(), QStringLiteral("A [*] B - Tobrin 2.0"));
        Q_EMIT view->NavigateComplete2(QStringLiteral("http://x.test/"));
        QCOMPARE(form->CurrentUrl, QStringLiteral("http://x.test/"));

        view->autoFinish = false;
        form->Form_Load();
        QCOMPARE(form->rodape->caption(), QStringLiteral(" Receiving..."));
        QVERIFY(form->Timer2->isActive());
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
        QCOMPARE(view->refreshCount, 0);
        QCOMPARE(form->cmdstop->caption(), QStringLiteral("RELOAD"));
        QCOMPARE(form->rodape->caption(), QStringLiteral(" Page received !"));
        QVERIFY(!form->Timer2->isActive());
        QCOMPARE(form->falante1->pictureLook(), 10);
        QCOMPARE(form->falante2->pictureLook(), 10);

        // The reload is the next download; the speakers go on from the phase
        // the last one left.
        QTest::mouseClick(form->cmdstop, Qt::LeftButton);
        QCOMPARE(view->refreshCount, 1);
        QCOMPARE(view->stopCount, 1);
        QCOMPARE(form->cmdstop->caption(), QStringLiteral("STOP"));
        form->Timer2_Timer();
        QCOMPARE(form->falante1->pictureLook(), 10);
        form->Timer2_Timer();
        QCOMPARE(form->falante1->pictureLook(), 9);
        // And the timer really drives them.
        QTRY_COMPARE_WITH_TIMEOUT(form->falante1->pictureLook(), 10, 2000);

        // Only the exact caption stops.
        form->cmdstop->setCaption(QStringLiteral("Stop"));
        QTest::mouseClick(form->cmdstop, Qt::LeftButton);
        QCOMPARE(view->refreshCount, 2);

        Q_EMIT view->StatusTextChange(QStringLiteral("  http://x.test/a?b  "));
        QCOMPARE(form->rodape->caption(), QStringLiteral("  http://x.test/a?b  "));
    }

    void addressBoxNavigatesOnEnterOnly()
    {
        TestInstall install;
        auto form = install.window();
        FakeWebView* view = install.view(*form);
        view->requested.clear();
        form->Combo1->setEditText(QStringLiteral("http://"));
        QTest::keyClick(form->Combo1, Qt::Key_Return);
        QCOMPARE(view->requested, QStringList{QStringLiteral("http://")}); // exactly as typed

        form->Combo1->addItem(QStringLiteral("http://a.test/"));
        form->Combo1->setEditText(QStringLiteral("  http://a.test/"));
        QTest::keyClick(form->Combo1, Qt::Key_A);
        QCOMPARE(view->requested.size(), 1);
        form->Combo1->setEditText(QStringLiteral("http://a.test/"));
        QTest::keyClick(form->Combo1, Qt::Key_Enter);
        // Once, although the text matches an item of the list.
        QCOMPARE(view->requested.size(), 2);
        QCOMPARE(view->requested.last(), QStringLiteral("http://a.test/"));

        // The start of a listed address, or the same letters in another case,
        // opens exactly what was typed: nothing completes or matches it.
        for (const QString& typed :
             {QStringLiteral("http://a.t"), QStringLiteral("HTTP://A.TEST/")}) {
            form->Combo1->setEditText(QString());
            QTest::keyClicks(form->Combo1, typed);
            QTest::keyClick(form->Combo1, Qt::Key_Return);
            QCOMPARE(view->requested.last(), typed);
            QCOMPARE(form->Combo1->currentText(), typed);
        }
        view->requested.removeLast();
        view->requested.removeLast();
        // Turning the wheel over the box opens nothing from the list.
        QCoreApplication::processEvents();
        for (int delta : {-120, 120, -120}) {
            QWheelEvent wheel(QPointF(5, 5), form->Combo1->mapToGlobal(QPointF(5, 5)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(form->Combo1, &wheel);
        }
        QCOMPARE(view->requested.size(), 2);

        // Picking from the list (later, by mouse) navigates to it.
        QCoreApplication::processEvents();
        Q_EMIT form->Combo1->activated(0);
        QCOMPARE(view->requested.size(), 3);

        // Home: the start page; an empty text navigates nowhere and nothing breaks.
        QTest::mouseClick(form->VideoSoftElastic5, Qt::LeftButton);
        QCOMPARE(view->requested.last(), install.context().paths.pageAddress(AppPaths::IntroPage));
        form->Combo1->setEditText(QString());
        QTest::keyClick(form->Combo1, Qt::Key_Return);
        QCOMPARE(view->requested.last(), QString());
    }

    void newWindowsAreRefusedAndSpeakersOpenTheAboutWindow()
    {
        TestInstall install;
        auto form = install.window();
        bool cancel = false;
        Q_EMIT install.view(*form)->NewWindow2(&cancel);
        QVERIFY(cancel);

        form->show();
        QString shownText;
        QTimer::singleShot(0, [&] {
            QWidget* about = QApplication::activeModalWidget();
            if (!about)
                return;
            if (auto* text = about->findChild<QLabel*>(QStringLiteral("aboutText")))
                shownText = text->text();
            about->close();
        });
        QTest::mouseClick(form->falante2, Qt::LeftButton);
        QVERIFY(shownText.contains(QStringLiteral("Tobrin 2.0")));
        QVERIFY(shownText.contains(QStringLiteral("Corvane")));
    }

    void loadPlacesTheWindowAndAppliesTheSettings()
    {
        QCOMPARE(centredOn(QRect(0, 0, 1024, 768), 640, 0).x(), 192);
        QCOMPARE(centredOn(QRect(0, 0, 1024, 768), 641, 0).x(), 191);
        // Narrower than the window: negative, truncated toward zero.
        QCOMPARE(centredOn(QRect(0, 0, 600, 400), 633, 0).x(), -16);
        QCOMPARE(centredOn(QRect(0, 0, 600, 400), 633, 425).y(), -12);
        // A second screen to the right.
        QCOMPARE(centredOn(QRect(1024, 0, 800, 600), 632, 0).x(), 1108);

        TestInstall install;
        {
            auto form = install.window();
            const QRect screen = form->screen()->geometry();
            QCOMPARE(form->frameGeometry().top(), screen.top());
            QCOMPARE(form->frameGeometry().left(),
                     screen.left() + (screen.width() - form->frameGeometry().width()) / 2);
            // Nothing stored: black frame, white legend, box enabled, no lock.
            QCOMPARE(form->rodape->backColor(), QColor(Qt::black));
            QCOMPARE(form->rodape->foreColor(), QColor(Qt::white));
            QVERIFY(form->Combo1->isEnabled());
            QVERIFY(form->panelLoaded());
            QVERIFY(!form->panel().Check4->isChecked());
            QVERIFY(form->panel().isHidden());
        }
        QVERIFY(install.settings.write(QStringLiteral("color"), QStringLiteral("255")));
        QVERIFY(
            install.settings.write(QStringLiteral("LegendColor"), QStringLiteral("&H0000FF00")));
        // Texts that say "on" in their own way: applying them writes nothing
        // back, so a read-only settings file costs no message at start.
        QVERIFY(install.settings.write(QStringLiteral("favorites"), QStringLiteral(" 1")));
        QVERIFY(install.settings.write(QStringLiteral("disable"), QStringLiteral("true")));
        auto form = install.window();
        QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()),
                 QStringLiteral(" 1"));
        QCOMPARE(install.settings.read(QStringLiteral("disable"), QString()),
                 QStringLiteral("true"));
        QCOMPARE(form->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(form->rodape->foreColor(), QColor(0, 255, 0));
        QVERIFY(form->panel().Check3->isChecked());
        QVERIFY(!form->Combo1->isEnabled());
        QVERIFY(form->panel().Check4->isChecked());
        QVERIFY(form->panel().Disable1->firstSwitch());
        QVERIFY(form->panel().Disable1->secondSwitch());
    }
};

TOBRIN_TEST(BrowserWindowTest);
#include "browser_window_test.moc"
