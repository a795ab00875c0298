#include "shell/code_page_record.h"

#include "password/stored_password.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "shell/app_context.h"
#include "surflog/session_journal.h"
#include "surflog/session_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>
#include <vector>

namespace {

// During a change, "nosurf.txt.to-CP1252" is the new file and
// "nosurf.txt.was-CP1251" the old one, until the record names the new page.
const QString kNew = QStringLiteral(".to-");
const QString kOld = QStringLiteral(".was-");
const QString kNothingChanged = QStringLiteral("\n\nNothing was changed.");

// The installation's 8-bit text. The favorites page and the schedules are
// ASCII in every page, and the session journals UTF-8.
const QStringList& convertedFiles()
{
    static const QStringList files{AppPaths::NoSurf, AppPaths::Pref, AppPaths::Log};
    return files;
}

QString filesFolder(const AppPaths& paths)
{
    return QFileInfo(paths.file(AppPaths::CodePageName)).path();
}

struct Recorded
{
    bool exists = false;
    QString error;   // it exists but cannot be read
    QString text;    // its first line
    QByteArray name; // the page it names; empty when none the program knows
};

Recorded readRecord(const AppPaths& paths)
{
    const TextFile::BytesResult file = TextFile::readBytes(paths.file(AppPaths::CodePageName), 64);
    Recorded record{file.exists, file.error, {}, {}};
    const QStringList lines = TextFile::splitLines(QString::fromLatin1(file.bytes));
    record.text = lines.value(0).trimmed();
    record.name = CodePage::knownName(record.text);
    return record;
}

TextFile::WriteResult writeRecord(const AppPaths& paths, const QByteArray& name)
{
    return TextFile::writeBytes(paths.file(AppPaths::CodePageName), name + "\r\n");
}

bool replace(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QString knownList()
{
    QStringList names;
    for (const QByteArray& name : CodePage::known())
        names << QString::fromLatin1(name);
    return names.join(QStringLiteral(", "));
}

// Clears what a change cut short left: new files go; old ones of the page
// still recorded come back, since the change never finished. True when any
// came back.
bool undoCutShortChange(const AppPaths& paths, const QByteArray& recorded)
{
    const QDir dir(filesFolder(paths));
    bool restored = false;
    for (const QString& name :
         dir.entryList({u'*' + kNew + u'*', u'*' + kOld + u'*'}, QDir::Files)) {
        const qsizetype at = name.lastIndexOf(kOld);
        if (at > 0 && name.mid(at + kOld.size()).toLatin1() == recorded)
            restored = replace(dir.filePath(name), dir.filePath(name.left(at))) || restored;
        else
            QFile::remove(dir.filePath(name));
    }
    return restored;
}

} // namespace

namespace CodePageRecord {

Found establish(const AppPaths& paths, const QLocale& locale)
{
    const Recorded record = readRecord(paths);
    if (record.exists && record.name.isEmpty()) {
        const QString why =
            !record.error.isEmpty()
                ? record.error
                : QStringLiteral("The file \"%1\" names \"%2\", which is not a code page Tobrin "
                                 "knows.")
                      .arg(QDir::toNativeSeparators(paths.file(AppPaths::CodePageName)),
                           record.text.left(40));
        return {std::nullopt,
                why + QStringLiteral("\n\nTobrin cannot tell which code page its lists are kept "
                                     "in, so it does not start: read in another page, they would "
                                     "show the wrong letters. To say which page they are in, "
                                     "start it once as \"tobrin --code-page NAME\", with NAME "
                                     "one of %1.")
                          .arg(knownList()),
                {}};
    }
    if (record.exists) {
        QString notice;
        if (undoCutShortChange(paths, record.name))
            notice = QStringLiteral("A change of the code page was cut short. The lists are as "
                                    "they were, in %1.")
                         .arg(QString::fromLatin1(record.name));
        return {CodePage(record.name), {}, notice};
    }
    // The first start, or the first since pages were recorded: this run's
    // language decides, once.
    const QByteArray name = CodePage::nameFor(locale);
    const TextFile::WriteResult written = writeRecord(paths, name);
    return {CodePage(name), written.error, {}};
}

Outcome change(const AppPaths& paths, SettingsStore& settings, const QString& wanted)
{
    const QByteArray name = CodePage::knownName(wanted);
    if (name.isEmpty())
        return {false, QStringLiteral("\"%1\" is not a code page Tobrin can use. Choose one of %2.")
                           .arg(wanted, knownList())};
    const QString pageName = QString::fromLatin1(name);
    Recorded record = readRecord(paths);
    if (!record.exists) {
        // Like any first run, this one's language says which page the files
        // are in.
        establish(paths, QLocale::system());
        record = readRecord(paths);
    }
    if (record.name == name)
        return {true, QStringLiteral("The files are in %1 already.").arg(pageName)};
    if (record.name.isEmpty()) {
        // Nothing says which page the files are in: the parent says it now,
        // and nothing is converted.
        const TextFile::WriteResult written = writeRecord(paths, name);
        if (!written.ok())
            return {false, written.error + kNothingChanged};
        return {true, QStringLiteral("No known code page was recorded for the files, so they were "
                                     "not converted. From now on they are read in %1.")
                          .arg(pageName)};
    }
    if (SessionJournal::anyHeld(filesFolder(paths)))
        return {false, QStringLiteral("Tobrin is running from this installation. Close it, then "
                                      "change the code page.") +
                           kNothingChanged};
    undoCutShortChange(paths, record.name);
    const CodePage from(record.name);
    const CodePage to(name);

    // What sessions ended by a crash still owe the log goes in first, in the
    // page the log is in: their journals point at the log's old bytes.
    {
        SystemClock clock;
        SessionLog log(AppContext{paths, &settings, &clock, {}, {}, from});
        log.begin();
        const SessionLog::Notice notice = log.takeNotice();
        log.quitConfirmed();
        if (notice.error)
            return {false, notice.text + kNothingChanged};
    }

    struct Converted
    {
        QString path;
        QByteArray old;
        QByteArray bytes;
    };
    std::vector<Converted> files;
    QStringList unfit;
    for (const QString& relative : convertedFiles()) {
        const QString path = paths.file(relative);
        TextFile::BytesResult file = TextFile::readBytes(path);
        if (!file.error.isEmpty())
            return {false, file.error + kNothingChanged};
        const QString text = from.decode(file.bytes);
        if (const QString chars = to.unfit(text); !chars.isEmpty())
            unfit << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                  CodePage::spelled(chars));
        QByteArray bytes = to.encode(text);
        if (bytes != file.bytes)
            files.push_back({path, std::move(file.bytes), std::move(bytes)});
    }
    const QString oldPassword = settings.read(QStringLiteral("Password"), QString());
    QString newPassword = oldPassword;
    if (!StoredPassword::isUnset(settings)) {
        const QString password = StoredPassword::expected(settings, from);
        // Not spelled out: the message may be read by someone else.
        if (!to.fits(password))
            unfit << QStringLiteral("the password: a character of it (choose another password "
                                    "in the panel first)");
        newPassword = Scramble(password, StoredPassword::Key, to);
    }
    if (!unfit.isEmpty())
        return {false, QStringLiteral("The files cannot be changed to %1, which has no place for "
                                      "these characters:\n%2\n\nTake them out in the panel, or "
                                      "choose another code page.")
                               .arg(pageName, unfit.join(u'\n')) +
                           kNothingChanged};

    // Every new file is whole on disk before any old one is replaced, and the
    // old ones stay until the record names the new page: a start after a
    // crash in between puts them back.
    const auto newPath = [&](const Converted& f) { return f.path + kNew + pageName; };
    const auto oldPath = [&](const Converted& f) {
        return f.path + kOld + QString::fromLatin1(record.name);
    };
    const auto clearUp = [&] {
        for (const Converted& f : files)
            QFile::remove(newPath(f)), QFile::remove(oldPath(f));
    };
    for (const Converted& f : files) {
        for (const auto& [path, bytes] :
             {std::pair{newPath(f), f.bytes}, std::pair{oldPath(f), f.old}}) {
            const TextFile::WriteResult written = TextFile::writeBytes(path, bytes);
            if (!written.ok()) {
                clearUp();
                return {false, written.error + kNothingChanged};
            }
        }
    }
    QString error;
    std::size_t replaced = 0;
    while (replaced < files.size() && replace(newPath(files[replaced]), files[replaced].path))
        ++replaced;
    bool done = replaced == files.size();
    if (!done)
        error = QStringLiteral("The file \"%1\" could not be replaced.")
                    .arg(QDir::toNativeSeparators(files[replaced].path));
    if (done && newPassword != oldPassword)
        done = settings.write(QStringLiteral("Password"), newPassword, &error);
    if (done) {
        error = writeRecord(paths, name).error;
        done = error.isEmpty();
        if (!done && newPassword != oldPassword)
            (void)settings.write(QStringLiteral("Password"), oldPassword);
    }
    if (!done) {
        for (std::size_t i = 0; i < replaced; ++i)
            replace(oldPath(files[i]), files[i].path);
    }
    clearUp();
    if (!done)
        return {false, error + kNothingChanged};
    return {true, QStringLiteral("The lists, the surf log and the password are now kept in %1.")
                      .arg(pageName)};
}

} // namespace CodePageRecord
