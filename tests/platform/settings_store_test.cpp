#include "shell/app_paths.h"
#include "platform/settings_store.h"
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
            QCOMPARE(store.read(QStringLiteral("Password"), QStringLiteral("wzbkmt806j")),
                     QStringLiteral("wzbkmt806j"));
            QVERIFY(!QFile::exists(path)); // reading stored nothing
            QVERIFY(store.write(QStringLiteral("Password"), QStringLiteral("abc")));
            QCOMPARE(store.read(QStringLiteral("password"), QStringLiteral("qqq")),
                     QStringLiteral("abc"));
            QVERIFY(store.write(QStringLiteral("PASSWORD"), value));
            QVERIFY(store.write(QStringLiteral("leading"), QStringLiteral("@@x")));
        }
        // Qt caches parsed settings files by name, so a read of the same name
        // could come from memory; a copy under a new name is parsed from disk.
        const QString copy = dir.filePath(QStringLiteral("copy.conf"));
        QVERIFY(QFile::copy(path, copy));
        SettingsStore fresh(copy);
        QCOMPARE(fresh.read(QStringLiteral("password"), QString()), value);
        QCOMPARE(fresh.read(QStringLiteral("LEADING"), QString()), QStringLiteral("@@x"));
        // One value, not keys that differ in case.
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("assword="), 1);
    }

    void refusedWritesAreReported()
    {
        QTemporaryDir dir;
        // A plain file where the settings folder should be: refused even as root.
        QFile blocker(dir.filePath(QStringLiteral("Corvane")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore store(dir.filePath(QStringLiteral("Corvane/Corvane.conf")));
        QString error;
        QVERIFY(!store.write(QStringLiteral("color"), QStringLiteral("255"), &error));
        QVERIFY2(error.contains(QStringLiteral("color")), qPrintable(error));
        // A second store on a good file is not tainted by the first failure.
        SettingsStore good(dir.filePath(QStringLiteral("good.conf")));
        QVERIFY(good.write(QStringLiteral("color"), QStringLiteral("255"), &error));
    }

    void colorNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("hex without closing") << "&H00FFFFFF" << qint64(16777215);
        QTest::newRow("hex lower case") << "&h0000ff&" << qint64(255);
        QTest::newRow("short hex") << "&HFF" << qint64(255);
        QTest::newRow("decimal red") << "255" << qint64(255);
        QTest::newRow("leading number only") << "255abc" << qint64(255);
        QTest::newRow("hex stops at non-digit") << "&H1G2" << qint64(1);
        QTest::newRow("no number") << "red" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("bare &H") << "&H" << qint64(0);
        QTest::newRow("negative decimal") << "-1" << qint64(-1);
        QTest::newRow("32-bit hex is signed") << "&HFFFFFFFF&" << qint64(-1);
        QTest::newRow("huge decimal does not overflow")
            << "99999999999999999999999" << qint64(999999999999999999);
    }
    void colorNumbers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(SettingValue::colorNumber(text), value);
    }

    void integersAndBooleans()
    {
        QCOMPARE(SettingValue::integer(QStringLiteral(" 1x")), 1);
        QVERIFY(SettingValue::boolean(QStringLiteral("True")));
        QVERIFY(SettingValue::boolean(QStringLiteral("true")));
        QVERIFY(!SettingValue::boolean(QStringLiteral("False")));
        QVERIFY(!SettingValue::boolean(QStringLiteral("1")));
        QVERIFY(!SettingValue::boolean(QString()));
    }

    void pathsAppendTheRelativeText()
    {
        const AppPaths paths(QStringLiteral("/opt/tobrin/"));
        QCOMPARE(paths.directory(), QStringLiteral("/opt/tobrin"));
        QCOMPARE(paths.file(AppPaths::NoSurf), QStringLiteral("/opt/tobrin/files/nosurf.txt"));
        QCOMPARE(paths.pageAddress(AppPaths::IntroPage),
                 QStringLiteral("file:///opt/tobrin/html/intro.htm"));
        const AppPaths root(QStringLiteral("/"));
        // Never "//html", which a page address would read as a host name.
        QCOMPARE(root.file(AppPaths::Log), QStringLiteral("/files/log.txt"));
        QCOMPARE(root.pageAddress(AppPaths::IntroPage), QStringLiteral("file:///html/intro.htm"));
    }
};

TOBRIN_TEST(SettingsStoreTest);
#include "settings_store_test.moc"
