#include "comm/ringmath.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ringmath;

namespace {

// The ring positions of a region, in order: `count` bytes from `start`, wrapping.
std::vector<std::uint32_t> Region(std::uint32_t size, std::uint32_t start, std::uint32_t count)
{
    std::vector<std::uint32_t> positions;
    for (std::uint32_t i = 0; i < count; i++)
        positions.push_back((start + i) % size);
    return positions;
}

std::vector<std::uint32_t> Positions(const TPieces& pieces)
{
    std::vector<std::uint32_t> positions;
    for (const TRun& run : {pieces.first, pieces.second})
        for (std::uint32_t i = 0; i < run.length; i++)
            positions.push_back(run.offset + i);
    return positions;
}

} // namespace

// Every ring state of sizes 1 to 9 and every length up to past the size: the pieces cover exactly the first
// bytes of the region they name, in order, and never reach past the end of the ring.
TEST(RingMath, PiecesCoverTheRegionInOrderForEveryState)
{
    for (std::uint32_t size = 1; size <= 9; size++)
        for (std::uint32_t pos = 0; pos < size; pos++)
            for (std::uint32_t used = 0; used <= size; used++)
                for (std::uint32_t length = 0; length <= size + 2; length++) {
                    SCOPED_TRACE(testing::Message() << "S " << size << " p " << pos << " u " << used << " n " << length);
                    const auto get = GetPieces(size, pos, used, length);
                    const auto want = Region(size, pos, std::min(length, used));
                    EXPECT_EQ(Positions(get), want);
                    const auto put = PutPieces(size, pos, used, length);
                    EXPECT_EQ(Positions(put), Region(size, (pos + used) % size, std::min(length, size - used)));
                    for (const TRun& run : {get.first, get.second, put.first, put.second})
                        EXPECT_LE(std::uint64_t(run.offset) + run.length, size);
                }
}

TEST(RingMath, SingleRunsForTheReaderAndTheWriter)
{
    for (std::uint32_t size = 1; size <= 9; size++)
        for (std::uint32_t pos = 0; pos < size; pos++)
            for (std::uint32_t used = 0; used <= size; used++) {
                SCOPED_TRACE(testing::Message() << "S " << size << " p " << pos << " u " << used);
                const TRun free = FreeRun(size, pos, used);
                EXPECT_EQ(free.offset, (pos + used) % size);
                EXPECT_EQ(free.length, std::min(size - used, size - free.offset));
                const TRun pending = PendingRun(size, pos, used);
                EXPECT_EQ(pending.offset, pos);
                EXPECT_EQ(pending.length, std::min(used, size - pos));
            }
}

TEST(RingMath, AdvanceWraps)
{
    EXPECT_EQ(Advance(8, 6, 2), 0u);
    EXPECT_EQ(Advance(8, 6, 3), 1u);
    EXPECT_EQ(Advance(8, 0, 7), 7u);
}

TEST(RingMath, HugeRingsDoNotOverflow)
{
    const std::uint32_t size = 0xF0000000u;
    const auto get = GetPieces(size, size - 16, 0x80000000u, 0xFFFFFFFFu);
    EXPECT_EQ(get.first, (TRun{size - 16, 16}));
    EXPECT_EQ(get.second, (TRun{0, 0x80000000u - 16}));
    const TRun free = FreeRun(size, size - 16, 0x80000000u);
    EXPECT_EQ(free, (TRun{0x80000000u - 16, size - 0x80000000u}));
}

TEST(RingMath, AnEmptyRingOfSizeZeroHasNoRuns)
{
    EXPECT_EQ(PutPieces(0, 0, 0, 10).Total(), 0u);
    EXPECT_EQ(GetPieces(0, 0, 0, 10).Total(), 0u);
    EXPECT_EQ(FreeRun(0, 0, 0).length, 0u);
}
