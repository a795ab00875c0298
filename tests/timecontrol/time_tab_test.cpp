#include "day_file.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/colors.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "test_install.h"
#include "test_main.h"
#include "timecontrol/time_tab.h"

#include <QDir>
#include <QLabel>
#include <QTabBar>
#include <QTest>
#include <QWebEngineProfile>

namespace {

// Every cell shows exactly the blocked slots: on and red, the rest off and blue.
bool gridShows(const TimeTab& tab, const QList<int>& blocked)
{
    for (int i = 0; i < 48; ++i) {
        const bool on = blocked.contains(i);
        const QColor color = ColorValue::toColor(on ? 0xFF : 0xFF0000);
        if (tab.seg[i]->value() != on || tab.seg[i]->backColor() != color) {
            qWarning("cell %d: value %d", i, int(tab.seg[i]->value()));
            return false;
        }
    }
    return true;
}

void clickTab(TimeTab& tab, int index)
{
    QTabBar* bar = tab.VideoSoftIndexTab2->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QByteArray bufBytes(const TestInstall& install, int day)
{
    return install.bytes(QStringLiteral("/buffer/buf%1.log").arg(day));
}

// The Time tab of the shown panel.
TimeTab& shownTab(Form1& form)
{
    form.panel().show();
    return form.panel().time();
}

} // namespace

class TimeTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void layout()
    {
        TestInstall install;
        auto form = install.window();
        const TimeTab& tab = shownTab(*form);
        QCOMPARE(tab.VideoSoftIndexTab2->captions(), QStringLiteral("Mon|Tue|Wed|Thu|Fri|Sat|Sun"));
        QCOMPARE(tab.findChildren<ElasticPanel*>(QStringLiteral("seg")).size(), 48);
        QCOMPARE(tab.seg[47]->geometry(), twipsRect(1125, 75 + 150 * 23, 390, 165));
        QVERIFY(tab.seg[0]->geometry().intersects(tab.seg[1]->geometry())); // rows overlap
        // Each hour stands level with its full-hour cell, left or right of its column.
        QCOMPARE(tab.Label2[11]->text(), QStringLiteral("11:00"));
        QCOMPARE(tab.Label2[11]->y(), tab.seg[22]->y());
        QVERIFY(tab.Label2[11]->x() < tab.seg[22]->x());
        QCOMPARE(tab.Label2[23]->y(), tab.seg[46]->y());
        QVERIFY(tab.Label2[23]->x() > tab.seg[46]->x());
    }

    void switchSavesTheDayLeftAndShowsTheDayEntered()
    {
        TestInstall install;
        // Monday: a 2 shows as blocked; 60 lines are cut to 48 when saved.
        install.setBytes("/buffer/buf1.log", dayFile({{3, "1"}, {4, "2"}, {50, "1"}}, 60));
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        TimeTab& tab = shownTab(*form);
        const QByteArray monday = bufBytes(install, 1);
        QVERIFY(gridShows(tab, {3, 4}));

        // Clicks flip and recolour, and write nothing.
        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        QTest::mouseClick(tab.seg[3], Qt::LeftButton);
        QVERIFY(gridShows(tab, {4, 7}));
        QCOMPARE(bufBytes(install, 1), monday);

        clickTab(tab, 1);
        QCOMPARE(tab.VideoSoftIndexTab2->currentTab(), 1);
        QCOMPARE(bufBytes(install, 1), dayFile({{4, "1"}, {7, "1"}}));
        QVERIFY(gridShows(tab, {10})); // Monday's red cells turn blue

        // Leaving an unchanged day rewrites it whole all the same.
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}, 60));
        install.setBytes("/buffer/buf3.log", QByteArray()); // empty file: all allowed
        clickTab(tab, 2);
        QCOMPARE(bufBytes(install, 2), dayFile({{10, "1"}}));
        QVERIFY(gridShows(tab, {}));

        // Apply on Wednesday writes Wednesday's file only.
        QList<QByteArray> before;
        for (int day = 1; day <= 7; ++day)
            before << bufBytes(install, day);
        QTest::mouseClick(tab.seg[0], Qt::LeftButton);
        QTest::mouseClick(tab.seg[47], Qt::LeftButton);
        QTest::mouseClick(tab.Command7, Qt::LeftButton);
        before[2] = dayFile({{0, "1"}, {47, "1"}});
        for (int day = 1; day <= 7; ++day)
            QCOMPARE(bufBytes(install, day), before[day - 1]);
        QVERIFY(gridShows(tab, {0, 47}));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void failedSaveKeepsTheGrid()
    {
        TestInstall install;
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        TimeTab& tab = shownTab(*form);
        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        // A folder where Monday's file should be: no save can replace it.
        const QString monday = install.file("/buffer/buf1.log");
        QVERIFY(QFile::remove(monday) && QDir().mkdir(monday));

        // The switch does not happen: Monday's edits stay under "Mon".
        clickTab(tab, 1);
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(tab.VideoSoftIndexTab2->currentTab(), 0);
        QCOMPARE(tab.VideoSoftIndexTab2->tabBar()->currentIndex(), 0);
        QVERIFY(gridShows(tab, {7}));
        QCOMPARE(bufBytes(install, 2), dayFile({{10, "1"}}));

        // Once the folder is gone, the same switch saves and moves on.
        QVERIFY(QDir().rmdir(monday));
        clickTab(tab, 1);
        QCOMPARE(bufBytes(install, 1), dayFile({{7, "1"}}));
        QVERIFY(gridShows(tab, {10}));
        QVERIFY(MessageBox::takeShown().isEmpty());

        // A day that cannot be read is shown as allowed, and the parent is told.
        const QString wednesday = install.file("/buffer/buf3.log");
        QVERIFY(QFile::remove(wednesday) && QDir().mkdir(wednesday));
        clickTab(tab, 2);
        QVERIFY(gridShows(tab, {}));
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("buf3.log")));
    }
};

TOBRIN_TEST(TimeTabTest);
#include "time_tab_test.moc"
