#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

// How the blocked words reach the engine's web processes: the same value at
// a process's start (its initialisation data) and in every later change (a
// message to all of them). An empty list lets every request through.
namespace WordMessage {
inline constexpr char Name[] = "tobrin-blocked-words";
// One block of bytes, the words back to back, each ended by a zero byte (no
// address holds one): a million words cost their own bytes and nothing per
// word, in the browser and in every web process.
inline constexpr char Type[] = "ay";

// Calls take(word) for each word of the block, in order, while it returns true.
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
