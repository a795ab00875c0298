#include "panel/panel_window.h"
#include "platform/color_dialog.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

class PanelWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void createdHiddenWithItsCaptions()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        QVERIFY(panel.isHidden());
        QCOMPARE(panel.windowTitle(), u" Parental Remote Control"_s);
        QCOMPARE(panel.VideoSoftIndexTab1->captions(),
                 u"General|Addresses|Favorites|Time|Surf Log|Password"_s);
        const QList<std::pair<QObject*, QString>> captions = {
            {panel.Command1, "&O K"},
            {panel.Frame1, "Control"},
            {panel.Check1, "Stop &Addresses Control"},
            {panel.Check2, "Stop &Time Control"},
            {panel.Check3, "Surf ONLY in Favorites Sites"},
            {panel.Check4, "Disable the Desktop and the Windows Taskbar"},
            {panel.Frame3, "Colors"},
            {panel.Command8, "TV Color"},
            {panel.Command9, "Legend Color"},
            {panel.Label11, "legend"}};
        for (const auto& [control, caption] : captions)
            QCOMPARE(control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text"),
                     QVariant(caption));
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
        ColorDialog::queueAnswer(QColor(255, 0, 0));
        QTest::mouseClick(form->panel().tvfake, Qt::LeftButton);
        ColorDialog::queueAnswer(std::nullopt); // Cancel changes nothing
        QTest::mouseClick(form->panel().Command8, Qt::LeftButton);
        ColorDialog::queueAnswer(QColor(0, 0, 255));
        QTest::mouseClick(form->panel().Label11, Qt::LeftButton);
        QCOMPARE(install.settings.read(u"color"_s, QString()), "255");
        QCOMPARE(install.settings.read(u"legendcolor"_s, QString()), "16711680");
        QCOMPARE(form->rodape->foreColor(), QColor(0, 0, 255));
        // The next start shows the stored colours in the frame and the miniature.
        form = install.window();
        QCOMPARE(form->rodape->backColor(), QColor(255, 0, 0));
        QCOMPARE(form->panel().tvfake->backColor(), QColor(255, 0, 0));
        QCOMPARE(form->panel().Label11->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        // A colour that cannot be stored is told, and still shown.
        QVERIFY(QFile::remove(install.settings.filePath()) &&
                QDir().mkpath(install.settings.filePath()));
        ColorDialog::queueAnswer(QColor(0, 128, 0));
        QTest::mouseClick(form->panel().Command9, Qt::LeftButton);
        QCOMPARE(form->rodape->foreColor(), QColor(0, 128, 0));
        QVERIFY(MessageBox::takeShown().value(0).text.contains(u"legendcolor"_s));
    }

    void desktopLockStoresFirstThenSwitchesInOrder()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        QStringList order;
        connect(panel.Disable1, &DesktopLock::switchSet, this, [&](int which, bool on) {
            order << u"%1:%2:%3"_s.arg(which).arg(on).arg(
                install.settings.read(u"disable"_s, "unset"));
        });
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True", "2:1:True"}));
        QVERIFY(panel.Disable1->cover());
        // No X11 here, so the keyboard cannot be held: the parent is told,
        // and pointed to the login session.
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(u"the \"Tobrin\" session"_s));
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True", "2:1:True", "1:0:False", "2:0:False"}));
        QVERIFY(!panel.Disable1->cover());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void coverFollowsTheSwitchesAndIsGivenBack()
    {
        QWidget browser;
        browser.show();
        auto onTop = [](QWidget* w) {
            return bool(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        };
        QPointer<QWidget> cover;
        {
            DesktopLock lock(&browser);
            lock.setFirstSwitch(true);
            cover = lock.cover();
            QVERIFY(cover && cover->isVisible() && !onTop(cover));
            QVERIFY(cover->geometry().contains(browser.screen()->geometry()));
            lock.setSecondSwitch(true);
            // Above the panels, with the browser window kept above the cover.
            QVERIFY(onTop(cover) && onTop(&browser));
            lock.setFirstSwitch(false);
            QVERIFY(!cover && !onTop(&browser));
            lock.setFirstSwitch(true);
            cover = lock.cover();
        }
        // The program ending gives everything back.
        QVERIFY(!cover && !onTop(&browser) && browser.isVisible());
    }
};

TOBRIN_TEST(PanelWindowTest);
#include "panel_window_test.moc"
