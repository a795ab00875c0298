#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The blocked words as every process of the program reads them: one block of
// memory, made once by the browser and mapped read-only, in place, by each
// of the engine's web processes. Shared pages count once, so a million words
// and their index cost their size once for the whole program, not once per
// process. The block lives in a sealed memory file, so that a process given
// its descriptor can trust that nobody changes it afterwards.
//
// Layout: a Header, the end of each word (4 bytes apiece, from the start of
// the words' bytes), the words back to back, then whatever else the filter
// keeps there (its index), each part at an offset the header names.
class WordBlock
{
public:
    struct Header
    {
        char magic[8];
        std::uint64_t count;     // words
        std::uint64_t bytes;     // of all the words
        std::uint64_t extraAt;   // the filter's part, from the block's start; 0 for none
        std::uint64_t extraSize; // its bytes
    };
    static constexpr char kMagic[8] = {'t', 'o', 'b', 'w', 'o', 'r', 'd', '1'};

    ~WordBlock()
    {
        if (m_mapped)
            munmap(const_cast<char*>(m_data), m_size);
        if (m_fd >= 0)
            close(m_fd);
    }
    WordBlock(const WordBlock&) = delete;
    WordBlock& operator=(const WordBlock&) = delete;

    // A block of size bytes, written by fill. In a sealed memory file where
    // the system gives one, else in the process's own memory (its words then
    // travel as a copy: see WordMessage).
    static std::shared_ptr<const WordBlock> make(std::size_t size,
                                                 const std::function<void(char*)>& fill)
    {
        auto block = std::shared_ptr<WordBlock>(new WordBlock);
        block->m_size = size;
        const int fd = memfd_create("tobrin-words", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        void* at = MAP_FAILED;
        if (fd >= 0 && ftruncate(fd, off_t(std::max<std::size_t>(size, 1))) == 0)
            at = mmap(nullptr, std::max<std::size_t>(size, 1), PROT_READ | PROT_WRITE, MAP_SHARED,
                      fd, 0);
        if (at != MAP_FAILED) {
            fill(static_cast<char*>(at));
            // Written once: from here on it is read only, by everyone.
            mprotect(at, std::max<std::size_t>(size, 1), PROT_READ);
            munmap(at, std::max<std::size_t>(size, 1));
            at = MAP_FAILED;
            if (fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) ==
                0)
                at = mmap(nullptr, std::max<std::size_t>(size, 1), PROT_READ, MAP_SHARED, fd, 0);
        }
        if (at != MAP_FAILED) {
            block->m_fd = fd;
            block->m_data = static_cast<const char*>(at);
            block->m_mapped = true;
            return block;
        }
        if (fd >= 0)
            close(fd);
        // Eight-byte aligned, as a mapping would be.
        block->m_heap.reset(new std::uint64_t[size / 8 + 1]);
        fill(reinterpret_cast<char*>(block->m_heap.get()));
        block->m_data = reinterpret_cast<const char*>(block->m_heap.get());
        return block;
    }

    // The block behind a descriptor another process sent (taken over, closed
    // in any case); none unless it is sealed against every change and holds
    // a block.
    static std::shared_ptr<const WordBlock> adopt(int fd)
    {
        constexpr int kSealed = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;
        struct stat info{};
        if (fd < 0 || (fcntl(fd, F_GET_SEALS) & kSealed) != kSealed || fstat(fd, &info) != 0 ||
            info.st_size <= 0) {
            if (fd >= 0)
                close(fd);
            return nullptr;
        }
        auto block = std::shared_ptr<WordBlock>(new WordBlock);
        block->m_fd = fd;
        block->m_size = std::size_t(info.st_size);
        void* at = mmap(nullptr, block->m_size, PROT_READ, MAP_SHARED, fd, 0);
        if (at == MAP_FAILED)
            return nullptr;
        block->m_data = static_cast<const char*>(at);
        block->m_mapped = true;
        return block->valid() ? block : nullptr;
    }

    // A copy of bytes (a block sent inline); none unless they hold a block.
    static std::shared_ptr<const WordBlock> copy(std::string_view bytes)
    {
        auto block = make(bytes.size(), [bytes](char* to) {
            if (!bytes.empty())
                std::memcpy(to, bytes.data(), bytes.size());
        });
        return block->valid() ? block : nullptr;
    }

    // A block of these words and nothing else, in their order.
    static std::shared_ptr<const WordBlock> of(const std::vector<std::string>& words)
    {
        std::size_t bytes = 0;
        for (const std::string& word : words)
            bytes += word.size();
        return make(wordsEnd(words.size(), bytes), [&words, bytes](char* to) {
            writeHeader(to, words.size(), bytes, 0, 0);
            std::uint32_t end = 0;
            char* text = to + sizeof(Header) + 4 * words.size();
            for (std::size_t i = 0; i < words.size(); ++i) {
                std::memcpy(text + end, words[i].data(), words[i].size());
                end += std::uint32_t(words[i].size());
                std::memcpy(to + sizeof(Header) + 4 * i, &end, 4);
            }
        });
    }

    // Where the words end in a block of count words of bytes in all: the
    // filter's part may start from there.
    static std::size_t wordsEnd(std::size_t count, std::size_t bytes)
    {
        return sizeof(Header) + 4 * count + bytes;
    }
    static void writeHeader(char* to, std::size_t count, std::size_t bytes, std::size_t extraAt,
                            std::size_t extraSize)
    {
        Header header{};
        std::memcpy(header.magic, kMagic, sizeof kMagic);
        header.count = count;
        header.bytes = bytes;
        header.extraAt = extraAt;
        header.extraSize = extraSize;
        std::memcpy(to, &header, sizeof header);
    }

    // The descriptor to send; -1 for a block in the process's own memory.
    int fd() const { return m_fd; }
    std::string_view bytes() const { return {m_data, m_size}; }
    Header header() const
    {
        Header h;
        std::memcpy(&h, m_data, sizeof h);
        return h;
    }
    std::size_t count() const { return std::size_t(header().count); }
    const std::uint32_t* ends() const
    {
        return reinterpret_cast<const std::uint32_t*>(m_data + sizeof(Header));
    }
    const char* text() const { return m_data + sizeof(Header) + 4 * count(); }
    std::string_view at(std::size_t row) const
    {
        const std::uint32_t begin = row == 0 ? 0 : ends()[row - 1];
        return {text() + begin, std::size_t(ends()[row] - begin)};
    }
    // The filter's part; empty when there is none.
    std::string_view extra() const
    {
        const Header h = header();
        return h.extraAt == 0 ? std::string_view() : bytes().substr(h.extraAt, h.extraSize);
    }
    std::vector<std::string> words() const
    {
        std::vector<std::string> out;
        for (std::size_t row = 0; row < count(); ++row)
            out.emplace_back(at(row));
        return out;
    }

private:
    WordBlock() = default;

    // The header and the words fit the block, each word within the bytes and
    // after the one before it, and the filter's part too.
    bool valid() const
    {
        if (m_size < sizeof(Header) || std::memcmp(m_data, kMagic, sizeof kMagic) != 0)
            return false;
        const Header h = header();
        if (h.count > m_size / 4 || h.bytes > m_size || wordsEnd(h.count, h.bytes) > m_size)
            return false;
        if (h.extraAt != 0 && (h.extraAt % 8 != 0 || h.extraAt < wordsEnd(h.count, h.bytes) ||
                               h.extraSize > m_size - h.extraAt))
            return false;
        std::uint32_t last = 0;
        for (std::size_t row = 0; row < h.count; ++row) {
            const std::uint32_t end = ends()[row];
            if (end < last || end > h.bytes)
                return false;
            last = end;
        }
        return h.count == 0 || last == h.bytes;
    }

    int m_fd = -1;
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
    std::unique_ptr<std::uint64_t[]> m_heap; // a block in the process's own memory
};

// How the blocked words reach the engine's web processes. The words current
// at a process's start come with its initialisation data, which the engine
// carries as text, so there as the words alone; the process then asks for
// the block (its index included) with a message of this name, and every
// later change comes to all of them the same way: a message of this name
// with the block's descriptor, or the block itself where it has none. Each
// value is numbered, so that an answer that crossed a later change is
// known as older.
namespace WordMessage {
inline constexpr char Name[] = "tobrin-blocked-words";
// The number, and the words back to back, each ended by a zero byte (no
// address holds one, so a word with one blocks nothing and is left out).
inline constexpr char InitType[] = "(tay)";
// The number, and the block's bytes when it comes without a descriptor.
// A web process asks with the number of the words it has ("t").
inline constexpr char Type[] = "(tay)";

// Calls take(word) for each word of a zero-ended block, in order, while it
// returns true.
template <class Take> void forEachWord(std::string_view block, Take&& take)
{
    while (!block.empty()) {
        const auto* end = static_cast<const char*>(std::memchr(block.data(), 0, block.size()));
        const std::size_t length = end ? std::size_t(end - block.data()) : block.size();
        if (!take(block.substr(0, length)))
            return;
        block.remove_prefix(std::min(block.size(), length + 1));
    }
}
} // namespace WordMessage

// How a web process says that it checks what a page loads: the address of
// each document it is about to fetch for a page (and of every redirect), sent
// before the request leaves. A document no process announced was fetched by
// a process without the check, and is never shown.
namespace WatchMessage {
inline constexpr char Name[] = "tobrin-watching";
inline constexpr char Type[] = "s";
} // namespace WatchMessage
