// One game per user: the lock is held for the life of its holder and refused to a second one meanwhile.
#include <gtest/gtest.h>

#include <optional>

#include "game/shell/program_entry.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

TEST(SingleInstance, ASecondGameIsRefusedWhileTheFirstRunsAndLetInOnceItHasGone) {
    TempDir dir("single-instance");
    const auto lock = dir / "state" / "vael.lock"; // its folder is made as needed
    std::optional<SingleInstance> first(std::in_place, lock);
    EXPECT_TRUE(first->acquired());
    {
        SingleInstance second(lock);
        EXPECT_FALSE(second.acquired());
    }
    // The refused one let go of nothing that was not its own.
    SingleInstance third(lock);
    EXPECT_FALSE(third.acquired());
    first.reset();
    SingleInstance fourth(lock);
    EXPECT_TRUE(fourth.acquired());
}

TEST(SingleInstance, WhereNoLockCanBeKeptTheGameIsNotRefused) {
    SingleInstance nowhere("/proc/vael-no-such/vael.lock");
    EXPECT_TRUE(nowhere.acquired());
    SingleInstance again("/proc/vael-no-such/vael.lock");
    EXPECT_TRUE(again.acquired());
}

} // namespace
} // namespace vael::test
