#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "shell/installation.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class InstallationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingPiecesAreMadeExistingOnesKeptAndFailuresNamed()
    {
        QTemporaryDir dir;
        const AppPaths paths(dir.path());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("files")));
        QVERIFY(TextFile::writeBytes(paths.file(AppPaths::Log), "SURFING: old\r\n").ok());
        QCOMPARE(Installation::repair(paths), QStringList());
        QCOMPARE(TextFile::readBytes(paths.file(AppPaths::Log)).bytes, "SURFING: old\r\n");
        QCOMPARE(QFileInfo(paths.file(AppPaths::schedule(7))).size(), 0);
        QVERIFY(TextFile::readBytes(paths.file(AppPaths::IntroPage)).bytes.contains("Tobrin"));
        QVERIFY(TextFile::readBytes(paths.file("/html/tobrin_ico.gif")).bytes.startsWith("GIF8"));

        // What cannot be made (a plain file where the buffer folder should be)
        // is named, and the rest is still made.
        const AppPaths broken(dir.filePath(QStringLiteral("broken")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("broken")));
        QVERIFY(TextFile::writeBytes(broken.file(QStringLiteral("/buffer")), "x").ok());
        const QStringList problems = Installation::repair(broken);
        QVERIFY2(problems.value(0).contains("buffer"), qPrintable(problems.join(u'|')));
        QVERIFY(QFile::exists(broken.file(AppPaths::NoSurf)));
    }
};

TOBRIN_TEST(InstallationTest);
#include "installation_test.moc"
