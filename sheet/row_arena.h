#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvane {

// Memory for the rows of one load: pieces of large blocks, taken by any number of reader
// threads at once, all given back together when the arena goes. A piece is cut from the
// thread's own slab instead of being allocated, and the blocks are few and large, so a
// folder of many files touches few fresh pages.
class RowArena {
 public:
  // `expected`: about how many bytes the rows will take, for the size of the first block.
  explicit RowArena(std::size_t expected = 0);
  ~RowArena();
  RowArena(const RowArena&) = delete;
  RowArena& operator=(const RowArena&) = delete;

  // `bytes` bytes aligned to 4, valid while the arena lives.
  char* allocate(std::size_t bytes);

 private:
  // `bytes` bytes of the current block, or of a new one when it is used up.
  char* take(std::size_t bytes);

  struct Block {
    char* mapped = nullptr;
    char* begin = nullptr;
    std::size_t size = 0;
    std::atomic<std::size_t> used{0};
  };
  const std::uint64_t id_;  // never the same for two arenas
  const std::size_t expected_;
  std::atomic<Block*> current_{nullptr};
  std::mutex mutex_;
  std::vector<std::unique_ptr<Block>> blocks_;  // under mutex_
};

}  // namespace quorvane
