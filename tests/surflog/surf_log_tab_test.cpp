#include "panel/panel_window.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/text_file.h"
#include "shell/browser_window.h"
#include "surflog/surf_log_tab.h"
#include "test_install.h"
#include "test_main.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWebEngineProfile>

namespace {

constexpr int kSurfLogTab = 4;

// Opens the panel on the Surf Log tab, as the parent does, and waits until
// the box holds the log (callers check that it does).
SurfLogTab& openTab(Form1& form)
{
    Form2& panel = form.panel();
    panel.show();
    panel.VideoSoftIndexTab1->setCurrentTab(kSurfLogTab);
    SurfLogTab& tab = panel.surfLog();
    (void)QTest::qWaitFor([&] { return tab.isFilled(); }, 60000);
    return tab;
}

// The lines the parent sees in the box.
QStringList shownLines(const SurfLogTab& tab)
{
    return tab.Text2->toPlainText().split(u'\n');
}

} // namespace

class SurfLogTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void showsAndWritesBackTheLog()
    {
        TestInstall install;
        const QByteArray log = "SURFING: x\r\n\r\r\nhttp://a\r\n";
        install.setBytes(AppPaths::Log, log);
        auto form = install.window(false);
        SurfLogTab& tab = openTab(*form);
        QVERIFY(tab.isFilled());
        QCOMPARE(tab.Text2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Clear"));
        // The lone CR shows as a second empty line; Apply adds one CR LF.
        QCOMPARE(shownLines(tab), (QStringList{"SURFING: x", "", "", "http://a", ""}));
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log),
                 QByteArray("SURFING: x\r\n\r\n\r\nhttp://a\r\n\r\n"));

        // Clear, Apply, Undo, Apply: the cleared text comes back in the box only.
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Undo"));
        QCOMPARE(tab.logBytes(), QByteArray());
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), QByteArray("\r\n"));
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Undo"));
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QTRY_VERIFY(tab.isFilled());
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Clear"));
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log),
                 QByteArray("SURFING: x\r\n\r\n\r\nhttp://a\r\n\r\n"));

        // Clear, type, Undo: the typed text gives way to the cleared one.
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QTest::keyClicks(tab.Text2, QStringLiteral("typed"));
        QCOMPARE(tab.logBytes(), QByteArray("typed"));
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QTRY_VERIFY(tab.isFilled());
        QCOMPARE(tab.logBytes(), QByteArray("SURFING: x\r\n\r\n\r\nhttp://a\r\n"));

        // An emptied box writes just CR LF; no message for a successful Apply.
        tab.Text2->selectAll();
        QTest::keyClick(tab.Text2, Qt::Key_Delete);
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), QByteArray("\r\n"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void keepsEveryByteAndLargeLogs()
    {
        TestInstall install;
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(char(b));
        QByteArray log = "\x01\t" + high + "\r\n";
        // Enough lines that the box is filled in several slices.
        for (int i = 0; i < 60000; ++i)
            log += "http://www.example.org/page/" + QByteArray::number(i) + "\r\n";
        install.setBytes(AppPaths::Log, log);
        auto form = install.window(false);
        SurfLogTab& tab = form->panel().surfLog();
        form->panel().show();
        form->panel().VideoSoftIndexTab1->setCurrentTab(kSurfLogTab);
        // Apply at once, even while the box still fills, writes the whole log.
        tab.Command5_Click();
        QVERIFY(tab.isFilled());
        QCOMPARE(install.bytes(AppPaths::Log), log + "\r\n");
        // Every byte shows as its character: 0x80 as the euro sign, 0xA0 as a no-break space.
        const QString first = QStringLiteral("\x01\t") + CodePage().decode(high);
        QVERIFY(first.contains(QChar(0x20AC)) && first.contains(QChar(0xA0)));
        QVERIFY(tab.Text2->document()->toRawText().startsWith(first));
        QCOMPARE(shownLines(tab).size(), 60002);
    }

    void panelCreatedBeforeOrAfterTheStartRecord()
    {
        for (const bool panelFirst : {true, false}) {
            TestInstall install;
            install.setBytes(AppPaths::Log, "OLD\r\n");
            auto form = install.window(false);
            if (panelFirst)
                form->panel();
            form->SurfLogStart();
            const QByteArray record = install.bytes(AppPaths::Log).mid(5);
            QVERIFY(record.startsWith("SURFING: "));
            form->panel();
            MessageBox::queueAnswer(QMessageBox::No);
            form->VideoSoftElastic6_Click();
            const QByteArray declined = install.bytes(AppPaths::Log).mid(5 + record.size());

            // The box holds the log as it was when the panel was created...
            SurfLogTab& tab = openTab(*form);
            const QByteArray recordShown = QByteArray(record).replace("\r\r\n", "\r\n\r\n");
            QCOMPARE(tab.logBytes(), panelFirst ? QByteArray("OLD\r\n") : "OLD\r\n" + recordShown);
            // ...and Apply keeps the records the browser wrote after that.
            QTest::mouseClick(tab.Command2, Qt::LeftButton);
            QTest::mouseClick(tab.Command5, Qt::LeftButton);
            QCOMPARE(install.bytes(AppPaths::Log),
                     panelFirst ? "\r\n" + record + declined : "\r\n" + declined);
            QTest::keyClicks(tab.Text2, QStringLiteral("edited"));
            QTest::mouseClick(tab.Command5, Qt::LeftButton);
            QCOMPARE(install.bytes(AppPaths::Log),
                     "edited\r\n" + (panelFirst ? record + declined : declined));
        }
    }
};

TOBRIN_TEST(SurfLogTabTest);
#include "surf_log_tab_test.moc"
