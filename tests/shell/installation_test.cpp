#include "shell/app_paths.h"
#include "shell/installation.h"
#include "shell/text_file.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class InstallationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingPiecesAreMadeAndExistingOnesKept()
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
    }

    void whatCannotBeMadeIsNamed()
    {
        QTemporaryDir dir;
        const AppPaths paths(dir.path());
        // A plain file where the buffer folder should be.
        QVERIFY(TextFile::writeBytes(paths.file(QStringLiteral("/buffer")), "x").ok());
        const QStringList problems = Installation::repair(paths);
        QVERIFY(!problems.isEmpty());
        QVERIFY2(problems.first().contains(QStringLiteral("buffer")),
                 qPrintable(problems.join(u'|')));
        // The rest is still made.
        QVERIFY(QFile::exists(paths.file(AppPaths::NoSurf)));
        QVERIFY(QFile::exists(paths.file(AppPaths::IntroPage)));
    }
};

TOBRIN_TEST(InstallationTest);
#include "installation_test.moc"
