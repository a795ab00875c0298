#include "platform/address_text.h"
#include "surflog/log_records.h"
#include "surflog/session_journal.h"
#include "surflog/session_log.h"
#include "surflog/surf_log_tab.h"
#include "test_install.h"

#include <csignal>
#include <sys/resource.h>

namespace {

// Opens the panel on the Surf Log tab, as the parent does.
SurfLogTab& openTab(Form1& form)
{
    form.panel().show();
    form.panel().VideoSoftIndexTab1->setCurrentTab(4);
    return form.panel().surfLog();
}

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

class LogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressForLog_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QByteArray>("page");
        const QString mir = u"http://\u043c\u0438\u0440.\u0440\u0444/"_s;
        QTest::newRow("8-bit letters kept")
            << u"http://caf\u00e9.fr/\u20ac"_s << u"http://caf\u00e9.fr/\u20ac"_s
            << QByteArray("CP1252");
        QTest::newRow("letters of another page") << mir << mir << QByteArray("CP1251");
        QTest::newRow("letters the page lacks")
            << mir << u"http://xn--h1ahn.xn--p1ai/"_s << QByteArray("CP1252");
        QTest::newRow("host and path")
            << u"http://\u4f8b\u3048.jp/\u30d1\u30b9?q=\u65e5\u672c#\u00e9"_s
            << u"http://xn--r8jz45g.jp/%E3%83%91%E3%82%B9?q=%E6%97%A5%E6%9C%AC#%C3%A9"_s
            << QByteArray("CP1252");
        QTest::newRow("outside the BMP") << u"http://x.org/\U0001F600"_s
                                         << u"http://x.org/%F0%9F%98%80"_s << QByteArray("CP1252");
        QTest::newRow("not an address")
            << u"\u65e5\u672c \u00e9"_s << u"%E6%97%A5%E6%9C%AC \u00e9"_s << QByteArray("CP1252");
    }
    void addressForLog()
    {
        QFETCH(QString, address);
        QFETCH(QString, logged);
        QFETCH(QByteArray, page);
        const CodePage codePage(page);
        QCOMPARE(storableAddress(address, codePage), logged);
        QVERIFY(codePage.fits(logged));
    }

    // Persian digits become 0-9, a narrow no-break space a plain one; letters
    // with no 8-bit code give a form anyone can read.
    void dateTimeIsShortDateThenTime_data()
    {
        QTest::addColumn<QString>("logged");
        for (const auto& [locale, logged] :
             {std::pair("de_DE", "07.12.26 10:05"), std::pair("en_US", "12/7/26 10:05 AM"),
              std::pair("fa_IR", "2026/12/7 10:05"), std::pair("ar_EG", "2026-12-07 10:05:07")})
            QTest::newRow(locale) << QString(logged);
    }
    void dateTimeIsShortDateThenTime()
    {
        QFETCH(QString, logged);
        const QLocale locale(QString::fromLatin1(QTest::currentDataTag()));
        const QDateTime moment(QDate(2026, 12, 7), QTime(10, 5, 7));
        QCOMPARE(
            SurfLog::logDateTime(locale.toString(moment, QLocale::ShortFormat), moment, CodePage()),
            logged);
    }

    void journalOwes_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<bool>("inLog"); // the log holds what a 'P' or 'R' line names
        QTest::addColumn<QByteArray>("owed");
        const QByteArray ended =
            "\r\nDID NOT END NORMALLY. LAST SEEN AT: T\r\n\r\n" + QByteArray(100, '|') + "\r\n";
        QTest::newRow("killed; a twice-seen address, zeros, a last line cut short")
            << QByteArray("A a\r\nA b\r\nA a\r\n\0\0\0\r\nA c", 23) << false
            << "a\r\nb\r\n" + ended;
        QTest::newRow("quit with records that could not be written")
            << QByteArray("S t0\r\nA a\r\nE 54 1 t 1\r\nA b\r\nQ\r\n") << false
            << "SURFING: t0\r\n\r\r\na\r\n\r\nFINISHED AT: t 1\r\n\r\n" + QByteArray(54, '|') +
                   "\r\n";
        QTest::newRow("waiting records written since")
            << QByteArray("S t0\r\nA a\r\nP 9 30 f00\r\n") << true << "a\r\n" + ended;
        QTest::newRow("already written by a start that was killed")
            << QByteArray("S t0\r\nA a\r\nR 9 80 f00\r\n") << true << QByteArray();
    }
    void journalOwes()
    {
        QFETCH(QByteArray, journal);
        QFETCH(bool, inLog);
        QFETCH(QByteArray, owed);
        const auto logHolds = [&](qint64, qint64, QByteArrayView) { return inLog; };
        QCOMPARE(SessionJournal::owed(journal, u"T"_s, logHolds, CodePage()).bytes, owed);
    }

    void clearUndoAndApply()
    {
        TestInstall install;
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            high.append(char(b));
        // Enough lines that the box is filled in several slices.
        QByteArray pages;
        for (int i = 0; i < 60000; ++i)
            pages += "http://www.example.org/page/" + QByteArray::number(i) + "\r\n";
        install.setBytes(AppPaths::Log, "SURFING: x\n\r\r\n\x01\t" + high + "\r\n" + pages);
        auto form = install.window(false);
        SurfLogTab& tab = openTab(*form);
        // Apply at once, even while the box still fills, writes the whole log; a
        // lone LF and a lone CR end lines too, and Apply adds one CR LF.
        tab.Command5_Click();
        const QByteArray applied = "SURFING: x\r\n\r\n\r\n\x01\t" + high + "\r\n" + pages + "\r\n";
        QCOMPARE(install.bytes(AppPaths::Log), applied);
        // Every byte shows as its character: 0x80 as the euro sign, 0xA0 as a no-break space.
        const QString shown = CodePage().decode(high);
        QVERIFY(shown.contains(QChar(0x20AC)) && shown.contains(QChar(0xA0)));
        QVERIFY(tab.Text2->toPlainText().startsWith(u"SURFING: x\n\n\n\x01\t"_s));
        QVERIFY(tab.Text2->document()->toRawText().contains(shown));

        // Clear, Apply, Undo, Apply: the cleared text comes back in the box only.
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QCOMPARE(tab.Command2->text(), u"&Undo"_s);
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), QByteArray("\r\n"));
        QTest::keyClicks(tab.Text2, u"typed"_s);
        QTest::mouseClick(tab.Command2, Qt::LeftButton);
        QTRY_VERIFY(tab.isFilled());
        QCOMPARE(tab.Command2->text(), u"&Clear"_s);
        QTest::mouseClick(tab.Command5, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Log), applied);
        QVERIFY(MessageBox::takeShown().isEmpty());
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
            tab.Text2->setPlainText(u"edited"_s);
            tab.Command5_Click();
            QCOMPARE(install.bytes(AppPaths::Log),
                     "edited\r\n" + (panelFirst ? record + declined : declined));
        }
    }

    // The flow of a whole session and its log is the end-to-end scenario's;
    // here the quit with a lock that was never on and a log that cannot be read.
    void yesWithoutLockAndUnwritableLog()
    {
        TestInstall install;
        // A blocked start page leaves the history empty; a folder stands
        // where the log should be: the browser still starts and quits.
        install.setBytes(AppPaths::NoSurf, "intro\r\n");
        QVERIFY(QFile::remove(install.file(AppPaths::Log)));
        QVERIFY(QDir(install.dir()).mkpath(u"files/log.txt"_s));
        auto form = install.window();
        QCOMPARE(form->Combo1->count(), 0);
        SurfLogTab& tab = form->panel().surfLog();
        tab.fillNow();
        QList<MessageBox::Shown> told;
        QTRY_VERIFY((told += MessageBox::takeShown(), !told.isEmpty()));
        QVERIFY2(told[0].text.contains(u"could not be read"_s), qPrintable(told[0].text));
        QTest::keyClicks(tab.Text2, u"note"_s);
        tab.Command5_Click();
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.logBytes(), QByteArray("note"));

        // Yes switches the lock off even though it was never on.
        QSignalSpy lock(form->panel().Disable1, &DesktopLock::switchSet);
        MessageBox::queueAnswer(QMessageBox::Yes);
        form->VideoSoftElastic6_Click();
        QCOMPARE(install.endProgramCalls, 1);
        // Whatever close request follows the Yes asks nothing more.
        QVERIFY(form->close());
        QCOMPARE(install.endProgramCalls, 1);
        QCOMPARE(shownBox(),
                 box(u"Are you sure you want to QUIT ?"_s, u"Tobrin"_s,
                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Critical, QMessageBox::No));
        QCOMPARE(lock, (QList<QList<QVariant>>{{1, false}, {2, false}}));
        QCOMPARE(install.settings.read(u"disable"_s, "unset"), "unset");
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
            QVERIFY(failure == u"folder" ? QDir().mkpath(log) : QFile::link(u"/dev/full"_s, log));
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
        form->Combo1->addItem(u"http://\u4f8b\u3048.jp/"_s); // logged in 8 bits
        install.clock.moment = t1;
        quit(QMessageBox::No); // nor can this end record
        if (failure != u"devfull")
            QCOMPARE(install.bytes(AppPaths::Log), failure == u"folder" ? QByteArray() : old);
        QList<MessageBox::Shown> told = openPanel(*form);
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].icon, QMessageBox::Critical);
        QVERIFY2(told[0].text.contains(u"could not be written"_s) &&
                     told[0].text.contains(u"They are kept"_s),
                 qPrintable(told[0].text));
        QVERIFY(openPanel(*form).isEmpty()); // told once

        const QByteArray two = install.context().paths.pageAddress(AppPaths::IntroPage).toUtf8() +
                               "\r\nhttp://xn--r8jz45g.jp/\r\n";
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
        QVERIFY2(told[0].text.contains(u"since been added"_s), qPrintable(told[0].text));
        if (!mendedWhileRunning)
            quit(QMessageBox::Yes);
        QCOMPARE(QDir(install.file(u"/files"_s)).entryList({u"session*"_s}), QStringList());
    }

    void killedSessionsReachTheLogOnce()
    {
        TestInstall install;
        install.setBytes(AppPaths::Log, {});
        QStringList allowed;
        const int rounds = 30;
        for (int round = 0; round < rounds; ++round) {
            // Often while the last session's records go in, else while surfing.
            const QList<QByteArray> said =
                killedChild("surf",
                            {{u"TOBRIN_SURF_DIR"_s, install.dir()},
                             {u"TOBRIN_SURF_ROUND"_s, QString::number(round)}},
                            round % 2 ? 2000 : 20000)
                    .split('\n');
            QVERIFY(said.size() > 1);
            for (qsizetype i = 1; i + 1 < said.size(); ++i) // the last may be cut short
                allowed << QString::fromLatin1(said[i]);
        }
        SessionLog next(install.context());
        next.begin();
        const QByteArray log = install.bytes(AppPaths::Log);
        // A second browser running meanwhile leaves the first one's journal alone.
        next.addressAllowed(u"http://r99.example/0"_s);
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

TOBRIN_TEST(LogTest);
#include "log_test.moc"
