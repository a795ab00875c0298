#include "filter/blocked_word_list.h"

#include "platform/utf8.h"

#include <glib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <stdexcept>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Lists this long take long enough to load or save that the parent should see
// the program is busy.
constexpr std::size_t kBusyWords = 100000;

// The words' positions are 32-bit.
constexpr std::size_t kMaxWordBytes = std::numeric_limits<std::uint32_t>::max();

// Reads the file into bytes with no second copy of a long list; false when
// it holds more than max bytes (the first max are read).
bool readInto(TextFile::FileReader& file, std::string& bytes, std::size_t max)
{
    bytes.resize(std::size_t(std::min<std::uint64_t>(file.size(), max)));
    std::size_t have = 0;
    for (;;) {
        if (have < bytes.size()) {
            const std::size_t n = file.read(bytes.data() + have, bytes.size() - have);
            if (n == 0)
                break;
            have += n;
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

// A character's letter case left out, as the list box's order has always
// compared them (the Turkish dotted I and dotless i keep their own places),
// then placed as 16-bit text orders it: characters past the first 65,536
// come before the last 8,192 of those.
std::uint32_t orderKey(char32_t c)
{
    if (c != 0x130 && c != 0x131)
        c = g_unichar_tolower(g_unichar_toupper(gunichar(c)));
    return c >= 0xE000 && c <= 0xFFFF ? c + 0x110000 : c;
}

int compareFolded(std::string_view a, std::string_view b, std::size_t from)
{
    std::size_t i = from;
    std::size_t j = from;
    while (i < a.size() && j < b.size()) {
        const Utf8::Char x = Utf8::at(a, i);
        const Utf8::Char y = Utf8::at(b, j);
        i += x.length;
        j += y.length;
        if (orderKey(x.code) != orderKey(y.code))
            return orderKey(x.code) < orderKey(y.code) ? -1 : 1;
    }
    return i < a.size() ? 1 : (j < b.size() ? -1 : 0);
}

// The list's order (letter case ignored) on the stored UTF-8 words. Bytes
// that agree agree ignoring case too, and end whole characters where an
// ASCII byte follows; so only where the words differ is case looked at, and
// a difference beyond ASCII is compared character by character from the
// character it falls in.
int compareIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = firstDifference(a.data(), b.data(), 0, n); i < n;
         i = firstDifference(a.data(), b.data(), i + 1, n)) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80) {
            std::size_t start = i;
            const auto inside = [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
            };
            while (start > 0 && (inside(a[start]) || inside(b[start])))
                --start;
            return compareFolded(a, b, start);
        }
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
    // Most pairs differ in their first eight bytes: compared as one number,
    // letters folded, they need no walk through the words. A word with a byte
    // past ASCII there has no such number; the whole comparison orders it.
    struct Row
    {
        std::uint64_t prefix;
        std::uint32_t row;
        bool plain;
    };
    std::vector<Row> order(words.size());
    for (std::uint32_t row = 0; row < order.size(); ++row) {
        const std::string_view word = words.at(row);
        Row& r = order[row];
        r = {0, row, true};
        for (std::size_t i = 0; i < 8; ++i) {
            auto c = i < word.size() ? static_cast<unsigned char>(word[i]) : 0u;
            r.plain = r.plain && c < 0x80;
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
            r.prefix = r.prefix << 8 | c;
        }
    }
    std::stable_sort(order.begin(), order.end(), [&words](const Row& a, const Row& b) {
        if (a.plain && b.plain && a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return compareIgnoringCase(words.at(a.row), words.at(b.row)) < 0;
    });
    WordStore sorted;
    sorted.reserve(words.size(), words.memoryBytes());
    for (const Row& r : order)
        sorted.append(words.at(r.row));
    return sorted;
}

} // namespace

BlockedWordList::BlockedWordList() : BlockedWordList(Glib::MainContext::get_thread_default()) {}

BlockedWordList::BlockedWordList(Glib::RefPtr<Glib::MainContext> results)
    : m_index(WordIndex(std::make_shared<WordStore>()).shared()),
      m_buildIndex([](std::shared_ptr<const WordStore> words, std::stop_token stop) {
          return WordIndex::build(std::move(words), std::move(stop));
      }),
      m_results(std::move(results)), m_self(std::make_shared<BlockedWordList*>(this))
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

bool BlockedWordList::sortsBefore(std::string_view a, std::string_view b)
{
    return compareIgnoringCase(a, b) < 0;
}

std::vector<std::string> BlockedWordList::entries() const
{
    std::vector<std::string> list;
    list.reserve(count());
    for (std::size_t row = 0; row < count(); ++row)
        list.emplace_back(at(row));
    return list;
}

void BlockedWordList::setEntries(const std::vector<std::string>& entries)
{
    WordStore words;
    for (const std::string& entry : entries) {
        if (!words.append(entry))
            break;
    }
    replace(inListOrder(std::move(words)));
}

void BlockedWordList::replace(WordStore sorted)
{
    const std::size_t before = count();
    publish(std::make_shared<WordIndex>(std::make_shared<const WordStore>(std::move(sorted))));
    m_rowsChanged.emit(0, before, count());
    buildBeside();
}

void BlockedWordList::buildBeside()
{
    // One build at a time: a change while it runs makes its result stale,
    // and the next build starts from the words as they are then.
    if (m_building || !m_results)
        return;
    m_building = true;
    if (m_builder.joinable())
        m_builder.join(); // it has handed its result over already
    m_builder = std::jthread([words = m_index->store(), build = m_buildIndex, results = m_results,
                              self = std::weak_ptr(m_self)](std::stop_token stop) mutable {
        // Below the window and the page engine: the list checks exactly meanwhile.
        setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 15);
        std::shared_ptr<const WordIndex> index;
        bool outOfMemory = false;
        try {
            index = build(words, stop);
            // Written into the block the engine's processes map, here off
            // the window's thread: the words then lie only there.
            if (index && !index->block())
                index = index->shared();
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        } catch (const std::length_error&) { // a table past what one vector may hold
            outOfMemory = true;
        }
        if (stop.stop_requested())
            return;
        // Delivered on the window's thread; the destructor joins this thread
        // first, and a result still queued then finds the list gone.
        results->signal_idle().connect_once([self = std::move(self), words = std::move(words),
                                             index = std::move(index), outOfMemory] {
            if (const auto list = self.lock())
                (*list)->built(words, index, outOfMemory);
        });
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
    // The build's scratch space goes back to the system, not only to that
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
    // Every index the list answers with is one the page engine can send as
    // it is, and holds the words once for the whole program.
    m_index = index->block() ? std::move(index) : index->shared();
    m_matcherChanged.emit();
}

std::size_t BlockedWordList::placeFor(std::string_view word) const
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
    return lo;
}

std::optional<std::size_t> BlockedWordList::insert(std::string_view word)
{
    const std::size_t row = placeFor(word);
    std::optional<WordStore> grown = m_index->words().inserted(row, word);
    if (!grown)
        return std::nullopt;
    auto words = std::make_shared<const WordStore>(std::move(*grown));
    publish(m_index->inserted(std::move(words), row));
    m_rowsChanged.emit(row, 0, 1);
    // The index answers exactly at once; a fresh automaton makes it fast again.
    buildBeside();
    return row;
}

std::optional<std::string> BlockedWordList::takeAt(std::size_t row)
{
    if (row >= count())
        return std::nullopt;
    std::string word(at(row));
    auto words = std::make_shared<const WordStore>(m_index->words().removed(row));
    publish(m_index->removed(std::move(words), row));
    m_rowsChanged.emit(row, 1, 0);
    buildBeside();
    return word;
}

bool BlockedWordList::takesLong(const std::filesystem::path& path)
{
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(path, unknown);
    return !unknown && size > kBusyWords * 8;
}

bool BlockedWordList::takesLong() const
{
    return count() > kBusyWords;
}

BlockedWordList::FileWords BlockedWordList::read(const std::filesystem::path& path,
                                                 const CodePage& page)
{
    std::string bytes;
    bool whole = true;
    TextFile::ReadStatus status =
        TextFile::readWith(path, [&bytes, &whole](TextFile::FileReader& file) {
            whole = readInto(file, bytes, kMaxWordBytes);
        });
    if (!whole) // the line cut off at the limit is not a word of the file
        bytes.resize(bytes.find_last_of("\r\n") + 1);
    FileWords file;
    // ASCII, as host-name lists are, reads the same in every code page and is
    // UTF-8 already: a long list is then never copied.
    const bool fits = file.words.takeLines(
        std::move(bytes), [&page](std::string_view raw) { return page.decode(raw); });
    file.words = inListOrder(std::move(file.words));
    file.error = std::move(status.error);
    if (!(whole && fits) && file.error.empty())
        file.error =
            "The file \"" + path.string() + "\" is too large: only its first words are blocked.";
    return file;
}

std::string BlockedWordList::load(FileWords file)
{
    replace(std::move(file.words));
    malloc_trim(0);
    return file.error;
}

std::string BlockedWordList::load(const std::filesystem::path& path, const CodePage& page)
{
    return load(read(path, page));
}

TextFile::WriteResult BlockedWordList::save(const std::filesystem::path& path,
                                            const CodePage& page) const
{
    const WordStore& words = m_index->words();
    std::string utf8;
    utf8.reserve(words.memoryBytes());
    for (std::size_t row = 0; row < words.size(); ++row)
        utf8.append(words.at(row)).append("\r\n");
    // Plain ASCII is the same in every code page: no need to convert.
    if (words.ascii())
        return TextFile::writeBytes(path, utf8);
    return TextFile::writeBytes(path, page.encode(utf8));
}

BlockedWordPreload::BlockedWordPreload(const std::filesystem::path& path, const CodePage& page)
    : m_path(path), m_page(page.name())
{
    // A page of the thread's own: copies of a page share one converter, which
    // two threads must not use at once.
    std::packaged_task<BlockedWordList::FileWords()> task(
        [path, name = page.name()] { return BlockedWordList::read(path, CodePage(name)); });
    m_words = task.get_future();
    m_reader = std::jthread(std::move(task));
}

bool BlockedWordPreload::ready() const
{
    return !m_words.valid() ||
           m_words.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::optional<BlockedWordList::FileWords>
BlockedWordPreload::take(const std::filesystem::path& path, const CodePage& page)
{
    if (!m_words.valid() || path != m_path || page.name() != m_page)
        return std::nullopt;
    return m_words.get();
}
