#pragma once

// How the blocked words reach the engine's web processes: the same value at
// a process's start (its initialisation data) and in every later change (a
// message to all of them). An empty list lets every request through.
namespace WordMessage {
inline constexpr char Name[] = "tobrin-blocked-words";
inline constexpr char Type[] = "aay"; // byte strings: a word need not be valid UTF-8
} // namespace WordMessage
