// The memory of one short-lived interpreter state: small blocks carved from
// a few large ones and recycled by size, released all at once.
#pragma once

#include <cstddef>

namespace voxlatorlua {

// An allocator for lua_newstate (pass `allocate` and the object). A
// translation's state makes thousands of small allocations and frees them
// all when it closes; taking them from per-size free lists and a growing
// arena costs a fraction of as many malloc and free calls, and closing
// returns the arena in a few frees. Blocks above kLargestSmallBlock go to
// malloc directly, and a block's size tells where it lives: a large block
// shrunk to a small size moves into the arena. Only when the arena cannot
// grow for such a move does the block stay (a stray), and from then on the
// allocator tells blocks apart by address. Pieces double in size. One
// state, one thread: no locking.
class StateAllocator {
 public:
  static constexpr std::size_t kGranule = 16;
  static constexpr std::size_t kLargestSmallBlock = 512;

  StateAllocator() = default;
  ~StateAllocator();
  StateAllocator(const StateAllocator&) = delete;
  StateAllocator& operator=(const StateAllocator&) = delete;

  // The lua_Alloc function; `self` is the StateAllocator.
  static void* allocate(void* self, void* block, std::size_t oldSize, std::size_t newSize);

  // From now on frees of small blocks are not recycled (the state is being
  // closed and everything goes with the arena).
  void closing() { closing_ = true; }

 private:
  static constexpr std::size_t kClasses = kLargestSmallBlock / kGranule;
  static constexpr std::size_t kFirstArena = 16 * 1024;
  static constexpr std::size_t kLargestArena = 4 * 1024 * 1024;

  struct Arena {
    Arena* previous;
    std::size_t size;  // bytes after this header
  };
  struct FreeBlock {
    FreeBlock* next;
  };

  static std::size_t classOf(std::size_t size) { return (size + kGranule - 1) / kGranule; }
  void* take(std::size_t size);
  void give(void* block, std::size_t size);
  void* carve(std::size_t bytes);
  bool owns(const void* block) const;
  bool inArena(const void* block, std::size_t size) const;

  FreeBlock* free_[kClasses + 1] = {};
  Arena* arenas_ = nullptr;
  char* next_ = nullptr;
  std::size_t left_ = 0;
  std::size_t arenaSize_ = kFirstArena;
  bool closing_ = false;
  bool strays_ = false;
};

}  // namespace voxlatorlua
