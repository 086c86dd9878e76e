#include "tagcodec/file_ends.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>

namespace quorvane {
namespace {

// Files handed to a reader at a time: large enough that taking work and waking the caller
// cost little (a warm file takes microseconds, a wake-up tens of them), small enough that
// the caller gets its first rows early and that a slow device has many chunks to spread
// over its readers.
std::size_t chunkSize(std::size_t count) {
  constexpr std::size_t kSmallest = 64, kLargest = 256;
  constexpr std::size_t kChunks = 128;  // four for each of the most readers there may be
  return std::clamp(count / kChunks, kSmallest, kLargest);
}
// How many readers, and when to add more. With warm caches reading is CPU work, and more
// threads than cores only get in each other's way; a device that answers slowly (a cold
// cache, a USB stick, a network share) serves many waiting requests at once. So reading
// starts with a reader per core and adds readers while the caller waits for results.
struct ReaderPlan {
  std::size_t first;
  std::size_t most;
};

// QUORVANE_READERS fixes the number, for measuring; 1 reads on the calling thread.
ReaderPlan readerPlan() {
  constexpr std::size_t kMostReaders = 32;
  const char* setting = std::getenv("QUORVANE_READERS");
  if (setting && *setting) {
    const long wanted = std::strtol(setting, nullptr, 10);
    if (wanted >= 1 && wanted <= 256) {
      return {static_cast<std::size_t>(wanted), static_cast<std::size_t>(wanted)};
    }
  }
  const std::size_t cores = std::max(2u, std::thread::hardware_concurrency());
  return {std::min(cores, kMostReaders), kMostReaders};
}

// Readers that take this long for 64 files wait on the device: a warm file takes about
// 10 us.
constexpr auto kSlowDevice = std::chrono::milliseconds(2);
constexpr std::size_t kFilesInSlowDevice = 64;
constexpr std::size_t kAddedReaders = 4;

// Chunks of `ends` filled by the readers, handed to the caller in order.
class Chunks {
 public:
  explicit Chunks(std::size_t count) : done_(count) {}

  std::size_t take() { return next_.fetch_add(1, std::memory_order_relaxed); }

  void finish(std::size_t chunk) {
    {
      std::lock_guard lock(mutex_);
      done_[chunk] = true;
      ++finished_;
    }
    changed_.notify_one();
  }

  // How many chunks are read, in any order: while this grows, the readers are busy, not
  // waiting on the device.
  std::size_t finished() {
    std::lock_guard lock(mutex_);
    return finished_;
  }

  // False when the chunk is still being read after `patience`.
  template <class Duration>
  bool waitFor(std::size_t chunk, Duration patience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return done_[chunk]; });
  }

  bool allTaken(std::size_t count) const { return next_.load(std::memory_order_relaxed) >= count; }

 private:
  std::atomic<std::size_t> next_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;
  std::size_t finished_ = 0;
};

}  // namespace

FileEnd readFileEnd(const std::string& path, FileService& files) {
  FileEnd end;
  const std::unique_ptr<OpenFile> file = files.openToRead(path, end.failure);
  if (!file) return end;
  const std::int64_t size = file->size();
  const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size, kTagSize));
  if (length > 0 && !file->read(size - static_cast<std::int64_t>(length),
                                std::span<std::uint8_t>(end.tail.data(), length))) {
    end.failure = file->failure();
    return end;
  }
  end.opened = true;
  end.size = size;
  return end;
}

namespace {

// Reads `count` files, each by `readOne(i, end)` into an end of the reading thread's own,
// which `use(i, end)` then takes; `ready` as readFileEnds promises.
template <class ReadOne>
void readEnds(std::size_t count, const ReadOne& readOne,
              const std::function<void(std::size_t index, FileEnd& end)>& use,
              const std::function<void(std::size_t begin, std::size_t end)>& ready) {
  const std::size_t filesPerChunk = chunkSize(count);
  const std::size_t chunkCount = (count + filesPerChunk - 1) / filesPerChunk;
  Chunks chunks(chunkCount);
  const auto readChunk = [&](std::size_t chunk) {
    const std::size_t first = chunk * filesPerChunk;
    const std::size_t last = std::min(first + filesPerChunk, count);
    FileEnd end;
    for (std::size_t i = first; i < last; ++i) {
      end = FileEnd{};
      readOne(i, end);
      use(i, end);
    }
  };
  const auto reader = [&] {
    for (std::size_t chunk; (chunk = chunks.take()) < chunkCount;) {
      readChunk(chunk);
      chunks.finish(chunk);
    }
  };

  // Joined however this function is left, so that no reader outlives what it writes to.
  struct Readers : std::vector<std::thread> {
    ~Readers() {
      for (std::thread& thread : *this) thread.join();
    }
  } readers;
  const ReaderPlan plan = readerPlan();
  const auto addReaders = [&](std::size_t count) {
    const std::size_t wanted = std::min(readers.size() + count, std::min(plan.most, chunkCount));
    try {
      while (readers.size() < wanted) readers.emplace_back(reader);
    } catch (const std::system_error&) {
      // No more threads to be had: those that started do the work.
    }
  };
  if (plan.first > 1 && chunkCount > 1) addReaders(plan.first);
  if (readers.empty()) {
    for (std::size_t chunk = 0; chunk < chunkCount; ++chunk) {
      readChunk(chunk);
      ready(chunk * filesPerChunk, std::min((chunk + 1) * filesPerChunk, count));
    }
    return;
  }
  // Runs are never shorter than kFilesInSlowDevice files.
  const auto patience =
      kSlowDevice * static_cast<long>(filesPerChunk) / static_cast<long>(kFilesInSlowDevice);
  for (std::size_t chunk = 0; chunk < chunkCount; ++chunk) {
    // Readers that did not finish a chunk each while the caller waited take longer than
    // kSlowDevice for kFilesInSlowDevice files: they wait on the device. A chunk that is late
    // while the others come in at a warm pace only had its reader put aside for a while.
    for (std::size_t before = chunks.finished(); !chunks.waitFor(chunk, patience);
         before = chunks.finished()) {
      if (chunks.finished() - before < readers.size() && readers.size() < plan.most &&
          !chunks.allTaken(chunkCount)) {
        addReaders(kAddedReaders);
      }
    }
    ready(chunk * filesPerChunk, std::min((chunk + 1) * filesPerChunk, count));
  }
}

// The ends kept, for the callers that want all of them.
std::function<void(std::size_t, FileEnd&)> keeping(
    std::vector<FileEnd>& ends, std::size_t count,
    const std::function<void(std::size_t index)>& prepare) {
  ends.assign(count, FileEnd{});
  return [&ends, &prepare](std::size_t i, FileEnd& end) {
    ends[i] = std::move(end);
    if (prepare) prepare(i);
  };
}

}  // namespace

void readFileEnds(const std::vector<std::string>& paths, FileService& files,
                  std::vector<FileEnd>& ends,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready,
                  const std::function<void(std::size_t index)>& prepare) {
  readEnds(
      paths.size(), [&](std::size_t i, FileEnd& end) { end = readFileEnd(paths[i], files); },
      keeping(ends, paths.size(), prepare), ready);
}

void readFileEnds(const std::string& folder, std::span<const std::string> names, FileService& files,
                  std::vector<FileEnd>& ends,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready,
                  const std::function<void(std::size_t index)>& prepare) {
  readFileEnds(folder, names, files, keeping(ends, names.size(), prepare), ready);
}

void readFileEnds(const std::string& folder, std::span<const std::string> names, FileService& files,
                  const std::function<void(std::size_t index, FileEnd& end)>& use,
                  const std::function<void(std::size_t begin, std::size_t end)>& ready) {
  const std::unique_ptr<FolderReader> reader = files.readFolder(folder);
  if (!reader) {
    readEnds(
        names.size(),
        [&](std::size_t i, FileEnd& end) {
          end = readFileEnd(files.joinPath(folder, names[i]), files);
        },
        use, ready);
    return;
  }
  readEnds(
      names.size(),
      [&](std::size_t i, FileEnd& end) {
        end.opened = reader->readEnd(names[i], end.size, end.tail, end.failure);
        if (!end.opened) end.size = 0;
      },
      use, ready);
}

}  // namespace quorvane
