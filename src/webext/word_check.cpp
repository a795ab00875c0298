#include "webext/word_check.h"

#include "platform/address_text.h"

#include <glib.h>

#include <cstring>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

bool blocksRequest(const WordIndex& index, std::string_view uri)
{
    if (index.matches(uri))
        return true;
    const std::string readable = readableAddress(uri);
    if (readable != uri && index.matches(readable))
        return true;
    return readable.find('%') != std::string::npos && index.matches(unescapedAddress(readable));
}

std::string unescapedAddress(std::string_view uri)
{
    std::string out;
    out.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && g_ascii_isxdigit(uri[i + 1]) &&
            g_ascii_isxdigit(uri[i + 2])) {
            out += char(g_ascii_xdigit_value(uri[i + 1]) * 16 + g_ascii_xdigit_value(uri[i + 2]));
            i += 2;
            continue;
        }
        out += uri[i];
    }
    return out;
}

std::optional<WordChange> oneWordChange(const WordStore& before, const WordStore& after)
{
    const bool inserted = after.size() == before.size() + 1;
    if (!inserted && after.size() + 1 != before.size())
        return std::nullopt;
    const WordStore& longer = inserted ? after : before;
    const WordStore& shorter = inserted ? before : after;
    std::size_t row = 0;
    while (row < shorter.size() && shorter.at(row) == longer.at(row))
        ++row;
    for (std::size_t i = row; i < shorter.size(); ++i) {
        if (shorter.at(i) != longer.at(i + 1))
            return std::nullopt;
    }
    return WordChange{row, inserted};
}

RequestWords::RequestWords() : m_self(std::make_shared<RequestWords*>(this)) {}

RequestWords::~RequestWords()
{
    // A build that ends after this finds no one to give its index to.
    m_self.reset();
}

void RequestWords::take(std::shared_ptr<const WordStore> words)
{
    ++m_generation;
    if (!words || words->size() == 0) {
        m_index = nullptr;
        return;
    }
    const std::optional<WordChange> change =
        m_index ? oneWordChange(m_index->words(), *words) : std::nullopt;
    if (change)
        m_index = change->inserted ? m_index->inserted(std::move(words), change->row)
                                   : m_index->removed(std::move(words), change->row);
    else
        m_index = std::make_shared<const WordIndex>(std::move(words)); // word by word for now
    if (!m_index->current())
        buildInBackground();
}

void RequestWords::buildInBackground()
{
    // One build at a time: one that ends behind the words starts the next.
    if (m_building)
        return;
    m_building = true;
    struct Result
    {
        std::weak_ptr<RequestWords*> owner;
        std::shared_ptr<const WordIndex> index;
        unsigned generation;
    };
    auto* result = new Result{m_self, nullptr, m_generation};
    m_builder = std::jthread([result, words = m_index->store()](std::stop_token stop) {
        // Below the page's own work: the words answer exactly meanwhile.
        setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 15);
        try {
            result->index = WordIndex::build(words, stop);
        } catch (const std::bad_alloc&) {
            // Too little memory for the index: the words keep answering one by one.
        }
        g_idle_add(
            [](gpointer data) {
                const std::unique_ptr<Result> result(static_cast<Result*>(data));
                if (const auto owner = result->owner.lock())
                    (*owner)->built(std::move(result->index), result->generation);
                return G_SOURCE_REMOVE;
            },
            result);
    });
}

void RequestWords::built(std::shared_ptr<const WordIndex> index, unsigned generation)
{
    m_building = false;
    if (index && generation == m_generation)
        m_index = std::move(index);
    else if (m_index && !m_index->current() && index)
        buildInBackground();
    // The build's scratch space (many times the index) and the words it
    // replaced go back to the system, not only to the heap of its thread.
    index = nullptr;
    malloc_trim(0);
}
