#include "webext/word_check.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::shared_ptr<const WordStore> store(const std::vector<std::string>& words)
{
    auto s = std::make_shared<WordStore>();
    for (const std::string& word : words)
        s->append(word);
    return s;
}

bool until(const std::function<bool()>& condition)
{
    const gint64 end = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (!condition() && g_get_monotonic_time() < end)
        g_main_context_iteration(nullptr, TRUE);
    return condition();
}

} // namespace

// A request is met in the spelling the engine sends and in the one a parent reads.
TEST(RequestWords, EachSpellingOfARequestMeetsTheWords)
{
    const std::vector<std::tuple<std::string, std::string, bool>> rows{
        {"http://a.org/ca%C3%A7a", "caça", true},
        {"http://a.org/ca%C3%A7a", "%C3%A7", true},
        {"http://a.org/two%20words", "two words", true},
        {"http://xn--exmple-cua.org/", "exämple", true},
        {"http://xn--exmple-cua.org/", "xn--exmple", true},
        {"http://a.org/x?q=a%2Fb", "a/b", true},     // every escape, for blocking
        {"http://a.org/%E9t%E9", "\xE9t\xE9", true}, // not UTF-8: the bytes themselves
        {"http://a.org/Games", "games", false},
        {"", "", false},
        {"http://a.org/%", "", true},
    };
    for (const auto& [uri, word, blocked] : rows) {
        const WordIndex index(store({word}));
        EXPECT_EQ(blocksRequest(index, uri), blocked) << uri << " / " << word;
    }
}

// The index lands from its own thread: a change made meanwhile holds at once
// and is never undone by an index built from the words before it.
TEST(RequestWords, ChangesHoldAtOnceWhileTheIndexIsBuiltBehindThem)
{
    std::vector<std::string> words;
    for (int i = 0; i < 20000; ++i)
        words.push_back("site" + std::to_string(i * 7919 % 100003) + ".example");
    RequestWords check;
    EXPECT_FALSE(check.blocks("http://site7919.example/"));
    check.take(store(words));
    EXPECT_TRUE(check.blocks("http://site7919.example/")); // word by word until indexed
    EXPECT_FALSE(check.index()->indexed());

    // An Add and a Delete before the build lands, and after.
    words.insert(words.begin() + 5, "late.example");
    check.take(store(words));
    EXPECT_TRUE(check.blocks("http://late.example/"));
    ASSERT_TRUE(until([&] { return !check.building(); }));
    EXPECT_TRUE(check.index()->current());
    EXPECT_TRUE(check.blocks("http://late.example/"));
    const std::string removed = words[7];
    words.erase(words.begin() + 7);
    check.take(store(words));
    EXPECT_TRUE(check.index()->indexed()); // the index stays and answers exactly
    EXPECT_FALSE(check.blocks("http://" + removed + "/"));
    words.push_back("later.example");
    check.take(store(words));
    EXPECT_TRUE(check.blocks("http://later.example/") && check.blocks("http://late.example/"));
    ASSERT_TRUE(until([&] { return !check.building() && check.index()->current(); }));
    EXPECT_FALSE(check.blocks("http://" + removed + "/"));

    // A whole new list while a build runs: the older build is never installed.
    check.take(store({"first.example", "x.example", "y.example"}));
    check.take(store({"second.example"}));
    ASSERT_TRUE(until([&] { return !check.building() && check.index()->current(); }));
    EXPECT_FALSE(check.blocks("http://first.example/"));
    EXPECT_TRUE(check.blocks("http://second.example/"));
    check.take(store({}));
    EXPECT_FALSE(check.index() || check.blocks("http://second.example/"));
}
