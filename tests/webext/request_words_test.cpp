#include "webext/word_check.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

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

// A web process answers from the browser's block exactly as the browser's own
// index does, whatever was added or taken out since the build, and with no
// readable words it lets nothing through.
TEST(RequestWords, TheSharedBlockAnswersAsTheBrowsersIndex)
{
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i)
        words.push_back("site" + std::to_string(i * 7919 % 100003) + ".example");
    const std::string twice = words[0];
    words.push_back(twice); // a repeat: taking one out leaves the other
    const auto built = WordIndex::build(store(words));
    words.insert(words.begin() + 3, "late.example");
    auto changed = built->inserted(store(words), 3);
    const std::string removed = words[9]; // the automaton holds it
    words.erase(words.begin() + 9);
    changed = changed->removed(store(words), 9);
    words.pop_back();
    changed = changed->removed(store(words), words.size());
    const std::vector<std::string> addresses{
        "http://late.example/",           "http://" + removed + "/", "http://" + twice + "/",
        "http://" + words[100] + "/x",    "http://nothing.example/", ""};
    for (const auto& index : {built, changed}) {
        const auto shared = index->shared();
        ASSERT_TRUE(shared->block());
        // As another process gets it: the descriptor alone, mapped anew.
        const auto mapped = WordIndex::inBlock(WordBlock::adopt(dup(shared->block()->fd())));
        ASSERT_TRUE(mapped && mapped->indexed());
        EXPECT_EQ(mapped->words().size(), index->words().size());
        for (const std::string& address : addresses) {
            const bool expected = index->matches(address);
            EXPECT_EQ(shared->matches(address), expected) << address;
            EXPECT_EQ(mapped->matches(address), expected) << address;
        }
    }
    EXPECT_TRUE(changed->matches("http://late.example/"));
    EXPECT_FALSE(changed->matches("http://" + removed + "/"));
    EXPECT_TRUE(changed->matches("http://" + twice + "/"));

    // A block anyone could still change, or one cut short, is not taken.
    const auto kept = changed->shared();
    const std::string_view bytes = kept->block()->bytes();
    const int unsealed = memfd_create("unsealed", MFD_CLOEXEC);
    ASSERT_EQ(write(unsealed, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    EXPECT_FALSE(WordBlock::adopt(unsealed));
    EXPECT_FALSE(WordIndex::inBlock(WordBlock::copy(bytes.substr(0, bytes.size() / 2))));
    EXPECT_FALSE(WordIndex::inBlock(WordBlock::copy(bytes.substr(0, 30))));

    // Nothing passes before the words come, nor after words that could not
    // be read; words older than those in place change nothing.
    RequestWords check;
    EXPECT_TRUE(check.blocks("http://nothing.example/"));
    EXPECT_TRUE(check.take(2, WordIndex::inBlock(WordBlock::of({}))));
    EXPECT_FALSE(check.blocks("http://nothing.example/"));
    EXPECT_FALSE(check.take(1, built));
    EXPECT_FALSE(check.blocks("http://" + removed + "/"));
    EXPECT_TRUE(check.take(3, nullptr));
    EXPECT_TRUE(check.blocks("http://nothing.example/"));
    EXPECT_TRUE(check.take(3, changed->shared()));
    EXPECT_FALSE(check.blocks("http://nothing.example/"));
    EXPECT_TRUE(check.blocks("http://late.example/"));
}
