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
// extracting a whole entry.
//
// An entry whose turn has not come yet (some entry before it is still
// running) is extracted ahead of its turn, making new files only: one that
// finds a file in its way waits for its turn and goes again, replacing it
// then. So whatever an entry after a failed one did can be undone (its new
// file removed), and the caller ends with exactly what extracting the
// entries one after another leaves. The result is that of the first failing
// entry in directory order; no entry after it is started once its failure
// is known.
//
// Memory is fixed but for a byte per entry: a queue of kQueueCapacity
// entries with their target paths, and per worker a small stack and one
// entry's stream buffers.
class CKzpExtractionPool {
 public:
  // Extracts one entry to its target path (target[length - 1] is its last
  // character, which it may change); with mayReplace false it must leave an
  // existing file alone and fail with ZIP_E_CREATE instead. Answers a result
  // code.
  using Extractor = int (*)(ZIP_FileEntry& entry, wchar_t* target, std::size_t length,
                            bool mayReplace);

  static constexpr std::size_t kQueueCapacity = 64;
  static constexpr std::uint32_t kNoFailure = 0xFFFFFFFFu;

  explicit CKzpExtractionPool(Extractor extract) : extract_(extract) {}
  // Every worker is joined: queued entries are dropped, running ones end.
  ~CKzpExtractionPool();
  CKzpExtractionPool(const CKzpExtractionPool&) = delete;
  CKzpExtractionPool& operator=(const CKzpExtractionPool&) = delete;

  // Starts up to count workers (at most MAXIMUM_WAIT_OBJECTS) and answers
  // how many run (0 when none could be started). Throws std::bad_alloc
  // before any thread starts.
  unsigned Start(unsigned count);

  // True once some entry has failed; nothing more is taken then.
  bool Failed();

  // Queues the entry at position index in directory order (0 first, each
  // queued after all before it); its target path fits MAX_PATH. Waits while
  // enough work is queued. False, with nothing queued, once some entry has
  // failed. Throws std::bad_alloc.
  bool Submit(ZIP_FileEntry& entry, std::uint32_t index, const wchar_t* target,
              std::size_t length);

  // Waits until every queued entry is done, joins the workers and answers
  // the result of the first failing entry in directory order, or ZIP_OK.
  int Finish();
  // After Finish: the position of that entry, or kNoFailure.
  std::uint32_t FailedIndex();
  // After Finish: whether the entry at index was extracted ahead of its
  // turn (and so made only new files).
  bool ExtractedAhead(std::uint32_t index);

 private:
  struct Job {
    ZIP_FileEntry* entry = nullptr;
    std::uint32_t index = 0;
    std::uint32_t size = 0;
    std::size_t length = 0;
    wchar_t target[MAX_PATH] = {};
  };

  enum class Waiting { kNothing, kRoom, kAllDone };
  enum Status : std::uint8_t { kPending, kDone, kDoneAhead, kFailed, kSkipped };

  static DWORD WINAPI WorkerMain(void* pool);
  void Work();
  bool Take(Job& job, bool& skip, bool& ahead);
  int Extract(Job& job, bool ahead, Status& status);
  bool WaitForTurn(std::uint32_t index);
  void Record(const Job& job, int result, Status status);
  int Run(Job& job, bool mayReplace);
  bool HasRoom(std::uint32_t size) const;
  bool ShouldWakeCaller() const;
  void Join();

  const Extractor extract_;
  std::vector<CKzpThreadHandle> threads_;

  // Everything below is guarded by lock_.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE workQueued_ = CONDITION_VARIABLE_INIT;  // idle workers wait here
  CONDITION_VARIABLE workDone_ = CONDITION_VARIABLE_INIT;    // the caller waits here
  CONDITION_VARIABLE turnCame_ = CONDITION_VARIABLE_INIT;    // entries waiting for their turn
  std::vector<Job> queue_;  // a ring of kQueueCapacity jobs
  std::size_t head_ = 0;
  std::size_t queued_ = 0;
  std::size_t inFlight_ = 0;  // queued or running
  std::uint64_t bytesInFlight_ = 0;
  std::vector<std::uint8_t> status_;  // a Status per entry queued
  std::uint32_t turn_ = 0;            // every entry before it is done
  unsigned waitingForTurn_ = 0;
  unsigned workers_ = 0;
  Waiting waiting_ = Waiting::kNothing;
  bool closing_ = false;
  bool dropQueued_ = false;
  std::uint32_t firstFailedIndex_ = kNoFailure;
  int firstFailure_ = ZIP_OK;
};

}  // namespace kzpzip
