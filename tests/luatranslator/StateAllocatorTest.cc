// The per-state allocator under the lua_Alloc contract: every resize path
// keeps the block's bytes, shrinking never fails, and everything it handed
// out is released with it (AddressSanitizer shows any overrun or leak).
#include "luatranslator/StateAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace voxlatorlua {
namespace {

struct Block {
  unsigned char* data;
  size_t size;
  unsigned char seed;
};

void fill(const Block& block) {
  for (size_t i = 0; i < block.size; ++i) block.data[i] = static_cast<unsigned char>(block.seed + i);
}

bool intact(const Block& block, size_t upTo) {
  for (size_t i = 0; i < upTo; ++i) {
    if (block.data[i] != static_cast<unsigned char>(block.seed + i)) return false;
  }
  return true;
}

void* call(StateAllocator& allocator, void* block, size_t oldSize, size_t newSize) {
  return StateAllocator::allocate(&allocator, block, oldSize, newSize);
}

TEST(StateAllocator, EveryResizeKeepsTheBytes) {
  // small within its class, to a larger class, to a large block, larger
  // still, and back down to small.
  const size_t sizes[] = {24, 30, 100, 2000, 70000, 40, 8};
  StateAllocator allocator;
  Block block{static_cast<unsigned char*>(call(allocator, nullptr, 0, sizes[0])), sizes[0], 7};
  ASSERT_NE(block.data, nullptr);
  fill(block);
  for (size_t i = 1; i < std::size(sizes); ++i) {
    SCOPED_TRACE(std::to_string(block.size) + " to " + std::to_string(sizes[i]));
    void* moved = call(allocator, block.data, block.size, sizes[i]);
    ASSERT_NE(moved, nullptr);
    block.data = static_cast<unsigned char*>(moved);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(moved) % StateAllocator::kGranule, 0u);
    EXPECT_TRUE(intact(block, std::min(block.size, sizes[i])));
    block.size = sizes[i];
    fill(block);
  }
  EXPECT_EQ(call(allocator, block.data, block.size, 0), nullptr);
}

TEST(StateAllocator, ManyBlocksOfMixedSizesStayApart) {
  std::mt19937 random(42);
  std::uniform_int_distribution<size_t> smallSize(1, StateAllocator::kLargestSmallBlock);
  std::uniform_int_distribution<size_t> anySize(1, 4 * StateAllocator::kLargestSmallBlock);
  StateAllocator allocator;
  std::vector<Block> blocks;
  for (int step = 0; step < 20000; ++step) {
    const unsigned choice = random() % 4;
    if (blocks.empty() || choice == 0) {
      const size_t size = (random() % 8) ? smallSize(random) : anySize(random);
      Block block{static_cast<unsigned char*>(call(allocator, nullptr, 0, size)), size,
                  static_cast<unsigned char>(step)};
      ASSERT_NE(block.data, nullptr);
      fill(block);
      blocks.push_back(block);
      continue;
    }
    Block& block = blocks[random() % blocks.size()];
    ASSERT_TRUE(intact(block, block.size)) << "a block was overwritten at step " << step;
    if (choice == 1) {
      call(allocator, block.data, block.size, 0);
      block = blocks.back();
      blocks.pop_back();
    } else {
      const size_t size = anySize(random);
      block.data = static_cast<unsigned char*>(call(allocator, block.data, block.size, size));
      ASSERT_NE(block.data, nullptr);
      block.size = size;
      fill(block);
    }
  }
  for (const Block& block : blocks) EXPECT_TRUE(intact(block, block.size));
  // Closing: the rest goes with the allocator, large blocks are still freed.
  allocator.closing();
  for (const Block& block : blocks) call(allocator, block.data, block.size, 0);
}

}  // namespace
}  // namespace voxlatorlua
