#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archive/kzp_thread_handle.h"
#include "archive/zip_file_entry.h"
#include "archive/zip_result.h"

namespace kzpzip {

// Extracts the entries of one ExtractAll on a few worker threads. The
// calling thread hands the entries over one by one in directory order (and
// reports progress between them); workers take them in that order, each
// extracting a whole entry. The outcome is the sequential one: the result
// of the first failing entry in directory order, every entry before it
// extracted, and no entry started after it once its failure is known (one
// that a worker had already begun is finished, not cut short).
//
// Memory is fixed: a queue of kQueueCapacity entries with their target
// paths, and per worker a small stack and one entry's stream buffers.
class CKzpExtractionPool {
 public:
  // Extracts one entry to its target path (target[length - 1] is its last
  // character, which it may change); answers a result code.
  using Extractor = int (*)(ZIP_FileEntry& entry, wchar_t* target, std::size_t length);

  static constexpr std::size_t kQueueCapacity = 64;

  explicit CKzpExtractionPool(Extractor extract) : extract_(extract) {}
  // Every worker is joined: queued entries are dropped, running ones end.
  ~CKzpExtractionPool();
  CKzpExtractionPool(const CKzpExtractionPool&) = delete;
  CKzpExtractionPool& operator=(const CKzpExtractionPool&) = delete;

  // Starts up to count workers (at most MAXIMUM_WAIT_OBJECTS) and answers
  // how many run (0 when none could be started). Throws std::bad_alloc before any thread starts.
  unsigned Start(unsigned count);

  // True once some entry has failed; nothing more is taken then.
  bool Failed();

  // Queues the entry with 0-based position index in directory order, the
  // next after the last one queued; its target path fits MAX_PATH. Waits while enough work is queued.
  // False, with nothing queued, once some entry has failed.
  bool Submit(ZIP_FileEntry& entry, std::uint32_t index, const wchar_t* target,
              std::size_t length);

  // Waits until every queued entry is done, joins the workers and answers
  // the result of the first failing entry in directory order, or ZIP_OK.
  int Finish();

 private:
  struct Job {
    ZIP_FileEntry* entry = nullptr;
    std::uint32_t index = 0;
    std::uint32_t size = 0;
    std::size_t length = 0;
    wchar_t target[MAX_PATH] = {};
  };

  enum class Waiting { kNothing, kRoom, kAllDone };

  static DWORD WINAPI WorkerMain(void* pool);
  void Work();
  int Run(Job& job);
  bool HasRoom(std::uint32_t size) const;
  bool ShouldWakeCaller() const;
  void Join();

  const Extractor extract_;
  std::vector<CKzpThreadHandle> threads_;

  // Everything below is guarded by lock_.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE workQueued_ = CONDITION_VARIABLE_INIT;  // workers wait here
  CONDITION_VARIABLE workDone_ = CONDITION_VARIABLE_INIT;    // the caller waits here
  std::vector<Job> queue_;  // a ring of kQueueCapacity jobs
  std::size_t head_ = 0;
  std::size_t queued_ = 0;
  std::size_t inFlight_ = 0;  // queued or running
  std::uint64_t bytesInFlight_ = 0;
  unsigned workers_ = 0;
  Waiting waiting_ = Waiting::kNothing;
  bool closing_ = false;
  bool dropQueued_ = false;
  std::uint32_t firstFailedIndex_ = 0xFFFFFFFFu;
  int firstFailure_ = ZIP_OK;
};

}  // namespace kzpzip
