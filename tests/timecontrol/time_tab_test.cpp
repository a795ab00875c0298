#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/colors.h"
#include "shell/elastic_panel.h"
#include "shell/index_tab.h"
#include "shell/message_box.h"
#include "shell/twips.h"
#include "test_install.h"
#include "test_main.h"
#include "timecontrol/time_tab.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWebEngineProfile>

namespace {

QByteArray dayFile(const QMap<int, QByteArray>& values, int lines = 48)
{
    QByteArray bytes;
    for (int slot = 0; slot < lines; ++slot)
        bytes += values.value(slot, "0") + "\r\n";
    return bytes;
}

const QColor kRed = ColorValue::toColor(0xFF);
const QColor kBlue = ColorValue::toColor(0xFF0000);

// Every cell shows exactly the blocked slots: on and red, the rest off and blue.
bool gridShows(const TimeTab& tab, const QList<int>& blocked)
{
    for (int i = 0; i < 48; ++i) {
        const bool on = blocked.contains(i);
        if (tab.seg[i]->value() != on || tab.seg[i]->backColor() != (on ? kRed : kBlue)) {
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

} // namespace

class TimeTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void layout()
    {
        TestInstall install;
        auto form = install.window();
        TimeTab& tab = form->panel().time();
        QCOMPARE(tab.VideoSoftIndexTab2->captions(), QStringLiteral("Mon|Tue|Wed|Thu|Fri|Sat|Sun"));
        QCOMPARE(tab.findChildren<ElasticPanel*>(QStringLiteral("seg")).size(), 48);
        QCOMPARE(tab.seg[0]->parentWidget(), tab.Picture1);
        QCOMPARE(tab.seg[0]->geometry(), twipsRect(675, 75, 390, 165));
        QCOMPARE(tab.seg[47]->geometry(), twipsRect(1125, 75 + 150 * 23, 390, 165));
        QVERIFY(tab.seg[0]->geometry().intersects(tab.seg[1]->geometry())); // rows overlap
        // Each hour stands level with its full-hour cell, left or right of its column.
        QCOMPARE(tab.Label2[11]->text(), QStringLiteral("11:00"));
        QCOMPARE(tab.Label2[11]->y(), tab.seg[22]->y());
        QVERIFY(tab.Label2[11]->x() < tab.seg[22]->x());
        QCOMPARE(tab.Label2[23]->text(), QStringLiteral("23:00"));
        QCOMPARE(tab.Label2[23]->y(), tab.seg[46]->y());
        QVERIFY(tab.Label2[23]->x() > tab.seg[46]->x());
    }

    void clicksFlipWithoutWriting()
    {
        TestInstall install;
        auto form = install.window();
        TimeTab& tab = form->panel().time();
        form->panel().show();
        const QByteArray before = install.bytes("/buffer/buf1.log");

        QVERIFY(gridShows(tab, {}));
        QTest::mouseClick(tab.seg[5], Qt::LeftButton);
        QVERIFY(gridShows(tab, {5}));
        QTest::mouseClick(tab.seg[5], Qt::LeftButton);
        QTest::mouseClick(tab.seg[40], Qt::LeftButton);
        QVERIFY(gridShows(tab, {40}));
        QCOMPARE(install.bytes("/buffer/buf1.log"), before);
    }

    void switchSavesTheDayLeftAndShowsTheDayEntered()
    {
        TestInstall install;
        // Monday: a 2 shows as blocked; 60 lines are cut to 48 when saved.
        install.setBytes("/buffer/buf1.log", dayFile({{3, "1"}, {4, "2"}, {50, "1"}}, 60));
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        TimeTab& tab = form->panel().time();
        form->panel().show();
        QVERIFY(gridShows(tab, {3, 4}));

        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        clickTab(tab, 1);
        QCOMPARE(tab.VideoSoftIndexTab2->currentTab(), 1);
        QCOMPARE(install.bytes("/buffer/buf1.log"), dayFile({{3, "1"}, {4, "1"}, {7, "1"}}));
        QVERIFY(gridShows(tab, {10})); // Monday's red cells turn blue

        // Leaving an unchanged day rewrites it whole all the same.
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}, 60));
        install.setBytes("/buffer/buf3.log", QByteArray()); // short file: all allowed
        clickTab(tab, 2);
        QCOMPARE(install.bytes("/buffer/buf2.log"), dayFile({{10, "1"}}));
        QVERIFY(gridShows(tab, {}));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void applyWritesTheSelectedDayOnly()
    {
        TestInstall install;
        auto form = install.window();
        TimeTab& tab = form->panel().time();
        form->panel().show();
        tab.VideoSoftIndexTab2->setCurrentTab(2); // Wed
        QFile::remove(install.file("/buffer/buf3.log"));
        QList<QByteArray> before;
        for (int day = 1; day <= 7; ++day)
            before << install.bytes(QStringLiteral("/buffer/buf%1.log").arg(day));

        QTest::mouseClick(tab.seg[0], Qt::LeftButton);
        QTest::mouseClick(tab.seg[47], Qt::LeftButton);
        QTest::mouseClick(tab.Command7, Qt::LeftButton);
        for (int day = 1; day <= 7; ++day) {
            const QByteArray now = install.bytes(QStringLiteral("/buffer/buf%1.log").arg(day));
            if (day == 3)
                QCOMPARE(now, dayFile({{0, "1"}, {47, "1"}}));
            else
                QCOMPARE(now, before[day - 1]);
        }
        QVERIFY(MessageBox::takeShown().isEmpty());
        QVERIFY(gridShows(tab, {0, 47}));
    }

    void failedSaveKeepsTheGrid()
    {
        TestInstall install;
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        TimeTab& tab = form->panel().time();
        form->panel().show();
        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        // A folder where Monday's file should be: no save can replace it.
        QVERIFY(QFile::remove(install.file("/buffer/buf1.log")));
        QVERIFY(QDir().mkdir(install.file("/buffer/buf1.log")));

        QTest::mouseClick(tab.Command7, Qt::LeftButton);
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY(gridShows(tab, {7}));

        // The switch does not happen: Monday's edits stay under "Mon".
        clickTab(tab, 1);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(tab.VideoSoftIndexTab2->currentTab(), 0);
        QCOMPARE(tab.VideoSoftIndexTab2->tabBar()->currentIndex(), 0);
        QVERIFY(gridShows(tab, {7}));
        QCOMPARE(install.bytes("/buffer/buf2.log"), dayFile({{10, "1"}}));

        // Once the folder is gone, the same switch saves and moves on.
        QVERIFY(QDir().rmdir(install.file("/buffer/buf1.log")));
        clickTab(tab, 1);
        QCOMPARE(install.bytes("/buffer/buf1.log"), dayFile({{7, "1"}}));
        QVERIFY(gridShows(tab, {10}));
        QVERIFY(MessageBox::takeShown().isEmpty());

        // A day that cannot be read is shown as allowed, and the parent is told.
        QVERIFY(QFile::remove(install.file("/buffer/buf3.log")));
        QVERIFY(QDir().mkdir(install.file("/buffer/buf3.log")));
        clickTab(tab, 2);
        QVERIFY(gridShows(tab, {}));
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("buf3.log")));
    }
};

TOBRIN_TEST(TimeTabTest);
#include "time_tab_test.moc"
