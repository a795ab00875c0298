#pragma once

#include "filter/word_index.h"
#include "platform/code_page.h"
#include "platform/text_file.h"

#include <glibmm/main.h>
#include <sigc++/signal.h>

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// The blocked words as the parent sees them: in alphabetical order ignoring
// letter case, every entry exactly as typed or read (repeats and the empty
// word included), as UTF-8. Every change holds for the very next address; the
// index is rebuilt off the window's thread, and answers exactly meanwhile.
// The build belongs to the list: it is stopped and waited for when the list
// goes. Made, used and destroyed on the thread that runs its main context.
class BlockedWordList final
{
public:
    // Builds hand their result back through the calling thread's main context.
    BlockedWordList();
    // Through `results`; without one the list never builds an index and
    // checks word by word (for tools with no main loop).
    explicit BlockedWordList(Glib::RefPtr<Glib::MainContext> results);
    ~BlockedWordList();
    BlockedWordList(const BlockedWordList&) = delete;
    BlockedWordList& operator=(const BlockedWordList&) = delete;

    std::size_t count() const { return m_index->words().size(); }
    std::string_view at(std::size_t row) const { return m_index->words().at(row); }
    std::vector<std::string> entries() const;

    // Replaces the whole list; the entries are sorted, equal ones (ignoring
    // case) keeping their given order.
    void setEntries(const std::vector<std::string>& entries);
    // Puts a word after every entry that sorts before or equal to it, as a
    // sorted list box does; returns its row, or none when the list would pass
    // the 4 GiB its words may take.
    std::optional<std::size_t> insert(std::string_view word);
    // Removes the entry at row and returns it; a row past the end changes
    // nothing and gives nothing.
    std::optional<std::string> takeAt(std::size_t row);

    // True when the address contains an entry, compared exactly. No entry
    // matches an empty address; the empty entry matches any other.
    bool blocks(std::string_view address) const { return m_index->matches(address); }
    // The current words and index; never changed once made, so another
    // thread (the engine's request check) may keep asking the one it holds.
    std::shared_ptr<const WordIndex> matcher() const { return m_index; }
    // True once a build covers the words as they are; until then every
    // answer is still exact, only slower.
    bool indexCurrent() const { return m_index->current(); }
    // True from the start of a build beside until its result is taken.
    bool indexBuilding() const { return m_building; }
    // True once, after a build ran out of memory: the list then goes on
    // checking every word, exactly but slowly, and the parent should know.
    bool takeSlowCheckNotice();

    // How the index is built beside the window; tests hold or fail it here.
    using IndexBuilder = std::function<std::shared_ptr<const WordIndex>(
        std::shared_ptr<const WordStore>, std::stop_token)>;
    void setIndexBuilder(IndexBuilder builder) { m_buildIndex = std::move(builder); }

    // A new index replaced the old one: after every change, and when a build
    // covering the words as they are is in use.
    sigc::signal<void()>& signal_matcher_changed() { return m_matcherChanged; }
    // Rows changed as a list model tells it: at position, `removed` rows
    // went and `added` came in their place.
    sigc::signal<void(std::size_t position, std::size_t removed, std::size_t added)>&
    signal_rows_changed()
    {
        return m_rowsChanged;
    }

    // The words of a file, in list order, and the text of what went wrong.
    struct FileWords
    {
        WordStore words;
        std::string error;
    };
    // The file holds one entry per line, in list order. A missing file is an
    // empty list; the error is set only when the file exists but could not
    // be read whole. Touches nothing else, so any thread may read, with a
    // code page of its own.
    static FileWords read(const std::filesystem::path& path, const CodePage& page);
    // Replaces the list by the words read; returns their error.
    std::string load(FileWords file);
    std::string load(const std::filesystem::path& path, const CodePage& page);
    [[nodiscard]] TextFile::WriteResult save(const std::filesystem::path& path,
                                             const CodePage& page) const;

    // Loading or saving these takes long enough that the window should show
    // it is busy.
    static bool takesLong(const std::filesystem::path& path);
    bool takesLong() const;

    static bool sortsBefore(std::string_view a, std::string_view b);

private:
    void replace(WordStore sorted);
    void buildBeside();
    void built(const std::shared_ptr<const WordStore>& words,
               std::shared_ptr<const WordIndex> index, bool outOfMemory);
    void publish(std::shared_ptr<const WordIndex> index);
    std::size_t placeFor(std::string_view word) const;

    std::shared_ptr<const WordIndex> m_index;
    IndexBuilder m_buildIndex;
    Glib::RefPtr<Glib::MainContext> m_results;
    // A result still queued when the list goes finds this gone and is dropped.
    std::shared_ptr<BlockedWordList*> m_self;
    std::jthread m_builder;
    bool m_building = false;
    enum class SlowNotice
    {
        None,
        Due,
        Told
    } m_slowNotice = SlowNotice::None;
    sigc::signal<void()> m_matcherChanged;
    sigc::signal<void(std::size_t, std::size_t, std::size_t)> m_rowsChanged;
};

// Reads the blocked-word file on a thread of its own, started early in the
// program's start, so that the panel's load finds the words ready instead of
// reading them while the window waits.
class BlockedWordPreload final
{
public:
    BlockedWordPreload(const std::filesystem::path& path, const CodePage& page);
    // A preload never taken still ends before the program does.
    ~BlockedWordPreload() = default;
    BlockedWordPreload(const BlockedWordPreload&) = delete;
    BlockedWordPreload& operator=(const BlockedWordPreload&) = delete;

    // True when take() would not wait (the window may show it is busy first).
    bool ready() const;
    // The words read, waiting for them when need be; none when asked for
    // another file or code page, or a second time.
    std::optional<BlockedWordList::FileWords> take(const std::filesystem::path& path,
                                                   const CodePage& page);

private:
    std::filesystem::path m_path;
    std::string m_page;
    std::future<BlockedWordList::FileWords> m_words;
    std::jthread m_reader;
};
