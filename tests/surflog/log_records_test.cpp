#include "platform/text_file.h"
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
        QTest::newRow("8-bit letters kept") << "http://caf\u00e9.fr/\u20ac" << "http://caf\u00e9.fr/\u20ac";
        QTest::newRow("host and path")
            << "http://\u4f8b\u3048.jp/\u30d1\u30b9?q=\u65e5\u672c#\u00e9"
            << "http://xn--r8jz45g.jp/%E3%83%91%E3%82%B9?q=%E6%97%A5%E6%9C%AC#%C3%A9";
        QTest::newRow("outside the BMP") << "http://x.org/\U0001F600" << "http://x.org/%F0%9F%98%80";
        QTest::newRow("not an address") << "\u65e5\u672c \u00e9" << "%E6%97%A5%E6%9C%AC \u00e9";
    }
    void addressForLog()
    {
        QFETCH(QString, address);
        QFETCH(QString, logged);
        const QString result = SurfLog::addressForLog(address);
        QCOMPARE(result, logged);
        QVERIFY(TextFile::isEncodable(result));
    }

    void dateTimeIsShortDateThenTime()
    {
        const QDateTime moment(QDate(2026, 12, 7), QTime(10, 5, 7));
        auto logged = [&](const char* locale) {
            return SurfLog::logDateTime(
                QLocale(QString::fromLatin1(locale)).toString(moment, QLocale::ShortFormat), moment);
        };
        QCOMPARE(logged("de_DE"), QStringLiteral("07.12.26 10:05"));
        QCOMPARE(logged("en_US"), QStringLiteral("12/7/26 10:05 AM"));
        // Persian digits become 0-9, a narrow no-break space a plain one.
        QCOMPARE(logged("fa_IR"), QStringLiteral("2026/12/7 10:05"));
        QCOMPARE(SurfLog::logDateTime(QStringLiteral("10:05\u202fAM"), moment), QStringLiteral("10:05 AM"));
        // Letters with no 8-bit code: a form anyone can read.
        QCOMPARE(logged("ar_EG"), QStringLiteral("2026-12-07 10:05:07"));
        QVERIFY(TextFile::isEncodable(SurfLog::logDateTime(moment)));
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
            journal, QStringLiteral("T"), [&](qint64, qint64, QByteArrayView) { return inLog; });
        QCOMPARE(result.bytes, owed);
    }

    void viewerTextRoundTrips()
    {
        // A lone LF ends a line too; a last line without an end gets CR LF.
        QCOMPARE(SurfLogText::encode(SurfLogText::decode("a\nb")), QByteArray("a\r\nb\r\n"));

        // Pieces may split a CR LF pair; long text is grouped into paragraphs.
        QByteArray big;
        for (int i = 0; i < 5000; ++i)
            big += "http://www.example.org/page" + QByteArray::number(i) + (i % 7 ? "\r\n" : "\r");
        SurfLogText::Decoder decoder;
        QString pieces;
        for (qsizetype at = 0; at < big.size(); at += 997)
            pieces += decoder.decode(QByteArrayView(big).sliced(at, qMin<qsizetype>(997, big.size() - at)));
        pieces += decoder.finish();
        QCOMPARE(pieces, SurfLogText::decode(big));
        QVERIFY(pieces.count(QChar(0x2029)) > 10);
        QByteArray expected = big;
        expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
        QCOMPARE(SurfLogText::encode(pieces), expected);
    }
};

TOBRIN_TEST(LogRecordsTest);
#include "log_records_test.moc"
