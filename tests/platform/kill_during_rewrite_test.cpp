#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "filter/blocked_word_list.h"
#include "platform/text_file.h"
#include "test_main.h"
#include "timecontrol/schedule_file.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

// Two contents per kind of file, large enough that a kill often lands in the
// middle of writing one.
QStringList words(char letter)
{
    QStringList list;
    for (int i = 0; i < 20000; ++i)
        list << QStringLiteral("%1word%2").arg(QChar(letter)).arg(i, 6, 10, QChar(u'0'));
    return list;
}

FavoriteList favorites(char letter)
{
    FavoriteList list;
    for (int i = 0; i < 3000; ++i)
        list << Favorite{QStringLiteral("%1 site %2").arg(QChar(letter)).arg(i),
                         QStringLiteral("http://%1%2.example/").arg(QChar(letter)).arg(i)};
    return list;
}

// Writes one of the two contents of a kind of file through the product's
// own writer for it.
TextFile::WriteResult writeContent(const QString& kind, const QString& path, char letter)
{
    if (kind == u"nosurf") {
        BlockedWordList list;
        list.setEntries(words(letter));
        return list.save(path, CodePage());
    }
    if (kind == u"pref")
        return FavoritesFile::write(path, favorites(letter), CodePage());
    if (kind == u"page")
        return FavoritesPage::write(path, FavoritesPage::Form::Add, favorites(letter));
    if (kind == u"schedule") {
        Schedule::Blocked day{};
        day.fill(letter == 'b');
        return Schedule::writeDay(path, day);
    }
    // The surf log as the viewer's Apply rewrites it.
    return TextFile::writeLines(path, words(letter), CodePage());
}

// Rewrites the file, alternating between its two contents, until killed.
int rewriteForever()
{
    const QString kind = qEnvironmentVariable("TOBRIN_REWRITE_KIND");
    const QString path = qEnvironmentVariable("TOBRIN_REWRITE_PATH");
    for (unsigned n = 0;; ++n) {
        if (!writeContent(kind, path, n % 2 ? 'b' : 'a').ok())
            return 3;
        if (n == 1)
            std::fputs("ready\n", stdout), std::fflush(stdout);
    }
}

const int registered = registerTestChild("rewrite", rewriteForever);

} // namespace

class KillDuringRewriteTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWriterLeavesOldOrNewFile_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"nosurf", "pref", "page", "schedule", "log"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void killedWriterLeavesOldOrNewFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("target.txt"));
        QByteArray expected[2];
        for (int i = 0; i < 2; ++i) {
            const QString reference = dir.filePath(QStringLiteral("reference%1.txt").arg(i));
            QVERIFY(writeContent(kind, reference, i ? 'b' : 'a').ok());
            expected[i] = TextFile::readBytes(reference).bytes;
            QVERIFY(!expected[i].isEmpty());
        }
        QVERIFY(expected[0] != expected[1]);
        for (int round = 0; round < 25; ++round) {
            QProcess writer;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("TOBRIN_TEST_CHILD"), QStringLiteral("rewrite"));
            env.insert(QStringLiteral("TOBRIN_REWRITE_KIND"), kind);
            env.insert(QStringLiteral("TOBRIN_REWRITE_PATH"), path);
            writer.setProcessEnvironment(env);
            writer.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(writer.waitForReadyRead(30000));
            QThread::usleep(QRandomGenerator::global()->bounded(1, 40000));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(10000));

            const TextFile::BytesResult after = TextFile::readBytes(path);
            QVERIFY(after.exists);
            QVERIFY2(after.bytes == expected[0] || after.bytes == expected[1],
                     qPrintable(QStringLiteral("after kill %1 the file holds %2 bytes, neither "
                                               "the old nor the new content")
                                    .arg(round + 1)
                                    .arg(after.bytes.size())));
        }
    }
};

TOBRIN_TEST(KillDuringRewriteTest);
#include "kill_during_rewrite_test.moc"
