#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/color_dialog.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

class PanelWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void createdHiddenCentredWithItsTabs()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        QVERIFY(panel.isHidden());
        QCOMPARE(panel.VideoSoftIndexTab1->captions(),
                 QStringLiteral("General|Addresses|Favorites|Time|Surf Log|Password"));
        QCOMPARE(panel.frameGeometry().topLeft(),
                 centredOn(panel.screen()->geometry(), panel.frameGeometry().width(),
                           panel.frameGeometry().height()));
        for (QCheckBox* box : {panel.Check1, panel.Check2, panel.Check3, panel.Check4})
            QVERIFY(!box->isChecked());
        // First start: a black miniature with a white legend.
        QCOMPARE(panel.tvfake->backColor(), QColor(Qt::black));
        QCOMPARE(panel.Label11->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    void coloursApplyAtOnceAndAreStored()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();

        ColorDialog::queueAnswer(QColor(255, 0, 0));
        QTest::mouseClick(panel.Command8, Qt::LeftButton);
        QCOMPARE(install.settings.read(QStringLiteral("color"), QString()), QStringLiteral("255"));
        QCOMPARE(form->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(panel.tvfake->backColor(), QColor(255, 0, 0));

        // Cancel changes nothing: no colour, no setting.
        ColorDialog::queueAnswer(std::nullopt);
        QTest::mouseClick(panel.tvfake, Qt::LeftButton);
        QCOMPARE(ColorDialog::takeShownCount(), 2);
        QCOMPARE(form->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(install.settings.read(QStringLiteral("color"), QString()), QStringLiteral("255"));
        ColorDialog::queueAnswer(std::nullopt);
        QTest::mouseClick(panel.Command9, Qt::LeftButton);
        QCOMPARE(install.settings.read(QStringLiteral("legendcolor"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(form->rodape->foreColor(), QColor(Qt::white));

        // The label on the miniature chooses the legend colour.
        ColorDialog::queueAnswer(QColor(0, 0, 255));
        QTest::mouseClick(panel.Label11, Qt::LeftButton);
        QCOMPARE(install.settings.read(QStringLiteral("legendcolor"), QString()),
                 QStringLiteral("16711680"));
        QCOMPARE(form->rodape->foreColor(), QColor(0, 0, 255));
        QCOMPARE(panel.Label11->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        // The next start shows the stored colours in the frame and the miniature.
        form.reset();
        auto again = install.window();
        QCOMPARE(again->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(again->panel().tvfake->backColor(), QColor(255, 0, 0));
        QCOMPARE(again->panel().Label11->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void aColourThatCannotBeStoredIsToldButStillShown()
    {
        TestInstall install;
        auto form = install.window();
        // The settings folder replaced by a plain file: every write is refused.
        QDir(install.dir()).rename(QStringLiteral("settings"), QStringLiteral("settings-away"));
        QFile blocker(install.file(QStringLiteral("/settings")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ColorDialog::queueAnswer(QColor(0, 128, 0));
        QTest::mouseClick(form->panel().Command8, Qt::LeftButton);
        QCOMPARE(form->rodape->backColor(), QColor(0, 128, 0));
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("color")));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
    }

    void desktopLockStoresFirstThenSwitchesInOrder()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        QStringList order;
        connect(panel.Disable1, &DesktopLock::switchSet, this, [&](int which, bool on) {
            order << QStringLiteral("%1:%2:%3")
                         .arg(which)
                         .arg(on)
                         .arg(install.settings.read(QStringLiteral("disable"),
                                                    QStringLiteral("unset")));
        });
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True", "2:1:True"}));
        QVERIFY(panel.Disable1->cover());
        // No X11 here, so the keyboard cannot be held: the parent is told,
        // and pointed to the login session.
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("the \"Tobrin\" session")));
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True", "2:1:True", "1:0:False", "2:0:False"}));
        QVERIFY(!panel.Disable1->cover());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void okHidesAndTheNextVisitFindsEverythingAsLeft()
    {
        TestInstall install;
        auto form = install.window();
        form->show();
        Form2& panel = form->panel();
        QPointer<Form2> guard(&panel);
        QTimer::singleShot(0, [&] {
            QVERIFY(panel.isVisible());
            panel.VideoSoftIndexTab1->setCurrentTab(3);
            panel.Check1->setChecked(true);
            QTest::mouseClick(panel.Command1, Qt::LeftButton);
        });
        panel.showModal();
        QVERIFY(panel.isHidden());
        QTimer::singleShot(0, [&] {
            QCOMPARE(panel.VideoSoftIndexTab1->currentTab(), 3);
            QVERIFY(panel.Check1->isChecked());
            panel.close(); // the title bar's close only hides it too
        });
        panel.showModal();
        QVERIFY(guard);
        QVERIFY(panel.isHidden());
        QVERIFY(panel.Check1->isChecked());
    }
};

class DesktopLockTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void coverFollowsTheSwitchesAndIsGivenBack()
    {
        QWidget browser;
        browser.show();
        QPointer<QWidget> cover;
        {
            DesktopLock lock(&browser);
            QVERIFY(!lock.cover());
            lock.setFirstSwitch(true);
            cover = lock.cover();
            QVERIFY(cover);
            QVERIFY(cover->isVisible());
            QVERIFY(cover->geometry().contains(browser.screen()->geometry()));
            QVERIFY(!(cover->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
            lock.setSecondSwitch(true);
            // Above the panels, with the browser window kept above the cover.
            QVERIFY(cover->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
            QVERIFY(browser.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
            QVERIFY(browser.isVisible());
            lock.setFirstSwitch(false);
            QVERIFY(!cover);
            QVERIFY(!(browser.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
            lock.setSecondSwitch(false);
            lock.setFirstSwitch(true);
            lock.setSecondSwitch(true);
            cover = lock.cover();
            QVERIFY(cover);
        }
        // The program ending gives everything back.
        QVERIFY(!cover);
        QVERIFY(!(browser.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
        QVERIFY(browser.isVisible());
    }
};

TOBRIN_TEST(PanelWindowTest);
TOBRIN_TEST(DesktopLockTest);
#include "panel_window_test.moc"
