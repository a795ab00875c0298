#include "password/stored_password.h"
#include "platform/text_file.h"
#include "test_install.h"
#include "test_main.h"

#include <QTest>

using namespace StoredPassword;

class StoredPasswordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scrambleAndStoreEveryCode()
    {
        QByteArray all;
        for (int code = 0; code < 256; ++code)
            all.append(char(code));
        const QString text = TextFile::decode(all);
        const QByteArray codes = TextFile::encode(Scramble(text, Key));
        for (int code = 0; code < 256; ++code)
            QCOMPARE(int(quint8(codes[code])), code ^ 83);
        QCOMPARE(Scramble(Scramble(text, Key), Key), text);

        // Stored and read back, every code matches, and only exactly.
        TestInstall install;
        for (const QString& password : {text, QStringLiteral("Tiger")}) {
            QVERIFY(store(install.settings, password, nullptr));
            QVERIFY(matches(password, expected(install.settings)));
        }
        QVERIFY(!matches(QStringLiteral("tiger"), expected(install.settings)));
        QVERIFY(!matches(QStringLiteral("Tiger "), expected(install.settings)));
    }
};

TOBRIN_TEST(StoredPasswordTest);
#include "stored_password_test.moc"
