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
#include <QTest>

namespace {

// Opens the panel on the Surf Log tab, as the parent does.
SurfLogTab& openTab(Form1& form)
{
    form.panel().show();
    form.panel().VideoSoftIndexTab1->setCurrentTab(4);
    return form.panel().surfLog();
}

} // namespace

class SurfLogTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void clearUndoAndApply()
    {
        TestInstall install;
        install.setBytes(AppPaths::Log, "SURFING: x\r\n\r\r\nhttp://a\r\n");
        auto form = install.window(false);
        SurfLogTab& tab = openTab(*form);
        QTRY_VERIFY(tab.isFilled());
        // The lone CR shows as a second empty line; Apply adds one CR LF.
        QCOMPARE(tab.Text2->toPlainText(), QStringLiteral("SURFING: x\n\n\nhttp://a\n"));
        const QByteArray applied = "SURFING: x\r\n\r\n\r\nhttp://a\r\n\r\n";
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), applied);

        // Clear, Apply, Undo, Apply: the cleared text comes back in the box only.
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Undo"));
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), QByteArray("\r\n"));
        QTest::keyClicks(tab.Text2, QStringLiteral("typed"));
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QTRY_VERIFY(tab.isFilled());
        QCOMPARE(tab.Command2->text(), QStringLiteral("&Clear"));
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), applied);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void keepsEveryByteOfLargeLogs()
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
        SurfLogTab& tab = openTab(*form);
        // Apply at once, even while the box still fills, writes the whole log.
        tab.Command5_Click();
        QCOMPARE(install.bytes(AppPaths::Log), log + "\r\n");
        // Every byte shows as its character: 0x80 as the euro sign, 0xA0 as a no-break space.
        const QString first = QStringLiteral("\x01\t") + CodePage().decode(high);
        QVERIFY(first.contains(QChar(0x20AC)) && first.contains(QChar(0xA0)));
        QVERIFY(tab.Text2->document()->toRawText().startsWith(first));
    }

    // The box holds the log as it was when the panel was created, and Apply
    // keeps the records the browser wrote after that.
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
            form->panel();
            MessageBox::queueAnswer(QMessageBox::No);
            form->VideoSoftElastic6_Click();
            const QByteArray declined = install.bytes(AppPaths::Log).mid(5 + record.size());
            SurfLogTab& tab = openTab(*form);
            QTRY_VERIFY(tab.isFilled());
            QCOMPARE(tab.logBytes(),
                     panelFirst ? QByteArray("OLD\r\n")
                                : "OLD\r\n" + QByteArray(record).replace("\r\r\n", "\r\n\r\n"));
            tab.Text2->setPlainText(QStringLiteral("edited"));
            tab.Command5_Click();
            QCOMPARE(install.bytes(AppPaths::Log),
                     "edited\r\n" + (panelFirst ? record + declined : declined));
        }
    }
};

TOBRIN_TEST(SurfLogTabTest);
#include "surf_log_tab_test.moc"
