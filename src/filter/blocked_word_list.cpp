#include "filter/blocked_word_list.h"

#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>
#include <thread>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Lists this long take long enough to load or save that the parent should see
// the program is busy.
constexpr std::size_t kBusyWords = 100000;

bool isLong(const QString& path)
{
    return std::size_t(QFileInfo(path).size()) > kBusyWords * 8;
}
// The words' positions are 32-bit.
constexpr std::size_t kMaxWordBytes = std::numeric_limits<std::uint32_t>::max();

// Reads the file into bytes, without the second copy a QByteArray would
// need; false when it holds more than max bytes (the first max are read).
bool readInto(QFile& file, std::string& bytes, std::size_t max)
{
    bytes.resize(std::size_t(std::clamp<qint64>(file.size(), 0, qint64(max))));
    std::size_t have = 0;
    for (;;) {
        if (have < bytes.size()) {
            const qint64 n = file.read(bytes.data() + have, qint64(bytes.size() - have));
            if (n <= 0)
                break;
            have += std::size_t(n);
            continue;
        }
        // Longer than it said, or a pipe with no size: one more byte tells.
        char next = 0;
        if (file.read(&next, 1) != 1)
            break;
        if (have == max) {
            bytes.resize(have);
            return false;
        }
        bytes.resize(std::min(max, std::max<std::size_t>(2 * have, 1 << 16)));
        bytes[have++] = next;
    }
    bytes.resize(have);
    return true;
}

QString fromUtf8(std::string_view word)
{
    return QString::fromUtf8(word.data(), qsizetype(word.size()));
}

// Where a and b first differ, from `from` on; n when their first n bytes agree.
std::size_t firstDifference(const char* a, const char* b, std::size_t from, std::size_t n)
{
    for (; from + 8 <= n; from += 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + from, 8);
        std::memcpy(&y, b + from, 8);
        if (x != y)
            return from + std::size_t(std::countr_zero(x ^ y)) / 8;
    }
    while (from < n && a[from] == b[from])
        ++from;
    return from;
}

// The list's order (letter case ignored) on the stored UTF-8 words. Bytes
// that agree agree ignoring case too, and end whole characters where an
// ASCII byte follows; so only where the words differ is case looked at, and
// a difference beyond ASCII is left to the case-insensitive string compare.
int compareIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = firstDifference(a.data(), b.data(), 0, n); i < n;
         i = firstDifference(a.data(), b.data(), i + 1, n)) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            return fromUtf8(a).compare(fromUtf8(b), Qt::CaseInsensitive);
        if (x >= 'A' && x <= 'Z')
            x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z')
            y += 'a' - 'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool inOrder(const WordStore& words)
{
    for (std::size_t row = 1; row < words.size(); ++row) {
        if (compareIgnoringCase(words.at(row - 1), words.at(row)) > 0)
            return false;
    }
    return true;
}

// The words in the list's order, equal ones (ignoring case) as they came.
WordStore inListOrder(WordStore words)
{
    // A list this program saved is in order already: checking costs far less than sorting.
    if (inOrder(words))
        return words;
    std::vector<std::uint32_t> order(words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&words](std::uint32_t a, std::uint32_t b) {
        return compareIgnoringCase(words.at(a), words.at(b)) < 0;
    });
    WordStore sorted;
    sorted.reserve(words.size(), words.memoryBytes());
    for (std::uint32_t row : order)
        sorted.append(words.at(row));
    return sorted;
}

class BusyPointer
{
public:
    explicit BusyPointer(bool busy) : m_busy(busy && qobject_cast<QGuiApplication*>(qApp))
    {
        if (m_busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyPointer()
    {
        if (m_busy)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool m_busy;
};

} // namespace

BlockedWordList::BlockedWordList(QObject* parent)
    : QAbstractListModel(parent),
      m_index(std::make_shared<WordIndex>(std::make_shared<WordStore>())),
      m_buildIndex([](std::shared_ptr<const WordStore> words, std::stop_token stop) {
          return WordIndex::build(std::move(words), std::move(stop));
      })
{
}

BlockedWordList::~BlockedWordList()
{
    // Before the list's members go: a build still running stops at its next
    // poll, and its result is never delivered.
    m_builder.request_stop();
    if (m_builder.joinable())
        m_builder.join();
}

bool BlockedWordList::sortsBefore(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

int BlockedWordList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant BlockedWordList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return at(index.row());
    return {};
}

QString BlockedWordList::at(int row) const
{
    return fromUtf8(m_index->words().at(std::size_t(row)));
}

QStringList BlockedWordList::entries() const
{
    QStringList list;
    list.reserve(count());
    for (int row = 0; row < count(); ++row)
        list.append(at(row));
    return list;
}

void BlockedWordList::setEntries(const QStringList& entries)
{
    WordStore words;
    for (const QString& entry : entries) {
        if (!words.append(toUtf8(entry)))
            break;
    }
    replace(inListOrder(std::move(words)));
}

void BlockedWordList::replace(WordStore sorted)
{
    auto store = std::make_shared<const WordStore>(std::move(sorted));
    beginResetModel();
    publish(std::make_shared<WordIndex>(std::move(store)));
    endResetModel();
    buildBeside();
}

void BlockedWordList::buildBeside()
{
    // One build at a time: a change while it runs makes its result stale,
    // and the next build starts from the words as they are then.
    if (m_building || !QCoreApplication::instance())
        return; // without an event loop the result could not come back
    m_building = true;
    if (m_builder.joinable())
        m_builder.join(); // it has handed its result over already
    m_builder =
        std::jthread([this, words = m_index->store(), build = m_buildIndex](std::stop_token stop) {
            // Below the window and the page engine: the list checks exactly meanwhile.
            setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 15);
            std::shared_ptr<const WordIndex> index;
            bool outOfMemory = false;
            try {
                index = build(words, stop);
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            if (stop.stop_requested())
                return;
            // Delivered on the window's thread; the destructor joins this thread
            // first, and Qt drops what is still queued for a list that is gone.
            QMetaObject::invokeMethod(
                this,
                [this, words = std::move(words), index = std::move(index), outOfMemory] {
                    built(words, index, outOfMemory);
                },
                Qt::QueuedConnection);
        });
}

void BlockedWordList::built(const std::shared_ptr<const WordStore>& words,
                            std::shared_ptr<const WordIndex> index, bool outOfMemory)
{
    m_building = false;
    // Every change makes a new store, and the build holds on to the one it
    // was given: another store here means the list changed meanwhile.
    if (words != m_index->store()) {
        buildBeside();
        return;
    }
    if (index)
        publish(std::move(index));
    else if (outOfMemory && m_slowNotice == SlowNotice::None)
        m_slowNotice = SlowNotice::Due;
    // The build's scratch space goes back to the system, not only to this
    // thread's heap.
    malloc_trim(0);
}

bool BlockedWordList::takeSlowCheckNotice()
{
    if (m_slowNotice != SlowNotice::Due)
        return false;
    m_slowNotice = SlowNotice::Told;
    return true;
}

void BlockedWordList::publish(std::shared_ptr<const WordIndex> index)
{
    m_index = std::move(index);
    Q_EMIT matcherChanged();
}

int BlockedWordList::placeFor(std::string_view word) const
{
    const WordStore& words = m_index->words();
    std::size_t lo = 0;
    std::size_t hi = words.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (compareIgnoringCase(word, words.at(mid)) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return int(lo);
}

int BlockedWordList::insert(const QString& word)
{
    const std::string bytes = toUtf8(word);
    const int row = placeFor(bytes);
    std::optional<WordStore> grown = m_index->words().inserted(std::size_t(row), bytes);
    if (!grown)
        return -1;
    auto words = std::make_shared<const WordStore>(std::move(*grown));
    beginInsertRows({}, row, row);
    publish(m_index->inserted(std::move(words), std::size_t(row)));
    endInsertRows();
    // The index answers exactly at once; a fresh automaton makes it fast again.
    buildBeside();
    return row;
}

QString BlockedWordList::takeAt(int row)
{
    const QString word = at(row);
    auto words = std::make_shared<const WordStore>(m_index->words().removed(std::size_t(row)));
    beginRemoveRows({}, row, row);
    publish(m_index->removed(std::move(words), std::size_t(row)));
    endRemoveRows();
    buildBeside();
    return word;
}

bool BlockedWordList::blocks(QStringView address) const
{
    return m_index->matches(address);
}

BlockedWordList::FileWords BlockedWordList::read(const QString& path, const CodePage& page)
{
    std::string bytes;
    bool whole = true;
    TextFile::ReadStatus status = TextFile::readWith(
        path, [&bytes, &whole](QFile& file) { whole = readInto(file, bytes, kMaxWordBytes); });
    if (!whole) // the line cut off at the limit is not a word of the file
        bytes.resize(bytes.find_last_of("\r\n") + 1);
    FileWords file;
    // ASCII, as host-name lists are, reads the same in every code page and is
    // UTF-8 already: a long list then never exists as 16-bit text.
    const bool fits = file.words.takeLines(std::move(bytes), [&page](std::string_view raw) {
        return toUtf8(page.decode(QByteArrayView(raw.data(), qsizetype(raw.size()))));
    });
    file.words = inListOrder(std::move(file.words));
    file.error = std::move(status.error);
    if (!(whole && fits) && file.error.isEmpty())
        file.error =
            QStringLiteral("The file \"%1\" is too large: only its first words are blocked.")
                .arg(path);
    return file;
}

QString BlockedWordList::load(FileWords file)
{
    replace(std::move(file.words));
    malloc_trim(0);
    return file.error;
}

QString BlockedWordList::load(const QString& path, const CodePage& page)
{
    const BusyPointer busy(isLong(path));
    return load(read(path, page));
}

TextFile::WriteResult BlockedWordList::save(const QString& path, const CodePage& page) const
{
    const WordStore& words = m_index->words();
    const BusyPointer busy(words.size() > kBusyWords);
    std::string utf8;
    utf8.reserve(words.memoryBytes());
    for (std::size_t row = 0; row < words.size(); ++row)
        utf8.append(words.at(row)).append("\r\n");
    // Plain ASCII is the same in every code page: no need to go through 16-bit text.
    if (words.ascii())
        return TextFile::writeBytes(path, QByteArrayView(utf8.data(), qsizetype(utf8.size())));
    return TextFile::writeBytes(path, page.encode(fromUtf8(utf8)));
}

BlockedWordPreload::BlockedWordPreload(const QString& path, const CodePage& page)
    : m_path(path), m_page(page.name()),
      m_words(std::async(std::launch::async, &BlockedWordList::read, path, page))
{
}

// A preload never taken still ends before the program does.
BlockedWordPreload::~BlockedWordPreload() = default;

std::optional<BlockedWordList::FileWords> BlockedWordPreload::take(const QString& path,
                                                                   const CodePage& page)
{
    if (!m_words.valid() || path != m_path || page.name() != m_page)
        return std::nullopt;
    if (m_words.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        const BusyPointer busy(isLong(path));
        m_words.wait();
    }
    return m_words.get();
}
