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
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray end(const QByteArray& addresses, const QDateTime& at, int bars)
{
    return addresses + "\r\nFINISHED AT: " + SurfLog::logDateTime(at).toLatin1() + "\r\n\r\n" +
           QByteArray(bars, '|') + "\r\n";
}

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    // Close answered No, then ON answered Yes: two end records, the lock off.
    void wholeSession()
    {
        TestInstall install;
        install.setBytes(AppPaths::Log, "OLD\r\n");
        QVERIFY(install.settings.write(QStringLiteral("disable"), QStringLiteral("True")));
        const QDateTime t0 = install.clock.moment;
        auto form = install.window();
        form->show();
        form->Combo1->addItem(QStringLiteral("http://a.example/"));
        QSignalSpy lock(form->panel().Disable1, &DesktopLock::switchSet);

        const QDateTime t1 = t0.addSecs(1800);
        install.clock.moment = t1;
        MessageBox::queueAnswer(QMessageBox::No);
        QVERIFY(!form->close());
        QVERIFY(form->isVisible() && lock.isEmpty());
        form->Combo1->addItem(QStringLiteral("http://\u4f8b\u3048.jp/"));
        const QDateTime t2 = t0.addSecs(3600);
        install.clock.moment = t2;
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(form->VideoSoftElastic6, Qt::LeftButton);
        QCOMPARE(install.endProgramCalls, 1);
        // Whatever close request follows the Yes writes and asks nothing more.
        QVERIFY(form->close());
        QCOMPARE(install.endProgramCalls, 1);

        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].text, QStringLiteral("Are you sure you want to QUIT ?"));
        QCOMPARE(shown[1].title, QStringLiteral("Tobrin"));
        QCOMPARE(shown[1].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[1].icon, QMessageBox::Critical);
        QCOMPARE(shown[1].defaultButton, QMessageBox::No);
        // The lock goes off, first switch then second; the setting stays.
        QCOMPARE(lock, (QList<QList<QVariant>>{{1, false}, {2, false}}));
        QCOMPARE(install.settings.read(QStringLiteral("disable"), QString()),
                 QStringLiteral("True"));

        // The start page leads the history: the address check let it through.
        const QByteArray one = install.context().paths.pageAddress(AppPaths::IntroPage).toUtf8() +
                               "\r\nhttp://a.example/\r\n";
        QCOMPARE(install.bytes(AppPaths::Log),
                 "OLD\r\nSURFING: " + SurfLog::logDateTime(t0).toLatin1() + "\r\n\r\r\n" +
                     end(one, t1, 54) + end(one + "http://xn--r8jz45g.jp/\r\n", t2, 158));
    }

    void yesWithoutLockAndUnwritableLog()
    {
        TestInstall install;
        // A blocked start page leaves the history empty; a folder stands
        // where the log should be: the browser still starts and quits.
        install.setBytes(AppPaths::NoSurf, "intro\r\n");
        QVERIFY(QFile::remove(install.file(AppPaths::Log)));
        QVERIFY(QDir(install.dir()).mkpath(QStringLiteral("files/log.txt")));
        auto form = install.window();
        QCOMPARE(form->Combo1->count(), 0);
        SurfLogTab& tab = form->panel().surfLog();
        tab.fillNow();
        QList<MessageBox::Shown> told;
        QTRY_VERIFY((told += MessageBox::takeShown(), !told.isEmpty()));
        QVERIFY2(told[0].text.contains(QStringLiteral("could not be read")),
                 qPrintable(told[0].text));
        QTest::keyClicks(tab.Text2, QStringLiteral("note"));
        tab.Command5_Click();
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.logBytes(), QByteArray("note"));

        // Yes switches the lock off even though it was never on.
        QSignalSpy lock(form->panel().Disable1, &DesktopLock::switchSet);
        MessageBox::queueAnswer(QMessageBox::Yes);
        bool cancel = true;
        form->Form_Unload(cancel);
        QVERIFY(!cancel);
        QCOMPARE(install.endProgramCalls, 1);
        QCOMPARE(lock, (QList<QList<QVariant>>{{1, false}, {2, false}}));
        QCOMPARE(install.settings.read(QStringLiteral("disable"), "unset"), "unset");
    }
};

TOBRIN_TEST(SessionTest);
#include "session_test.moc"
