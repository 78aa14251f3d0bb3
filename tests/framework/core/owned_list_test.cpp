#include "framework/core/owned_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/list_walk.h"

namespace vael {
namespace {

// Writes its name into the log when it goes, so that the order of the deletions can be read.
struct Noted {
    Noted(std::string n, std::vector<std::string>& l) : name(std::move(n)), log(l) {}
    ~Noted() { log.push_back(name); }
    std::string name;
    std::vector<std::string>& log;
};

std::string linked(const OwnedList<Noted>& list) {
    std::string out;
    for (Noted* n : each(list.links()))
        out += n->name;
    return out;
}

TEST(OwnedList, LinksInTheOrderAdoptedAndDeletesInThatOrder) {
    std::vector<std::string> gone;
    OwnedList<Noted> list;
    EXPECT_TRUE(list.isEmpty());
    Noted* a = list.adopt(std::make_unique<Noted>("a", gone));
    list.adopt(std::make_unique<Noted>("b", gone));
    list.adopt(std::make_unique<Noted>("c", gone));
    EXPECT_EQ(a->name, "a");
    EXPECT_EQ(linked(list), "abc");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(list.links().count(), 3);
    EXPECT_TRUE(gone.empty());
    list.clear();
    EXPECT_EQ(gone, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(list.links().isEmpty());
}

TEST(OwnedList, ANullIsNeitherKeptNorLinked) {
    OwnedList<Noted> list;
    EXPECT_EQ(list.adopt(nullptr), nullptr);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_TRUE(list.links().isEmpty());
}

TEST(OwnedList, ContainsOnlyWhatItOwns) {
    std::vector<std::string> gone;
    OwnedList<Noted> list;
    Noted outsider("x", gone);
    Noted* kept = list.adopt(std::make_unique<Noted>("k", gone));
    EXPECT_TRUE(list.contains(kept));
    EXPECT_FALSE(list.contains(&outsider));
    EXPECT_FALSE(list.contains(nullptr));
}

TEST(OwnedList, DestructionDeletesWhatIsLeftOnce) {
    std::vector<std::string> gone;
    {
        OwnedList<Noted> list;
        list.adopt(std::make_unique<Noted>("p", gone));
        list.adopt(std::make_unique<Noted>("q", gone));
        list.clear();
        list.adopt(std::make_unique<Noted>("r", gone));
        EXPECT_EQ(linked(list), "r");
    }
    EXPECT_EQ(gone, (std::vector<std::string>{"p", "q", "r"}));
}

} // namespace
} // namespace vael
