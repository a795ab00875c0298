#include "platform/color_dialog.h"
#include "test_install.h"

class PanelWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void createdHiddenWithItsCaptions()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        QVERIFY(panel.isHidden());
        QCOMPARE(panel.windowTitle(), u" Parental Remote Control"_s);
        QCOMPARE(panel.VideoSoftIndexTab1->captions(),
                 u"General|Addresses|Favorites|Time|Surf Log|Password"_s);
        QStringList captions;
        for (QObject* control : std::initializer_list<QObject*>{
                 panel.Command1, panel.Frame1, panel.Check1, panel.Check2, panel.Check3,
                 panel.Check4, panel.Frame3, panel.Command8, panel.Command9, panel.Label11})
            captions << control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text")
                            .toString();
        QCOMPARE(captions, (QStringList{"&O K", "Control", "Stop &Addresses Control",
                                        "Stop &Time Control", "Surf ONLY in Favorites Sites",
                                        "Disable the Desktop and the Windows Taskbar", "Colors",
                                        "TV Color", "Legend Color", "legend"}));
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
        // The next start shows the stored colours (the frame's: the browser window test).
        form = install.window();
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

    // Where the keyboard cannot be held (no X11 here) the cover alone keeps
    // the desktop out of reach; the keyboard hold is the end-to-end scenario's.
    void desktopLockStoresFirstThenSwitchesInOrder()
    {
        TestInstall install;
        auto form = install.window();
        form->show();
        Form2& panel = form->panel();
        auto onTop = [](QWidget* w) {
            return bool(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        };
        // Each switch as set: the stored value, and whether the cover is above the panels.
        QStringList order;
        connect(panel.Disable1, &DesktopLock::switchSet, this, [&](int which, bool on) {
            QWidget* cover = panel.Disable1->cover();
            order << u"%1:%2:%3:%4"_s.arg(which)
                         .arg(on)
                         .arg(install.settings.read(u"disable"_s, "unset"))
                         .arg(cover && onTop(cover) ? u"top"_s : QString());
        });
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True:", "2:1:True:top"}));
        const QPointer<QWidget> cover = panel.Disable1->cover();
        QVERIFY(cover && cover->isVisible());
        QVERIFY(cover->geometry().contains(form->screen()->geometry()));
        // Above the panels, with the browser window kept above the cover.
        QVERIFY(onTop(cover) && onTop(form.get()));
        // The parent is told the keyboard is not held, and pointed to the login session.
        QVERIFY(shownBox().contains(u"the \"Tobrin\" session"_s));
        QTest::mouseClick(panel.Check4, Qt::LeftButton);
        QCOMPARE(order, (QStringList{"1:1:True:", "2:1:True:top", "1:0:False:", "2:0:False:"}));
        QVERIFY(!cover && !onTop(form.get()) && form->isVisible());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }
};

TOBRIN_TEST(PanelWindowTest);
#include "panel_window_test.moc"
