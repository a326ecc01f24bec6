#include "core/singleton.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using velvane::Singleton;

class Alpha : public Singleton<Alpha> {};

struct Padding {
    virtual ~Padding() = default;
    long long bytes[3] = {};
};

// The Singleton part does not start the object here, so its address is not the object's.
class Beta : public Padding, public Singleton<Beta> {};

TEST(Singleton, InstanceLivesExactlyAsLongAsTheObject) {
    EXPECT_EQ(Alpha::get_instance(), nullptr);
    {
        Alpha alpha;
        EXPECT_EQ(Alpha::get_instance(), &alpha);
        EXPECT_EQ(Beta::get_instance(), nullptr);  // each class has its own pointer
        Beta beta;
        EXPECT_EQ(Beta::get_instance(), &beta);
    }
    EXPECT_EQ(Alpha::get_instance(), nullptr);
    EXPECT_EQ(Beta::get_instance(), nullptr);
    // A new one may follow the old one.
    std::optional<Alpha> again;
    again.emplace();
    EXPECT_EQ(Alpha::get_instance(), &*again);
}

TEST(SingletonDeathTest, SecondInstanceIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Alpha first;
    EXPECT_EXIT({ Alpha second; }, testing::ExitedWithCode(1),
                "Gluck: Singleton is already instantiated @ Singleton::Singleton\\(\\)");
}

}  // namespace
