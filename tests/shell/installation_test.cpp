#include "shell/app_paths.h"
#include "shell/installation.h"
#include "platform/text_file.h"
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
        QCOMPARE(TextFile::readBytes(paths.file(AppPaths::Log)).bytes,
                 QByteArray("SURFING: old\r\n"));
        QCOMPARE(QFileInfo(paths.file(AppPaths::NoSurf)).size(), 0);
        QCOMPARE(QFileInfo(paths.file(AppPaths::schedule(7))).size(), 0);
        const QByteArray intro = TextFile::readBytes(paths.file(AppPaths::IntroPage)).bytes;
        QVERIFY(intro.contains("Tobrin"));
        QVERIFY(
            TextFile::readBytes(paths.file(AppPaths::FavoritesPage)).bytes.startsWith("<html>"));
        QVERIFY(TextFile::readBytes(paths.file(QStringLiteral("/html/tobrin_ico.gif")))
                    .bytes.startsWith("GIF8"));
        // A second run changes nothing.
        QCOMPARE(Installation::repair(paths), QStringList());

        // What cannot be made (a plain file where the buffer folder should be)
        // is named, and the rest is still made.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("broken")));
        const AppPaths broken(dir.filePath(QStringLiteral("broken")));
        QVERIFY(TextFile::writeBytes(broken.file(QStringLiteral("/buffer")), "x").ok());
        const QStringList problems = Installation::repair(broken);
        QVERIFY(!problems.isEmpty());
        QVERIFY2(problems.first().contains(QStringLiteral("buffer")),
                 qPrintable(problems.join(u'|')));
        QVERIFY(QFile::exists(broken.file(AppPaths::NoSurf)));
        QVERIFY(QFile::exists(broken.file(AppPaths::IntroPage)));
    }
};

TOBRIN_TEST(InstallationTest);
#include "installation_test.moc"
