#include "password/stored_password.h"
#include "platform/settings_store.h"
#include "test_install.h"
#include "test_main.h"

#include <QTest>

using namespace StoredPassword;

class StoredPasswordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scrambleAndStoreEveryCode_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("password");
        QTest::newRow("western") << QByteArray("CP1252") << QStringLiteral("Tiger\u20AC");
        QTest::newRow("cyrillic") << QByteArray("CP1251")
                                  << QStringLiteral("\u0422\u0438\u0433\u0440");
        QTest::newRow("vietnamese") << QByteArray("CP1258") << QStringLiteral("H\u1EC7");
    }
    void scrambleAndStoreEveryCode()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, password);
        const CodePage codePage(page);
        QCOMPARE(Scramble(QString(), Key, codePage), QString());
        QCOMPARE(Scramble(QStringLiteral("S"), Key, codePage), QString(QChar(0)));

        QByteArray all;
        for (int code = 0; code < 256; ++code)
            all.append(char(code));
        const QString text = codePage.decode(all);
        const QString once = Scramble(text, Key, codePage);
        QCOMPARE(once.size(), text.size());
        const QByteArray codes = codePage.encode(once);
        for (int code = 0; code < 256; ++code)
            QCOMPARE(int(quint8(codes[code])), code ^ 83);
        QCOMPARE(Scramble(once, Key, codePage), text);

        // Stored and read back, every code matches, and only exactly.
        TestInstall install;
        for (const QString& typed : {text, password}) {
            QVERIFY(refusal(typed, codePage).isEmpty());
            QVERIFY(store(install.settings, typed, codePage, nullptr));
            QVERIFY(matches(typed, expected(install.settings, codePage), codePage));
        }
        QVERIFY(!matches(password.toLower(), expected(install.settings, codePage), codePage));
        QVERIFY(!matches(password + u' ', expected(install.settings, codePage), codePage));

        // A character the page lacks is refused by name, and typing it never
        // matches the question marks it would once have become.
        const QString refused = refusal(QStringLiteral("k\u4E2D\u4E2D"), codePage);
        QVERIFY(refused.contains(QStringLiteral(": \u4E2D\n")));
        QVERIFY(store(install.settings, QStringLiteral("k?"), codePage, nullptr));
        QVERIFY(
            !matches(QStringLiteral("k\u4E2D"), expected(install.settings, codePage), codePage));
    }
};

TOBRIN_TEST(StoredPasswordTest);
#include "stored_password_test.moc"
