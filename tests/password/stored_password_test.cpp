#include "password/stored_password.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "test_install.h"
#include "test_main.h"
#include <QWebEngineProfile> // TestInstall holds one; its destructor needs the whole type

#include <QTest>

using namespace StoredPassword;

class StoredPasswordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scrambleAndStoreEveryCode()
    {
        QCOMPARE(Scramble(QString(), Key), QString());
        QCOMPARE(Scramble(QStringLiteral("S"), Key), QString(QChar(0)));

        QByteArray all;
        for (int code = 0; code < 256; ++code)
            all.append(char(code));
        const QString text = TextFile::decode(all);
        const QString once = Scramble(text, Key);
        QCOMPARE(once.size(), text.size());
        const QByteArray codes = TextFile::encode(once);
        for (int code = 0; code < 256; ++code)
            QCOMPARE(int(quint8(codes[code])), code ^ 83);
        QCOMPARE(Scramble(once, Key), text);
        // Characters with no 8-bit code are scrambled as '?', every time.
        QCOMPARE(Scramble(QStringLiteral("a\u4E2D"), Key), Scramble(QStringLiteral("a?"), Key));

        // Stored and read back, every code matches, and only exactly.
        TestInstall install;
        for (const QString& password : {text, QStringLiteral("k\u4E2D"), QStringLiteral("Tiger")}) {
            QVERIFY(store(install.settings, password, nullptr));
            QVERIFY(matches(password, expected(install.settings)));
        }
        QVERIFY(!matches(QStringLiteral("tiger"), expected(install.settings)));
        QVERIFY(!matches(QStringLiteral("Tiger "), expected(install.settings)));
    }
};

TOBRIN_TEST(StoredPasswordTest);
#include "stored_password_test.moc"
