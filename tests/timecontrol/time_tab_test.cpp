#include "day_file.h"
#include "panel/panel_window.h"
#include "platform/colors.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"
#include "timecontrol/time_tab.h"

#include <QDir>
#include <QTabBar>
#include <QTest>

namespace {

// Every cell shows exactly the blocked slots: on and red, the rest off and blue.
bool gridShows(const TimeTab& tab, const QList<int>& blocked)
{
    for (int i = 0; i < 48; ++i) {
        const bool on = blocked.contains(i);
        if (tab.seg[i]->value() != on ||
            tab.seg[i]->backColor() != ColorValue::toColor(on ? 0xFF : 0xFF0000))
            return false;
    }
    return true;
}

// As a click on a weekday's tab does.
void clickTab(TimeTab& tab, int index)
{
    tab.VideoSoftIndexTab2->tabBar()->setCurrentIndex(index);
}

} // namespace

class TimeTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void switchSavesTheDayLeftAndShowsTheDayEntered()
    {
        TestInstall install;
        // Monday: a 2 shows as blocked; 60 lines are cut to 48 when saved.
        install.setBytes("/buffer/buf1.log", dayFile({{3, "1"}, {4, "2"}, {50, "1"}}, 60));
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        form->panel().VideoSoftIndexTab1->setCurrentTab(3);
        form->panel().show();
        TimeTab& tab = form->panel().time();
        auto day = [&](int d) { return install.bytes(QStringLiteral("/buffer/buf%1.log").arg(d)); };
        const QByteArray monday = day(1);
        QVERIFY(gridShows(tab, {3, 4}));

        // Clicks flip and recolour, and write nothing.
        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        QTest::mouseClick(tab.seg[3], Qt::LeftButton);
        QVERIFY(gridShows(tab, {4, 7}));
        QCOMPARE(day(1), monday);
        clickTab(tab, 1);
        QCOMPARE(day(1), dayFile({{4, "1"}, {7, "1"}}));
        QVERIFY(gridShows(tab, {10}));

        // A day that cannot be saved: the switch does not happen, the edits stay.
        QTest::mouseClick(tab.seg[11], Qt::LeftButton);
        const QString tuesday = install.file("/buffer/buf2.log");
        QVERIFY(QFile::remove(tuesday) && QDir().mkdir(tuesday));
        clickTab(tab, 2);
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.VideoSoftIndexTab2->tabBar()->currentIndex(), 1);
        QVERIFY(gridShows(tab, {10, 11}));
        QVERIFY(QDir().rmdir(tuesday));

        // Apply writes the shown day's file only.
        QList<QByteArray> before;
        for (int d = 1; d <= 7; ++d)
            before << day(d);
        QTest::mouseClick(tab.Command7, Qt::LeftButton);
        before[1] = dayFile({{10, "1"}, {11, "1"}});
        for (int d = 1; d <= 7; ++d)
            QCOMPARE(day(d), before[d - 1]);

        // A day that cannot be read is shown as allowed, and the parent is told.
        const QString wednesday = install.file("/buffer/buf3.log");
        QVERIFY(QFile::remove(wednesday) && QDir().mkdir(wednesday));
        clickTab(tab, 2);
        QVERIFY(gridShows(tab, {}));
        QVERIFY(MessageBox::takeShown().value(0).text.contains(QStringLiteral("buf3.log")));
    }
};

TOBRIN_TEST(TimeTabTest);
#include "time_tab_test.moc"
