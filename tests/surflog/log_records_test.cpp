#include "platform/address_text.h"
#include "surflog/log_records.h"
#include "surflog/log_text.h"
#include "surflog/session_journal.h"
#include "test_main.h"

#include <QLocale>
#include <QTest>

class LogRecordsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressForLog_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("8-bit letters kept") << "http://caf\u00e9.fr/\u20ac"
                                            << "http://caf\u00e9.fr/\u20ac" << QByteArray("CP1252");
        QTest::newRow("letters of another page")
            << "http://\u043c\u0438\u0440.\u0440\u0444/"
            << "http://\u043c\u0438\u0440.\u0440\u0444/" << QByteArray("CP1251");
        QTest::newRow("letters the page lacks")
            << "http://\u043c\u0438\u0440.\u0440\u0444/"
            << "http://xn--h1ahn.xn--p1ai/" << QByteArray("CP1252");
        QTest::newRow("host and path")
            << "http://\u4f8b\u3048.jp/\u30d1\u30b9?q=\u65e5\u672c#\u00e9"
            << "http://xn--r8jz45g.jp/%E3%83%91%E3%82%B9?q=%E6%97%A5%E6%9C%AC#%C3%A9"
            << QByteArray("CP1252");
        QTest::newRow("outside the BMP") << "http://x.org/\U0001F600"
                                         << "http://x.org/%F0%9F%98%80" << QByteArray("CP1252");
        QTest::newRow("not an address") << "\u65e5\u672c \u00e9"
                                        << "%E6%97%A5%E6%9C%AC \u00e9" << QByteArray("CP1252");
    }
    void addressForLog()
    {
        QFETCH(QString, address);
        QFETCH(QString, logged);
        QFETCH(QByteArray, page);
        const CodePage codePage(page);
        const QString result = storableAddress(address, codePage);
        QCOMPARE(result, logged);
        QVERIFY(codePage.fits(result));
    }

    void dateTimeIsShortDateThenTime_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("logged");
        QTest::newRow("de_DE") << "de_DE"
                               << "07.12.26 10:05";
        QTest::newRow("en_US") << "en_US"
                               << "12/7/26 10:05 AM";
        // Persian digits become 0-9, a narrow no-break space a plain one.
        QTest::newRow("fa_IR") << "fa_IR"
                               << "2026/12/7 10:05";
        // Letters with no 8-bit code: a form anyone can read.
        QTest::newRow("ar_EG") << "ar_EG"
                               << "2026-12-07 10:05:07";
    }
    void dateTimeIsShortDateThenTime()
    {
        QFETCH(QString, locale);
        QFETCH(QString, logged);
        const QDateTime moment(QDate(2026, 12, 7), QTime(10, 5, 7));
        QCOMPARE(
            SurfLog::logDateTime(QLocale(locale).toString(moment, QLocale::ShortFormat), moment,
                                 CodePage()),
            logged);
    }

    void journalOwes_data()
    {
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<bool>("inLog"); // the log holds what a 'P' or 'R' line names
        QTest::addColumn<QByteArray>("owed");
        const QByteArray ended = "\r\nDID NOT END NORMALLY. LAST SEEN AT: T\r\n\r\n" +
                                 QByteArray(100, '|') + "\r\n";
        QTest::newRow("killed; a twice-seen address, zeros, a last line cut short")
            << QByteArray("A a\r\nA b\r\nA a\r\n\0\0\0\r\nA c", 23) << false << "a\r\nb\r\n" + ended;
        QTest::newRow("quit with records that could not be written")
            << QByteArray("S t0\r\nA a\r\nE 54 1 t 1\r\nA b\r\nQ\r\n") << false
            << "SURFING: t0\r\n\r\r\na\r\n\r\nFINISHED AT: t 1\r\n\r\n" + QByteArray(54, '|') + "\r\n";
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
        const SessionJournal::Owed result = SessionJournal::owed(
            journal, QStringLiteral("T"), [&](qint64, qint64, QByteArrayView) { return inLog; },
            CodePage());
        QCOMPARE(result.bytes, owed);
    }

    // A lone CR or LF ends a line in the viewer; what it writes back ends
    // every line in CR LF. (The fuzz target checks reading in pieces.)
    void viewerTextEndsLinesInCrLf()
    {
        const CodePage page;
        const QString text = SurfLogText::decode("a\rb\nc\r\nd", page);
        QCOMPARE(SurfLogText::encode(text, page), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    }
};

TOBRIN_TEST(LogRecordsTest);
#include "log_records_test.moc"
