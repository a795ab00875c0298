#pragma once

#include "filter/word_index.h"
#include "platform/text_file.h"

#include <QAbstractListModel>
#include <QStringList>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

// The blocked words as the parent sees them: in alphabetical order ignoring
// letter case, every entry exactly as typed or read (repeats and the empty
// word included). Every change holds for the very next address; the index is
// rebuilt off the window's thread, and answers exactly meanwhile. The build
// belongs to the list: it is stopped and waited for when the list goes.
class BlockedWordList final : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit BlockedWordList(QObject* parent = nullptr);
    ~BlockedWordList() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return int(m_index->words().size()); }
    QString at(int row) const;
    QStringList entries() const;

    // Replaces the whole list; the entries are sorted, equal ones (ignoring
    // case) keeping their given order.
    void setEntries(const QStringList& entries);
    // Puts a word after every entry that sorts before or equal to it, as a
    // sorted list box does; returns its row, or -1 when the list would pass
    // the 4 GiB its words may take.
    int insert(const QString& word);
    // Removes the entry at row and returns it.
    QString takeAt(int row);

    // True when the address contains an entry, compared exactly. No entry
    // matches an empty address; the empty entry matches any other.
    bool blocks(QStringView address) const;
    // The current words and index; never changed once made, so another
    // thread (the engine's request check) may keep asking the one it holds.
    std::shared_ptr<const WordIndex> matcher() const { return m_index; }
    // True once a build covers the words as they are; until then every
    // answer is still exact, only slower.
    bool indexCurrent() const { return m_index->current(); }
    // True once, after a build ran out of memory: the list then goes on
    // checking every word, exactly but slowly, and the parent should know.
    bool takeSlowCheckNotice();

    // How the index is built beside the window; tests hold or fail it here.
    using IndexBuilder = std::function<std::shared_ptr<const WordIndex>(
        std::shared_ptr<const WordStore>, std::stop_token)>;
    void setIndexBuilder(IndexBuilder builder) { m_buildIndex = std::move(builder); }

    // The words of a file, in list order, and the text of what went wrong.
    struct FileWords
    {
        WordStore words;
        QString error;
    };
    // The file holds one entry per line, in list order. A missing file is an
    // empty list; the error is set only when the file exists but could not
    // be read whole. Touches nothing else, so any thread may read.
    static FileWords read(const QString& path, const CodePage& page);
    // Replaces the list by the words read; returns their error.
    QString load(FileWords file);
    QString load(const QString& path, const CodePage& page);
    [[nodiscard]] TextFile::WriteResult save(const QString& path, const CodePage& page) const;

    static bool sortsBefore(const QString& a, const QString& b);

Q_SIGNALS:
    // A new index replaced the old one: after every change, and when a
    // build covering the words as they are is in use.
    void matcherChanged();

private:
    void replace(WordStore sorted);
    void buildBeside();
    void built(const std::shared_ptr<const WordStore>& words,
               std::shared_ptr<const WordIndex> index, bool outOfMemory);
    void publish(std::shared_ptr<const WordIndex> index);
    int placeFor(std::string_view word) const;

    std::shared_ptr<const WordIndex> m_index;
    IndexBuilder m_buildIndex;
    std::jthread m_builder;
    bool m_building = false;
    enum class SlowNotice
    {
        None,
        Due,
        Told
    } m_slowNotice = SlowNotice::None;
};

// Reads the blocked-word file on a thread of its own, started early in the
// program's start, so that the panel's load finds the words ready instead of
// reading them while the window waits.
class BlockedWordPreload final
{
public:
    BlockedWordPreload(const QString& path, const CodePage& page);
    ~BlockedWordPreload();
    BlockedWordPreload(const BlockedWordPreload&) = delete;
    BlockedWordPreload& operator=(const BlockedWordPreload&) = delete;

    // The words read, waiting for them under a busy pointer when need be;
    // none when asked for another file or code page, or a second time.
    std::optional<BlockedWordList::FileWords> take(const QString& path, const CodePage& page);

private:
    QString m_path;
    QByteArray m_page;
    std::future<BlockedWordList::FileWords> m_words;
};
