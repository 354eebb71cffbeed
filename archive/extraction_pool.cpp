#include "archive/extraction_pool.h"

#include <cwchar>
#include <new>

#include "archive/zip_result.h"

namespace kzpzip {

namespace {

// Beyond one entry per worker, entries are queued ahead only while they add
// up to this many bytes: progress then runs only a little ahead of the
// files being written, while many small entries still queue up so that
// workers rarely wait for the calling thread.
constexpr std::uint64_t kLookAheadBytes = 4u << 20;

// The calling thread, once it waits for room, is woken when half the queue
// is free, so that it queues small entries in batches instead of being
// woken for every one.
constexpr std::size_t kLowWater = CKzpExtractionPool::kQueueCapacity / 2;

// Workers need little stack: the largest frame holds one 16 KiB piece.
constexpr SIZE_T kWorkerStackBytes = 256 * 1024;

class CKzpExclusiveLock {
 public:
  explicit CKzpExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~CKzpExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  CKzpExclusiveLock(const CKzpExclusiveLock&) = delete;
  CKzpExclusiveLock& operator=(const CKzpExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

CKzpExtractionPool::~CKzpExtractionPool() {
  if (threads_.empty()) return;
  {
    CKzpExclusiveLock hold(lock_);
    closing_ = true;
    dropQueued_ = true;
  }
  WakeAllConditionVariable(&workQueued_);
  WakeAllConditionVariable(&turnCame_);
  Join();
}

unsigned CKzpExtractionPool::Start(unsigned count) {
  if (count > MAXIMUM_WAIT_OBJECTS) count = MAXIMUM_WAIT_OBJECTS;
  queue_.resize(kQueueCapacity);
  // Room for every owner first: nothing may throw once a thread runs.
  threads_.reserve(count);
  CKzpExclusiveLock hold(lock_);
  for (unsigned i = 0; i < count; ++i) {
    HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, WorkerMain, this,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) break;
    threads_.emplace_back(thread);
  }
  workers_ = static_cast<unsigned>(threads_.size());
  return workers_;
}

bool CKzpExtractionPool::Failed() {
  CKzpExclusiveLock hold(lock_);
  return firstFailedIndex_ != kNoFailure;
}

bool CKzpExtractionPool::HasRoom(std::uint32_t size) const {
  if (inFlight_ < workers_) return true;
  if (inFlight_ >= kQueueCapacity) return false;
  return bytesInFlight_ + size <= kLookAheadBytes;
}

bool CKzpExtractionPool::Submit(ZIP_FileEntry& entry, std::uint32_t index,
                                const wchar_t* target, std::size_t length) {
  const std::uint32_t size = entry.uncompressedSize;
  {
    CKzpExclusiveLock hold(lock_);
    for (;;) {
      if (firstFailedIndex_ != kNoFailure) return false;
      if (HasRoom(size)) break;
      waiting_ = Waiting::kRoom;
      SleepConditionVariableSRW(&workDone_, &lock_, INFINITE, 0);
      waiting_ = Waiting::kNothing;
    }
    if (status_.size() <= index) status_.resize(std::size_t{index} + 1, kPending);
    Job& job = queue_[(head_ + queued_) % kQueueCapacity];
    job.entry = &entry;
    job.index = index;
    job.size = size;
    job.length = length;
    std::wmemcpy(job.target, target, length + 1);
    ++queued_;
    ++inFlight_;
    bytesInFlight_ += size;
  }
  WakeConditionVariable(&workQueued_);
  return true;
}

int CKzpExtractionPool::Finish() {
  int result = ZIP_OK;
  {
    CKzpExclusiveLock hold(lock_);
    while (inFlight_ > 0) {
      waiting_ = Waiting::kAllDone;
      SleepConditionVariableSRW(&workDone_, &lock_, INFINITE, 0);
      waiting_ = Waiting::kNothing;
    }
    closing_ = true;
    if (firstFailedIndex_ != kNoFailure) result = firstFailure_;
  }
  WakeAllConditionVariable(&workQueued_);
  Join();
  return result;
}

std::uint32_t CKzpExtractionPool::FailedIndex() {
  CKzpExclusiveLock hold(lock_);
  return firstFailedIndex_;
}

bool CKzpExtractionPool::ExtractedAhead(std::uint32_t index) {
  CKzpExclusiveLock hold(lock_);
  return index < status_.size() && status_[index] == kDoneAhead;
}

void CKzpExtractionPool::Join() {
  HANDLE handles[MAXIMUM_WAIT_OBJECTS] = {};
  DWORD count = 0;
  for (const CKzpThreadHandle& thread : threads_) handles[count++] = thread.get();
  // Should the wait itself fail, each thread is waited for alone: none may
  // outlive the pool whose state it uses.
  if (WaitForMultipleObjects(count, handles, TRUE, INFINITE) == WAIT_FAILED) {
    for (DWORD i = 0; i < count; ++i) WaitForSingleObject(handles[i], INFINITE);
  }
  threads_.clear();
}

DWORD WINAPI CKzpExtractionPool::WorkerMain(void* pool) {
  static_cast<CKzpExtractionPool*>(pool)->Work();
  return 0;
}

// Called with lock_ held, after an entry is done.
bool CKzpExtractionPool::ShouldWakeCaller() const {
  switch (waiting_) {
    case Waiting::kRoom:
      return firstFailedIndex_ != kNoFailure || inFlight_ < workers_ ||
             (inFlight_ <= kLowWater && bytesInFlight_ < kLookAheadBytes);
    case Waiting::kAllDone:
      return inFlight_ == 0;
    case Waiting::kNothing:
      break;
  }
  return false;
}

void CKzpExtractionPool::Work() {
  Job job;
  bool skip = false;
  bool ahead = false;
  while (Take(job, skip, ahead)) {
    Status status = kSkipped;
    const int result = skip ? ZIP_OK : Extract(job, ahead, status);
    Record(job, result, status);
  }
}

// Answers false when the pool closes with nothing queued.
bool CKzpExtractionPool::Take(Job& job, bool& skip, bool& ahead) {
  CKzpExclusiveLock hold(lock_);
  while (queued_ == 0 && !closing_) SleepConditionVariableSRW(&workQueued_, &lock_, INFINITE, 0);
  if (queued_ == 0) return false;
  // Copied out, so that the slot is free at once although entries end out
  // of order.
  job = queue_[head_];
  head_ = (head_ + 1) % kQueueCapacity;
  --queued_;
  // Entries after a failed one are not started: the sequential run would
  // never have reached them.
  skip = dropQueued_ || job.index > firstFailedIndex_;
  ahead = turn_ != job.index;
  return true;
}

int CKzpExtractionPool::Extract(Job& job, bool ahead, Status& status) {
  int result = Run(job, !ahead);
  if (ahead && result == ZIP_OK) {
    status = kDoneAhead;
    return result;
  }
  // A file in the way, or something else an earlier entry might yet change:
  // the entry goes again in its turn, as the sequential run would meet it.
  if (ahead && result == ZIP_E_CREATE) {
    if (!WaitForTurn(job.index)) {
      status = kSkipped;
      return ZIP_OK;
    }
    result = Run(job, true);
  }
  status = result == ZIP_OK ? kDone : kFailed;
  return result;
}

// False when the turn never comes: an earlier entry failed, or the pool
// closes early.
bool CKzpExtractionPool::WaitForTurn(std::uint32_t index) {
  CKzpExclusiveLock hold(lock_);
  ++waitingForTurn_;
  while (turn_ != index && firstFailedIndex_ > index && !dropQueued_) {
    SleepConditionVariableSRW(&turnCame_, &lock_, INFINITE, 0);
  }
  --waitingForTurn_;
  return turn_ == index && !dropQueued_;
}

void CKzpExtractionPool::Record(const Job& job, int result, Status status) {
  bool wakeCaller = false;
  bool wakeWaiting = false;
  {
    CKzpExclusiveLock hold(lock_);
    --inFlight_;
    bytesInFlight_ -= job.size;
    status_[job.index] = status;
    bool moved = false;
    if (status == kFailed && job.index < firstFailedIndex_) {
      firstFailedIndex_ = job.index;
      firstFailure_ = result;
      moved = true;
    }
    while (turn_ < status_.size() && (status_[turn_] == kDone || status_[turn_] == kDoneAhead)) {
      ++turn_;
      moved = true;
    }
    wakeCaller = ShouldWakeCaller();
    wakeWaiting = moved && waitingForTurn_ > 0;
  }
  if (wakeCaller) WakeConditionVariable(&workDone_);
  if (wakeWaiting) WakeAllConditionVariable(&turnCame_);
}

int CKzpExtractionPool::Run(Job& job, bool mayReplace) {
  try {
    return extract_(*job.entry, job.target, job.length, mayReplace);
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
}

}  // namespace kzpzip
