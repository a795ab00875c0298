#pragma once

#include "filter/word_matcher.h"
#include "platform/text_file.h"

#include <QAbstractListModel>
#include <QStringList>

#include <memory>

// The blocked words as the parent sees them: in alphabetical order ignoring
// letter case, every entry exactly as typed or read (repeats and the empty
// word included). The index the address check asks is rebuilt with every
// change, so a change holds for the very next address. Each build is a new
// index that is never changed afterwards, so other threads may keep asking
// the one they hold.
class BlockedWordList final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const QStringList& entries() const { return m_entries; }

    // Replaces the whole list; the entries are sorted, equal ones (ignoring
    // case) keeping their given order.
    void setEntries(QStringList entries);
    // Puts a word after every entry that sorts before or equal to it, as a
    // sorted list box does; returns its row.
    int insert(const QString& word);
    // Removes the entry at row and returns it.
    QString takeAt(int row);

    // True when the address contains an entry, compared exactly. No entry
    // matches an empty address; the empty entry matches any other.
    bool blocks(QStringView address) const;
    std::shared_ptr<const WordMatcher> matcher() const { return m_matcher; }

    // The file holds one entry per line, in list order. A missing file is an
    // empty list; the returned text is set only when the file exists but
    // could not be read (the list is then empty too).
    QString load(const QString& path, const CodePage& page);
    [[nodiscard]] TextFile::WriteResult save(const QString& path, const CodePage& page) const;

    static bool sortsBefore(const QString& a, const QString& b);

Q_SIGNALS:
    // A new index replaced the old one.
    void matcherChanged();

private:
    void rebuild();

    QStringList m_entries;
    std::shared_ptr<const WordMatcher> m_matcher = std::make_shared<const WordMatcher>();
};
