#pragma once

#include "filter/word_index.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// The blocked-word rule as every request meets it: an address is blocked when
// it holds one of the words, letter case and all; the empty word blocks every
// address but the empty one. A request is checked as the engine sends it, as
// the parent would read it (a punycode host in its letters, %-escapes
// decoded), so a word typed with accents or spaces is found in either form.
bool blocksRequest(const WordIndex& index, std::string_view uri);

// Every %XX escape decoded to its byte; a stray '%' stays as it is.
std::string unescapedAddress(std::string_view uri);

// Where `after` differs from `before` by one word put in or taken out (an Add
// or a Delete of the list): its row, and whether it was put in.
struct WordChange
{
    std::size_t row;
    bool inserted;
};
std::optional<WordChange> oneWordChange(const WordStore& before, const WordStore& after);

// The words of a web process and the same index the browser asks. A new list
// is answered word by word at once while its index is built on a thread of
// its own; a change of one word keeps the index, which answers exactly with
// that word put in or taken out, and a fresh one is built behind it. Lives on
// the thread of the default main loop, which receives each built index.
class RequestWords
{
public:
    RequestWords();
    ~RequestWords();
    RequestWords(const RequestWords&) = delete;
    RequestWords& operator=(const RequestWords&) = delete;

    // The words as they are now; none lets every request through.
    void take(std::shared_ptr<const WordStore> words);
    bool blocks(std::string_view uri) const { return m_index && blocksRequest(*m_index, uri); }
    // The index now answering; null without words.
    const std::shared_ptr<const WordIndex>& index() const { return m_index; }
    // True while an index is being built.
    bool building() const { return m_building; }

private:
    void buildInBackground();
    void built(std::shared_ptr<const WordIndex> index, unsigned generation);

    std::shared_ptr<const WordIndex> m_index;
    unsigned m_generation = 0;
    bool m_building = false;
    // What a finished build reaches the main loop through; gone with this object.
    std::shared_ptr<RequestWords*> m_self;
    std::jthread m_builder; // last: stopped and joined first
};
