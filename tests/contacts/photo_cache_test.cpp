// The photo cache: a use refreshes an entry, an insertion past the bound evicts the least
// recently used (the smallest id among equal times), drop and clear forget.

#include <gtest/gtest.h>

#include <vector>

#include "contacts/photo_cache.h"

namespace {

using velvane::PhotoCache;

zentra::ImageRef picture() {
    return zentra::ImageRef::whole(std::make_shared<zentra::Bitmap>(1, 1));
}

std::vector<uint32_t> ids(const PhotoCache& cache) {
    std::vector<uint32_t> out;
    for (const auto& [id, entry] : cache.entries()) {
        out.push_back(id);
    }
    return out;
}

TEST(PhotoCache, TheTwentiethInsertionEvictsTheLeastRecentlyUsedLeavingNineteen) {
    struct Case {
        const char* what;
        std::vector<int64_t> times;  // last use of ids 1..19 as inserted
        int64_t now;                 // the 20th insertion, id 100
        uint32_t evicted;
    };
    std::vector<int64_t> rising, equal, one_old;
    for (int64_t i = 1; i <= 19; ++i) {
        rising.push_back(i * 10);
        equal.push_back(7);
        one_old.push_back(i == 12 ? 1 : 50);
    }
    const Case cases[] = {
        {"the first inserted is the oldest", rising, 500, 1},
        {"equal times: the smallest id", equal, 7, 1},
        {"an old one in the middle", one_old, 60, 12},
    };
    for (const Case& c : cases) {
        PhotoCache cache;
        for (uint32_t id = 1; id <= 19; ++id) {
            cache.insert(id, picture(), c.times[id - 1]);
        }
        ASSERT_EQ(cache.size(), 19u) << c.what;
        cache.insert(100, picture(), c.now);
        EXPECT_EQ(cache.size(), 19u) << c.what;
        EXPECT_FALSE(cache.contains(c.evicted)) << c.what;
        EXPECT_TRUE(cache.contains(100)) << c.what;
    }
}

TEST(PhotoCache, AUseMakesAnEntryRecentAndMissesChangeNothing) {
    PhotoCache cache;
    for (uint32_t id = 1; id <= 19; ++id) {
        cache.insert(id, picture(), id);
    }
    ASSERT_NE(cache.use(1, 40), nullptr);
    EXPECT_EQ(cache.entries().at(1).last_use, 40);
    EXPECT_EQ(cache.use(55, 41), nullptr);
    cache.insert(20, picture(), 42);
    EXPECT_TRUE(cache.contains(1));
    EXPECT_FALSE(cache.contains(2));
    // A second insertion for an id replaces its picture without growing the cache.
    const zentra::ImageRef newer = picture();
    cache.insert(20, newer, 43);
    EXPECT_EQ(cache.size(), 19u);
    EXPECT_EQ(cache.entries().at(20).picture.picture, newer.picture);
    EXPECT_TRUE(cache.contains(3));
}

TEST(PhotoCache, DropForgetsOneContactAndClearForgetsAll) {
    PhotoCache cache;
    cache.insert(4, picture(), 1);
    cache.insert(9, picture(), 1);
    cache.drop(4);
    cache.drop(77);
    EXPECT_EQ(ids(cache), (std::vector<uint32_t>{9}));
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

}  // namespace
