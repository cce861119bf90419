// Per-state memory: size-class free lists over a growing arena.
#include "luatranslator/StateAllocator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace voxlatorlua {

StateAllocator::~StateAllocator() {
  while (arenas_) {
    Arena* previous = arenas_->previous;
    std::free(arenas_);
    arenas_ = previous;
  }
}

bool StateAllocator::owns(const void* block) const {
  const char* address = static_cast<const char*>(block);
  for (const Arena* arena = arenas_; arena; arena = arena->previous) {
    const char* begin = reinterpret_cast<const char*>(arena + 1);
    if (address >= begin && address < begin + arena->size) return true;
  }
  return false;
}

void* StateAllocator::carve(std::size_t bytes) {
  if (left_ < bytes) {
    // The rest of the current piece is dropped; pieces grow so that a state
    // needs only a handful.
    const std::size_t size = arenaSize_;
    auto* arena = static_cast<Arena*>(std::malloc(sizeof(Arena) + size));
    if (!arena) return nullptr;
    arena->previous = arenas_;
    arena->size = size;
    arenas_ = arena;
    next_ = reinterpret_cast<char*>(arena + 1);
    left_ = size;
    arenaSize_ = std::min(arenaSize_ * 2, kLargestArena);
  }
  void* block = next_;
  next_ += bytes;
  left_ -= bytes;
  return block;
}

void* StateAllocator::take(std::size_t size) {
  if (size > kLargestSmallBlock) return std::malloc(size);
  const std::size_t sizeClass = classOf(size);
  if (FreeBlock* block = free_[sizeClass]) {
    free_[sizeClass] = block->next;
    return block;
  }
  return carve(sizeClass * kGranule);
}

bool StateAllocator::inArena(const void* block, std::size_t size) const {
  if (size > kLargestSmallBlock) return false;
  return !strays_ || owns(block);
}

void StateAllocator::give(void* block, std::size_t size) {
  if (!inArena(block, size)) {
    std::free(block);
  } else if (!closing_) {
    auto* freed = static_cast<FreeBlock*>(block);
    const std::size_t sizeClass = classOf(size);
    freed->next = free_[sizeClass];
    free_[sizeClass] = freed;
  }
}

void* StateAllocator::allocate(void* self, void* block, std::size_t oldSize,
                               std::size_t newSize) {
  auto* allocator = static_cast<StateAllocator*>(self);
  if (newSize == 0) {
    if (block) allocator->give(block, oldSize);
    return nullptr;
  }
  if (!block) return allocator->take(newSize);
  // Lua assumes that a shrinking reallocation never fails: the block itself
  // is big enough then.
  if (!allocator->inArena(block, oldSize)) {
    if (newSize > kLargestSmallBlock) {
      void* moved = std::realloc(block, newSize);
      return moved || newSize > oldSize ? moved : block;
    }
    // Shrunk to a small size: into the arena, where its size says it is.
    void* moved = allocator->take(newSize);
    if (!moved) {
      allocator->strays_ = true;  // stays in malloc's memory; addresses tell from now on
      return block;
    }
    std::memcpy(moved, block, newSize);
    std::free(block);
    return moved;
  }
  if (newSize <= kLargestSmallBlock && classOf(newSize) == classOf(oldSize)) return block;
  void* moved = allocator->take(newSize);
  if (!moved) return newSize > oldSize ? nullptr : block;
  std::memcpy(moved, block, std::min(oldSize, newSize));
  allocator->give(block, oldSize);
  return moved;
}

}  // namespace voxlatorlua
