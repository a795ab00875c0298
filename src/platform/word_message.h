#pragma once

// How the blocked words reach the engine's web processes: the same value at
// a process's start (its initialisation data) and in every later change (a
// message to all of them). An empty list lets every request through.
namespace WordMessage {
inline constexpr char Name[] = "tobrin-blocked-words";
inline constexpr char Type[] = "aay"; // byte strings: a word need not be valid UTF-8
} // namespace WordMessage

// How a web process says that it checks what a page loads: the address of
// each document it is about to fetch for a page (and of every redirect), sent
// before the request leaves. A document no process announced was fetched by
// a process without the check, and is never shown.
namespace WatchMessage {
inline constexpr char Name[] = "tobrin-watching";
inline constexpr char Type[] = "s";
} // namespace WatchMessage
