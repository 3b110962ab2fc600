#include "platform/sim/SimInterfaceTable.h"

#include "common/VirtualEventLoop.h"
#include "support/MemoryFileSystem.h"

#include <gtest/gtest.h>

namespace qv::platform {
namespace {

TEST(SimInterfaceTableTest, DialUpRowOnlyWhileConnectedWithTheLinesCounters) {
    VirtualEventLoop loop;
    test::MemoryFileSystem fs;
    SimLine line{loop, fs, "/app/"};
    SimInterfaceTable table{line};
    std::vector<InterfaceRow> rows;
    const std::uint32_t handle = line.dial("Quorvex Demo");
    loop.advance(9000);
    ASSERT_EQ(line.phase(), SimLine::Phase::Connected);
    ASSERT_TRUE(table.read(rows));
    ASSERT_EQ(rows.size(), 2u);
    std::uint64_t in = 0, out = 0;
    line.counters(in, out);
    EXPECT_GT(in, 0u);
    EXPECT_EQ(rows[1].description, InterfaceTable::kDialUpDescription);
    EXPECT_EQ(rows[1].inOctets, static_cast<std::uint32_t>(in));
    EXPECT_EQ(rows[1].outOctets, static_cast<std::uint32_t>(out));
    line.hangUp(handle);
    loop.advance(SimLine::kHangUpMs + 10);
    ASSERT_TRUE(table.read(rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].description, "lo");
}

} // namespace
} // namespace qv::platform
