#include "surflog/session_journal.h"

#include "surflog/log_records.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString writeError(const QString& path, int error)
{
    return QStringLiteral("The file \"%1\" could not be written: %2.")
        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(error)));
}

// files/session.jnl, then files/session2.jnl and on for browsers running at once.
QString journalPath(const QString& folder, int n)
{
    return folder +
           (n == 1 ? QStringLiteral("/session.jnl") : QStringLiteral("/session%1.jnl").arg(n));
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

int openHeld(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_RDWR | O_APPEND | O_CLOEXEC, 0666);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

QByteArray sha1(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

} // namespace

SessionJournal::~SessionJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<SessionJournal> SessionJournal::create(const QString& folder, QString* error)
{
    // Made under a name of its own and locked first, then linked to a free
    // journal name: a browser starting at the same moment never finds it
    // unlocked and takes it for the journal of a session that is over.
    const QString temporary = folder + QStringLiteral("/session.jnl.%1.new").arg(::getpid());
    const QByteArray made = nativePath(temporary);
    ::unlink(made.constData()); // left by an earlier process of the same number
    const int fd = openHeld(made, O_CREAT | O_EXCL);
    if (fd < 0) {
        *error = writeError(temporary, errno);
        return nullptr;
    }
    bool linkable = true;
    for (int n = 1; n < 1000; ++n) {
        const QString path = journalPath(folder, n);
        const QByteArray name = nativePath(path);
        if (linkable) {
            if (::link(made.constData(), name.constData()) == 0) {
                ::unlink(made.constData());
                return std::unique_ptr<SessionJournal>(new SessionJournal(path, fd));
            }
            if (errno == EEXIST)
                continue;
            // A file system without hard links: the name itself, unlocked for
            // a moment.
            linkable = false;
            ::close(fd);
            ::unlink(made.constData());
        }
        const int direct = openHeld(name, O_CREAT | O_EXCL);
        if (direct >= 0)
            return std::unique_ptr<SessionJournal>(new SessionJournal(path, direct));
        if (errno != EEXIST) {
            *error = writeError(path, errno);
            return nullptr;
        }
    }
    if (linkable) {
        ::close(fd);
        ::unlink(made.constData());
    }
    *error = writeError(journalPath(folder, 1), EEXIST);
    return nullptr;
}

std::vector<std::unique_ptr<SessionJournal>> SessionJournal::takeOver(const QString& folder)
{
    std::vector<std::unique_ptr<SessionJournal>> taken;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("session*.jnl"), QStringLiteral("session.jnl.*.new")},
                      QDir::Files | QDir::System);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        const int fd = openHeld(nativePath(path), 0);
        if (fd < 0)
            continue; // held: that browser still runs
        struct stat info;
        if (::fstat(fd, &info) != 0 || info.st_nlink == 0) {
            ::close(fd); // another start took it over and removed it meanwhile
            continue;
        }
        std::unique_ptr<SessionJournal> journal(new SessionJournal(path, fd));
        if (name.endsWith(QStringLiteral(".new"))) {
            journal->remove(); // a journal being made when its browser ended
            continue;
        }
        journal->m_contents = readAll(fd);
        journal->m_lastSeen = QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 +
                                                             info.st_mtim.tv_nsec / 1000000);
        taken.push_back(std::move(journal));
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [](const auto& a, const auto& b) { return a->m_lastSeen < b->m_lastSeen; });
    return taken;
}

bool SessionJournal::anyHeld(const QString& folder)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("session*.jnl"), QStringLiteral("session.jnl.*.new")},
                      QDir::Files | QDir::System);
    for (const QString& name : names) {
        const int fd = ::open(nativePath(dir.filePath(name)).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return true;
    }
    return false;
}

bool SessionJournal::append(QByteArrayView bytes, QString* error)
{
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
        *error = writeError(m_path, m_fd < 0 ? EBADF : errno);
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int reason = n < 0 ? errno : ENOSPC;
            // A line cut short would glue itself to the next one.
            if (done > 0) {
                [[maybe_unused]] const int ignored = ::ftruncate(m_fd, info.st_size);
            }
            *error = writeError(m_path, reason);
            return false;
        }
        done += n;
    }
    return true;
}

void SessionJournal::touch(const QDateTime& moment)
{
    const qint64 ms = moment.toMSecsSinceEpoch();
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {time_t(ms / 1000), long(ms % 1000) * 1000000}};
    if (m_fd >= 0)
        ::futimens(m_fd, times);
}

void SessionJournal::remove()
{
    if (m_fd < 0)
        return;
    ::unlink(nativePath(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

QByteArray SessionJournal::addressLine(const QString& address)
{
    // One entry a line: a line break inside an address is kept encoded.
    QString text = address;
    text.replace(u'\r', QStringLiteral("%0D")).replace(u'\n', QStringLiteral("%0A"));
    return "A " + text.toUtf8() + "\r\n";
}

QByteArray SessionJournal::startLine(const QString& dateTime)
{
    return "S " + dateTime.toUtf8() + "\r\n";
}

QByteArray SessionJournal::endLine(int bars, int count, const QString& dateTime)
{
    return "E " + QByteArray::number(bars) + ' ' + QByteArray::number(count) + ' ' +
           dateTime.toUtf8() + "\r\n";
}

QByteArray SessionJournal::writingLine(char letter, qint64 offset, QByteArrayView bytes)
{
    return QByteArray(1, letter) + ' ' + QByteArray::number(offset) + ' ' +
           QByteArray::number(bytes.size()) + ' ' + sha1(bytes) + "\r\n";
}

QByteArray SessionJournal::markLine(char letter)
{
    return QByteArray(1, letter) + "\r\n";
}

SessionJournal::Owed SessionJournal::owed(QByteArrayView journal, const QString& lastSeen,
                                          const InLog& inLog, const CodePage& page)
{
    QStringList history;
    QSet<QString> seen;
    QByteArray pending;
    bool quit = false;
    Owed result;
    // Whether the log holds what a 'P' or 'R' line names where it was going;
    // if not, the bytes that write may have left a piece of.
    auto written = [&](const QList<QByteArray>& values, const QByteArray& covered) {
        bool offsetOk = false, lengthOk = false;
        const qint64 offset = values.value(1).toLongLong(&offsetOk);
        const qint64 length = values.value(2).toLongLong(&lengthOk);
        if (values.size() != 4 || !offsetOk || !lengthOk)
            return false;
        result.cutAt = offset;
        result.cut = covered;
        if (!inLog(offset, length, values[3]))
            return false;
        result.cutAt = -1;
        return true;
    };
    auto abnormal = [&] {
        return quit ? QByteArray() : SurfLog::abnormalEndRecord(history, lastSeen, page);
    };
    for (qsizetype start = 0;;) {
        const qsizetype end = journal.indexOf('\n', start);
        if (end < 0)
            break; // none, or a last line cut short
        QByteArray line = journal.sliced(start, end - start).toByteArray();
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QByteArray rest = line.mid(2);
        switch (line[0]) {
        case 'A': {
            const QString address = QString::fromUtf8(rest);
            if (!seen.contains(address)) {
                seen.insert(address);
                history << address;
            }
            break;
        }
        case 'S':
            pending += SurfLog::startRecord(QString::fromUtf8(rest), page);
            break;
        case 'E': {
            const QList<QByteArray> values = rest.split(' ');
            bool ok = false;
            const int count = values.value(1).toInt(&ok);
            if (values.size() < 3 || !ok)
                break;
            const SurfLog::QuitPath path =
                values[0] == "54" ? SurfLog::QuitPath::WindowClose : SurfLog::QuitPath::QuitButton;
            const QString dateTime =
                QString::fromUtf8(rest.mid(values[0].size() + values[1].size() + 2));
            pending += SurfLog::endRecord(history.mid(0, qBound(0, count, int(history.size()))),
                                          dateTime, path, page);
            break;
        }
        case 'P':
            if (written(line.split(' '), pending))
                pending.clear();
            break;
        case 'W':
            pending.clear();
            result.cutAt = -1;
            break;
        case 'Q':
            quit = true;
            break;
        case 'R':
            if (written(line.split(' '), pending + abnormal()))
                return {};
            break;
        default:
            break; // not an entry: the zeros a power cut may leave
        }
    }
    result.late = !pending.isEmpty();
    result.bytes = pending + abnormal();
    return result;
}
