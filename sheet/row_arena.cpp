#include "sheet/row_arena.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdint>
#include <new>

namespace quorvane {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kSmallestBlock = std::size_t{64} << 10;
constexpr std::size_t kLargestBlock = 2 * kLargePage;
// From about this much on, one large page costs less to fill than its small pages one by
// one (a fault each, where a fault costs 10 us on a virtual machine and zeroing 2 MiB 0.2 ms).
constexpr std::size_t kWorthALargePage = std::size_t{256} << 10;
constexpr std::size_t kSlabBytes = std::size_t{16} << 10;

std::atomic<std::uint64_t> nextArenaId{1};

// A block on large-page boundaries (mapped a large page longer to find them), which the
// system is asked to back with large pages: one fault then fills 2 MiB instead of 4 KiB.
// Elsewhere the block is plain memory.
#if defined(__linux__)
char* takeBlock(std::size_t bytes, char*& mapped) {
  if (bytes < kLargePage) {  // not worth a large page
    mapped = static_cast<char*>(::operator new(bytes));
    return mapped;
  }
  void* block = ::mmap(nullptr, bytes + kLargePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  mapped = static_cast<char*>(block);
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  char* const begin = mapped + ((kLargePage - address % kLargePage) % kLargePage);
  ::madvise(begin, bytes, MADV_HUGEPAGE);
  return begin;
}

void giveBack(char* mapped, std::size_t bytes) {
  if (bytes < kLargePage) {
    ::operator delete(mapped);
  } else {
    ::munmap(mapped, bytes + kLargePage);
  }
}
#else
char* takeBlock(std::size_t bytes, char*& mapped) {
  mapped = static_cast<char*>(::operator new(bytes));
  return mapped;
}

void giveBack(char* mapped, std::size_t) {
  ::operator delete(mapped);
}
#endif

}  // namespace

RowArena::~RowArena() {
  for (const std::unique_ptr<Block>& block : blocks_) giveBack(block->mapped, block->size);
}

RowArena::RowArena(std::size_t expected) : id_(nextArenaId++), expected_(expected) {}

char* RowArena::allocate(std::size_t bytes) {
  bytes = (bytes + 3) & ~std::size_t{3};
  // Each thread cuts its pieces from a slab of its own, so that threads building rows at
  // once do not take turns at one counter for every row. The arena's number tells a slab
  // of this arena from one of an arena gone before.
  struct Slab {
    std::uint64_t arena = 0;
    char* next = nullptr;
    std::size_t left = 0;
  };
  thread_local Slab slab;
  if (slab.arena == id_ && slab.left >= bytes) {
    char* const piece = slab.next;
    slab.next += bytes;
    slab.left -= bytes;
    return piece;
  }
  if (bytes > kSlabBytes / 4) return take(bytes);
  char* const fresh = take(kSlabBytes);
  slab = Slab{id_, fresh + bytes, kSlabBytes - bytes};
  return fresh;
}

char* RowArena::take(std::size_t bytes) {
  for (;;) {
    Block* block = current_.load(std::memory_order_acquire);
    if (block) {
      const std::size_t at = block->used.fetch_add(bytes, std::memory_order_relaxed);
      if (at + bytes <= block->size) return block->begin + at;
    }
    std::lock_guard lock(mutex_);
    // Another thread may have put a fresh block in place meanwhile.
    if (current_.load(std::memory_order_relaxed) != block) continue;
    auto fresh = std::make_unique<Block>();
    // The first block as large as the caller expects, the next ones large.
    std::size_t wanted = blocks_.empty() ? expected_ : kLargestBlock;
    if (wanted >= kWorthALargePage) wanted = std::max(wanted, kLargePage);
    fresh->size = std::max(std::clamp(wanted, kSmallestBlock, kLargestBlock), bytes);
    fresh->begin = takeBlock(fresh->size, fresh->mapped);
    blocks_.push_back(std::move(fresh));
    current_.store(blocks_.back().get(), std::memory_order_release);
  }
}

}  // namespace quorvane
