#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "surflog/log_records.h"
#include "surflog/session_log.h"
#include "surflog/surf_log_tab.h"
#include "test_install.h"
#include "test_main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebEngineProfile>

#include <csignal>
#include <sys/resource.h>

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

// Opens the panel as the parent does and closes it; returns what it told.
QList<MessageBox::Shown> openPanel(Form1& form)
{
    Form2& panel = form.panel();
    QTimer::singleShot(0, &panel,
                       [&panel] { QTimer::singleShot(0, &panel, [&panel] { panel.hide(); }); });
    panel.showModal();
    return MessageBox::takeShown();
}

// A largest file size for this process: writes beyond it fail as on a full disk.
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    setrlimit(RLIMIT_FSIZE, &limit);
}

// A browser session that allows address after address until it is killed,
// saying each one once it has been let through.
int surfUntilKilled()
{
    SystemClock clock;
    SessionLog log(
        AppContext{AppPaths(qEnvironmentVariable("TOBRIN_SURF_DIR")), nullptr, &clock, {}, {}});
    std::fputs("ready\n", stdout), std::fflush(stdout);
    log.begin();
    log.writeStart(SurfLog::logDateTime(clock.now(), CodePage()));
    const QByteArray round = qgetenv("TOBRIN_SURF_ROUND");
    for (int i = 0;; ++i) {
        const QByteArray address = "http://r" + round + ".example/" + QByteArray::number(i);
        log.addressAllowed(QString::fromLatin1(address));
        std::printf("%s\n", address.constData()), std::fflush(stdout);
    }
}

const int registered = registerTestChild("surf", surfUntilKilled);

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
                 "OLD\r\nSURFING: " + SurfLog::logDateTime(t0, CodePage()).toLatin1() + "\r\n\r\r\n" +
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

    void failedWritesAreKeptAndTold_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("mendedWhileRunning");
        QTest::newRow("full disk, record cut short") << "cut" << true;
        QTest::newRow("full disk, nothing fits") << "full" << false;
        QTest::newRow("a folder in the log's place") << "folder" << true;
        QTest::newRow("a device that is always full") << "devfull" << false;
    }
    void failedWritesAreKeptAndTold()
    {
        QFETCH(QString, failure);
        QFETCH(bool, mendedWhileRunning);
        TestInstall install;
        QByteArray old;
        for (int i = 0; i < 2000; ++i)
            old += "OLD " + QByteArray::number(i) + "\r\n";
        const QString log = install.file(AppPaths::Log);
        install.setBytes(AppPaths::Log, old);
        const auto unlimited = qScopeGuard([] { limitFileSize(RLIM_INFINITY); });
        if (failure == u"folder" || failure == u"devfull") {
            QVERIFY(QFile::remove(log));
            QVERIFY(failure == u"folder" ? QDir().mkpath(log)
                                         : QFile::link(QStringLiteral("/dev/full"), log));
        } else {
            limitFileSize(old.size() + (failure == u"cut" ? 7 : 0));
        }
        auto mend = [&] {
            limitFileSize(RLIM_INFINITY);
            if (failure == u"folder" || failure == u"devfull") {
                QVERIFY(QFileInfo(log).isSymLink() ? QFile::remove(log)
                                                   : QDir(log).removeRecursively());
                install.setBytes(AppPaths::Log, old);
            }
        };

        const QDateTime t0 = install.clock.moment, t1 = t0.addSecs(60), t2 = t0.addSecs(120);
        auto form = install.window(); // the start record cannot be written
        auto quit = [&](QMessageBox::StandardButton answer) {
            MessageBox::queueAnswer(answer);
            form->VideoSoftElastic6_Click();
            MessageBox::takeShown();
        };
        form->Combo1->addItem(QStringLiteral("http://a.example/"));
        install.clock.moment = t1;
        quit(QMessageBox::No); // nor can this end record
        if (failure != u"devfull")
            QCOMPARE(install.bytes(AppPaths::Log), failure == u"folder" ? QByteArray() : old);
        QList<MessageBox::Shown> told = openPanel(*form);
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].icon, QMessageBox::Critical);
        QVERIFY2(told[0].text.contains(QStringLiteral("could not be written")) &&
                     told[0].text.contains(QStringLiteral("They are kept")),
                 qPrintable(told[0].text));
        QVERIFY(openPanel(*form).isEmpty()); // told once

        const QByteArray two = install.context().paths.pageAddress(AppPaths::IntroPage).toUtf8() +
                               "\r\nhttp://a.example/\r\n";
        QByteArray expected = old + start(t0) + end(two, t1, 158);
        install.clock.moment = t2;
        if (mendedWhileRunning) {
            mend();
            form->sessionLog().heartbeat(); // the next minute's retry
            QCOMPARE(install.bytes(AppPaths::Log), expected);
            quit(QMessageBox::Yes);
            expected += end(two, t2, 158);
        } else {
            quit(QMessageBox::Yes); // fails too; the records wait on disk
            form.reset();
            mend();
            form = install.window();
            expected += end(two, t2, 158) + start(t2);
        }
        QCOMPARE(install.bytes(AppPaths::Log), expected);
        told = openPanel(*form);
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].icon, QMessageBox::Warning);
        QVERIFY2(told[0].text.contains(QStringLiteral("since been added")),
                 qPrintable(told[0].text));
        if (!mendedWhileRunning)
            quit(QMessageBox::Yes);
        QCOMPARE(
            QDir(install.file(QStringLiteral("/files"))).entryList({QStringLiteral("session*")}),
            QStringList());
    }

    void killedSessionsReachTheLogOnce()
    {
        TestInstall install;
        install.setBytes(AppPaths::Log, {});
        QStringList allowed;
        const int rounds = 30;
        for (int round = 0; round < rounds; ++round) {
            QProcess session;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("TOBRIN_TEST_CHILD"), QStringLiteral("surf"));
            env.insert(QStringLiteral("TOBRIN_SURF_DIR"), install.dir());
            env.insert(QStringLiteral("TOBRIN_SURF_ROUND"), QString::number(round));
            session.setProcessEnvironment(env);
            session.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(session.waitForReadyRead(30000));
            // Often while the last session's records go in, else while surfing.
            QThread::usleep(QRandomGenerator::global()->bounded(1, round % 2 ? 2000 : 20000));
            ::kill(pid_t(session.processId()), SIGKILL);
            QVERIFY(session.waitForFinished(10000));
            const QList<QByteArray> said = session.readAllStandardOutput().split('\n');
            for (qsizetype i = 1; i + 1 < said.size(); ++i) // the last may be cut short
                allowed << QString::fromLatin1(said[i]);
        }
        SessionLog next(install.context());
        next.begin();
        const QByteArray log = install.bytes(AppPaths::Log);
        // A second browser running meanwhile leaves the first one's journal alone.
        next.addressAllowed(QStringLiteral("http://r99.example/0"));
        SessionLog(install.context()).begin();
        QCOMPARE(install.bytes(AppPaths::Log), log);

        // Whole records only, and every address let through exactly once.
        QVERIFY(log.endsWith("\r\n"));
        const QRegularExpression line(QRegularExpression::anchoredPattern(
            QStringLiteral("SURFING: .+|\r|http://r\\d+\\.example/\\d+||DID NOT END NORMALLY\\. "
                           "LAST SEEN AT: .+|\\|{100}")));
        QSet<QByteArray> logged;
        for (const QByteArray& text : log.chopped(2).split('\n')) {
            const QByteArray bare = text.endsWith('\r') ? text.chopped(1) : text;
            QVERIFY2(line.match(QString::fromLatin1(bare)).hasMatch(), bare.constData());
            if (bare.startsWith("http://")) {
                QVERIFY2(!logged.contains(bare), bare.constData());
                logged.insert(bare);
            }
        }
        QCOMPARE(log.count("DID NOT END NORMALLY"), log.count(QByteArray(100, '|')));
        QVERIFY(allowed.size() > rounds);
        for (const QString& address : allowed)
            QVERIFY2(logged.contains(address.toLatin1()), qPrintable(address + " is missing"));
    }
};

TOBRIN_TEST(SessionTest);
#include "session_test.moc"
