#include "platform/settings_store.h"
#include "shell/app_paths.h"
#include "test_main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keysIgnoreCaseAndEveryCodeSurvivesAFreshReader()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Corvane.conf"));
        QString value;
        for (int code = 1; code <= 255; ++code)
            value.append(QChar(code));
        value += QStringLiteral("@Variant(x) [*] ; # = \\ \" end");
        {
            SettingsStore store(path);
            QCOMPARE(store.read(QStringLiteral("Password"), QStringLiteral("dflt")), "dflt");
            QVERIFY(!QFile::exists(path)); // reading stored nothing
            QVERIFY(store.write(QStringLiteral("Password"), QStringLiteral("abc")));
            QVERIFY(store.write(QStringLiteral("PASSWORD"), value));
        }
        // Qt caches parsed settings files by name; a copy is parsed from disk.
        const QString copy = dir.filePath(QStringLiteral("copy.conf"));
        QVERIFY(QFile::copy(path, copy));
        QCOMPARE(SettingsStore(copy).read(QStringLiteral("password"), QString()), value);
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("assword="), 1); // one value, not keys differing in case

        // A plain file where the settings folder should be: refused even as root.
        SettingsStore refused(path + QStringLiteral("/Corvane.conf"));
        QString error;
        QVERIFY(!refused.write(QStringLiteral("color"), QStringLiteral("255"), &error));
        QVERIFY2(error.contains(QStringLiteral("color")), qPrintable(error));
    }

    void values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("color");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("hex, no closing &") << "&H00FFFFFF" << qint64(16777215) << false;
        QTest::newRow("hex lower case") << "&h0000ff&" << qint64(255) << false;
        QTest::newRow("leading number") << "255abc" << qint64(255) << false;
        QTest::newRow("hex stops at non-digit") << "&H1G2" << qint64(1) << false;
        QTest::newRow("bare &H") << "&H" << qint64(0) << false;
        QTest::newRow("32-bit hex is signed") << "&HFFFFFFFF&" << qint64(-1) << false;
        QTest::newRow("huge decimal")
            << "99999999999999999999999" << qint64(999999999999999999) << false;
        QTest::newRow("True") << "True" << qint64(0) << true;
        QTest::newRow("true") << "true" << qint64(0) << true;
        QTest::newRow("1 is not a boolean") << "1" << qint64(1) << false;
    }
    void values()
    {
        QFETCH(QString, text);
        QFETCH(qint64, color);
        QFETCH(bool, boolean);
        QCOMPARE(SettingValue::colorNumber(text), color);
        QCOMPARE(SettingValue::boolean(text), boolean);
    }

    // At the root folder no path gets "//", which a page address would read
    // as a host name.
    void pathsAtTheRootFolder()
    {
        const AppPaths root(QStringLiteral("/"));
        QCOMPARE(root.file(AppPaths::Log), QStringLiteral("/files/log.txt"));
        QCOMPARE(root.pageAddress(AppPaths::IntroPage), QStringLiteral("file:///html/intro.htm"));
    }
};

TOBRIN_TEST(SettingsStoreTest);
#include "settings_store_test.moc"
