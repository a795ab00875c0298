#include "panel/panel_window.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "surflog/log_records.h"
#include "surflog/surf_log_tab.h"
#include "test_install.h"
#include "test_main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineProfile>

namespace {

QByteArray start(const QDateTime& at)
{
    return "SURFING: " + SurfLog::logDateTime(at, CodePage()).toLatin1() + "\r\n\r\r\n";
}

QByteArray end(const QByteArray& addresses, const QDateTime& at, int bars)
{
    return addresses + "\r\nFINISHED AT: " + SurfLog::logDateTime(at, CodePage()).toLatin1() +
           "\r\n\r\n" + QByteArray(bars, '|') + "\r\n";
}

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void wholeSession_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("close: No, then ON: Yes") << true;
        QTest::newRow("ON: No, then close: Yes") << false;
    }
    void wholeSession()
    {
        QFETCH(bool, closeFirst);
        TestInstall install;
        install.setBytes(AppPaths::Log, "OLD\r\n");
        QVERIFY(install.settings.write(QStringLiteral("disable"), QStringLiteral("True")));
        const QDateTime t0 = install.clock.moment;
        auto form = install.window();
        form->show();
        form->Combo1->addItem(QStringLiteral("http://a.example/"));
        form->Combo1->addItem(QStringLiteral("http://b.example/x?y=1"));
        QSignalSpy lock(form->panel().Disable1, &DesktopLock::switchSet);

        auto quit = [&](bool byClose, QMessageBox::StandardButton answer) {
            MessageBox::queueAnswer(answer);
            if (byClose)
                return form->close();
            QTest::mouseClick(form->VideoSoftElastic6, Qt::LeftButton);
            return false;
        };

        const QDateTime t1 = t0.addSecs(1800);
        install.clock.moment = t1;
        QVERIFY(!quit(closeFirst, QMessageBox::No));
        QVERIFY(form->isVisible());
        QCOMPARE(install.endProgramCalls, 0);
        QVERIFY(lock.isEmpty());
        form->Combo1->addItem(QStringLiteral("http://\u4f8b\u3048.jp/"));

        const QDateTime t2 = t0.addSecs(3600);
        install.clock.moment = t2;
        quit(!closeFirst, QMessageBox::Yes);
        QCOMPARE(install.endProgramCalls, 1);
        // Whatever close request follows the Yes writes and asks nothing more.
        QVERIFY(form->close());
        QTest::mouseClick(form->VideoSoftElastic6, Qt::LeftButton);
        QCOMPARE(install.endProgramCalls, 1);

        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        for (const MessageBox::Shown& box : shown) {
            QCOMPARE(box.text, QStringLiteral("Are you sure you want to QUIT ?"));
            QCOMPARE(box.title, QStringLiteral("Tobrin"));
            QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(box.icon, QMessageBox::Critical);
            QCOMPARE(box.defaultButton, QMessageBox::No);
        }
        // The lock goes off, first switch then second; the setting stays.
        QCOMPARE(lock.size(), 2);
        QCOMPARE(lock[0], (QList<QVariant>{1, false}));
        QCOMPARE(lock[1], (QList<QVariant>{2, false}));
        QCOMPARE(install.settings.read(QStringLiteral("disable"), QString()),
                 QStringLiteral("True"));

        // The start page leads the history: the address check let it through.
        const QByteArray two = install.context().paths.pageAddress(AppPaths::IntroPage).toUtf8() +
                               "\r\nhttp://a.example/\r\nhttp://b.example/x?y=1\r\n";
        QCOMPARE(install.bytes(AppPaths::Log),
                 "OLD\r\n" + start(t0) + end(two, t1, closeFirst ? 54 : 158) +
                     end(two + "http://xn--r8jz45g.jp/\r\n", t2, closeFirst ? 158 : 54));
    }

    void emptyHistoryAndUnwritableLog()
    {
        {
            TestInstall install;
            // A blocked start page leaves the history empty.
            install.setBytes(AppPaths::NoSurf, "intro\r\n");
            auto form = install.window();
            QCOMPARE(form->Combo1->count(), 0);
            MessageBox::queueAnswer(QMessageBox::Yes);
            form->VideoSoftElastic6_Click();
            QCOMPARE(install.endProgramCalls, 1);
            QCOMPARE(install.bytes(AppPaths::Log),
                     start(install.clock.moment) + end("", install.clock.moment, 158));
            QCOMPARE(MessageBox::takeShown().size(), 1);
        }
        // A folder where the log should be: the browser still starts, the
        // parent is told when the tab opens and at Apply, and quitting works.
        TestInstall install;
        QVERIFY(QFile::remove(install.file(AppPaths::Log)));
        QVERIFY(QDir(install.dir()).mkpath(QStringLiteral("files/log.txt")));
        auto form = install.window();
        QVERIFY(form->panelLoaded());
        SurfLogTab& tab = form->panel().surfLog();
        tab.fillNow();
        QList<MessageBox::Shown> told;
        QTRY_VERIFY((told += MessageBox::takeShown(), !told.isEmpty()));
        QCOMPARE(told[0].icon, QMessageBox::Warning);
        QVERIFY2(told[0].text.contains(QStringLiteral("could not be read")),
                 qPrintable(told[0].text));
        QTest::keyClicks(tab.Text2, QStringLiteral("note"));
        tab.Command5_Click();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(tab.logBytes(), QByteArray("note"));
        MessageBox::queueAnswer(QMessageBox::Yes);
        bool cancel = true;
        form->Form_Unload(cancel);
        QVERIFY(!cancel);
        QCOMPARE(install.endProgramCalls, 1);
    }
};

TOBRIN_TEST(SessionTest);
#include "session_test.moc"
