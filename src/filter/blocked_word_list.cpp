#include "filter/blocked_word_list.h"

#include <algorithm>

bool BlockedWordList::sortsBefore(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

int BlockedWordList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant BlockedWordList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entries.at(index.row());
    return {};
}

void BlockedWordList::setEntries(QStringList entries)
{
    beginResetModel();
    std::stable_sort(entries.begin(), entries.end(), &BlockedWordList::sortsBefore);
    m_entries = std::move(entries);
    rebuild();
    endResetModel();
}

int BlockedWordList::insert(const QString& word)
{
    const auto place =
        std::upper_bound(m_entries.cbegin(), m_entries.cend(), word, &BlockedWordList::sortsBefore);
    const int row = int(place - m_entries.cbegin());
    beginInsertRows({}, row, row);
    m_entries.insert(row, word);
    rebuild();
    endInsertRows();
    return row;
}

QString BlockedWordList::takeAt(int row)
{
    beginRemoveRows({}, row, row);
    QString word = m_entries.takeAt(row);
    rebuild();
    endRemoveRows();
    return word;
}

void BlockedWordList::rebuild()
{
    auto matcher = std::make_shared<WordMatcher>();
    matcher->build(m_entries);
    m_matcher = std::move(matcher);
    Q_EMIT matcherChanged();
}

bool BlockedWordList::blocks(QStringView address) const
{
    return m_matcher->matches(address);
}

QString BlockedWordList::load(const QString& path, const CodePage& page)
{
    TextFile::ReadResult read = TextFile::readLines(path, page);
    setEntries(std::move(read.lines));
    return read.error;
}

TextFile::WriteResult BlockedWordList::save(const QString& path, const CodePage& page) const
{
    return TextFile::writeLines(path, m_entries, page);
}
