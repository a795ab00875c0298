#include "password/stored_password.h"
#include "shell/settings_store.h"
#include "shell/text_file.h"
#include "test_install.h"
#include "test_main.h"
#include <QWebEngineProfile> // TestInstall holds one; its destructor needs the whole type

#include <QTest>

using namespace StoredPassword;

namespace {

// The characters of the codes 0 to 255, in order.
QString everyCode()
{
    QByteArray all;
    for (int code = 0; code < 256; ++code)
        all.append(char(code));
    return TextFile::decode(all);
}

} // namespace

class StoredPasswordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scrambleWorksOnEveryCode()
    {
        QCOMPARE(Scramble(QString(), Key), QString());

        const QString text = everyCode();
        const QString once = Scramble(text, Key);
        QCOMPARE(once.size(), text.size());
        const QByteArray codes = TextFile::encode(once);
        for (int code = 0; code < 256; ++code)
            QCOMPARE(int(quint8(codes[code])), code ^ 83);
        QCOMPARE(Scramble(once, Key), text);

        QCOMPARE(Scramble(QStringLiteral("S"), Key), QString(QChar(0)));
        QCOMPARE(Scramble(QStringLiteral("qqq"), Key), QStringLiteral("\"\"\""));
        // Characters with no 8-bit code are scrambled as '?', every time.
        QCOMPARE(Scramble(QStringLiteral("a\u4E2D"), Key), Scramble(QStringLiteral("a?"), Key));
    }

    void storedValueCases()
    {
        TestInstall install;
        SettingsStore& settings = install.settings;

        // Nothing stored: the first-password dialog is due, and only the
        // unscrambled default opens the panel.
        QVERIFY(isUnset(settings));
        QCOMPARE(expected(settings), QStringLiteral("\"\"\""));
        QVERIFY(!matches(QStringLiteral("qqq"), expected(settings)));

        // An empty password is a set password.
        QVERIFY(store(settings, QString(), nullptr));
        QVERIFY(!isUnset(settings));
        QCOMPARE(expected(settings), QString());
        QVERIFY(matches(QString(), expected(settings)));

        // A stored value that happens to equal the marker reads as unset.
        QVERIFY(settings.write(QStringLiteral("Password"), QStringLiteral("wzbkmt806j")));
        QVERIFY(isUnset(settings));

        QVERIFY(store(settings, QStringLiteral("Tiger"), nullptr));
        QCOMPARE(settings.read(QStringLiteral("pASSWORD"), QString()),
                 Scramble(QStringLiteral("Tiger"), Key));
        QVERIFY(matches(QStringLiteral("Tiger"), expected(settings)));
        QVERIFY(!matches(QStringLiteral("tiger"), expected(settings)));
        QVERIFY(!matches(QStringLiteral("Tiger "), expected(settings)));

        QVERIFY(store(settings, QStringLiteral("k\u4E2D"), nullptr));
        QVERIFY(matches(QStringLiteral("k\u4E2D"), expected(settings)));

        // Every code, control characters and the 0 from 'S' included, comes back.
        QVERIFY(store(settings, everyCode(), nullptr));
        QVERIFY(matches(everyCode(), expected(settings)));
    }
};

TOBRIN_TEST(StoredPasswordTest);
#include "stored_password_test.moc"
