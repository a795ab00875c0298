#include "platform/address_text.h"
#include "surflog/log_records.h"
#include "surflog/log_text.h"
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

    void dateTimeIsShortDateThenTime()
    {
        const QDateTime moment(QDate(2026, 12, 7), QTime(10, 5, 7));
        auto logged = [&](const char* locale) {
            return SurfLog::logDateTime(
                QLocale(QString::fromLatin1(locale)).toString(moment, QLocale::ShortFormat), moment,
                CodePage());
        };
        QCOMPARE(logged("de_DE"), QStringLiteral("07.12.26 10:05"));
        QCOMPARE(logged("en_US"), QStringLiteral("12/7/26 10:05 AM"));
        // Persian digits become 0-9, a narrow no-break space a plain one.
        QCOMPARE(logged("fa_IR"), QStringLiteral("2026/12/7 10:05"));
        QCOMPARE(SurfLog::logDateTime(QStringLiteral("10:05\u202fAM"), moment, CodePage()),
                 QStringLiteral("10:05 AM"));
        // Letters with no 8-bit code: a form anyone can read.
        QCOMPARE(logged("ar_EG"), QStringLiteral("2026-12-07 10:05:07"));
        QVERIFY(CodePage().fits(SurfLog::logDateTime(moment, CodePage())));
    }

    void viewerTextRoundTrips()
    {
        // A lone LF ends a line too; a last line without an end gets CR LF.
        const CodePage page;
        QCOMPARE(SurfLogText::encode(SurfLogText::decode("a\nb", page), page),
                 QByteArray("a\r\nb\r\n"));

        // Pieces may split a CR LF pair; long text is grouped into paragraphs.
        QByteArray big;
        for (int i = 0; i < 5000; ++i)
            big += "http://www.example.org/page" + QByteArray::number(i) + (i % 7 ? "\r\n" : "\r");
        SurfLogText::Decoder decoder(page);
        QString pieces;
        for (qsizetype at = 0; at < big.size(); at += 997)
            pieces += decoder.decode(
                QByteArrayView(big).sliced(at, qMin<qsizetype>(997, big.size() - at)));
        pieces += decoder.finish();
        QCOMPARE(pieces, SurfLogText::decode(big, page));
        QVERIFY(pieces.count(QChar(0x2029)) > 10);
        QByteArray expected = big;
        expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
        QCOMPARE(SurfLogText::encode(pieces, page), expected);
    }
};

TOBRIN_TEST(LogRecordsTest);
#include "log_records_test.moc"
