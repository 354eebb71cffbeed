#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "archive/create_folder_path.h"
#include "archive/extraction_pool.h"
#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzppack::Bytes;
using kzpzip::ZIP_File;

// More workers than our machines have cores, so that entries really overlap.
constexpr unsigned kThreads = 4;

// What a test compares of one extracted item.
struct Item {
  std::uint32_t crc = 0;
  std::size_t size = 0;
  DWORD attributes = 0;
  ULONGLONG written = 0;  // files only: a folder's time moves as files land in it
  bool operator==(const Item& o) const {
    return crc == o.crc && size == o.size && attributes == o.attributes && written == o.written;
  }
};

void PrintTo(const Item& i, std::ostream* os) {
  *os << "size " << i.size << " crc " << i.crc << " attributes " << i.attributes << " time "
      << i.written;
}

std::map<std::wstring, Item> Snapshot(const std::wstring& folder) {
  std::map<std::wstring, Item> items;
  for (const std::wstring& relative : ListTree(folder)) {
    const std::wstring path = folder + L"\\" + relative;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    Item item;
    item.attributes = data.dwFileAttributes;
    if (relative.back() != L'\\') {
      const Bytes bytes = ReadFileBytes(path);
      item.crc = kzppack::Crc32(bytes.data(), bytes.size());
      item.size = bytes.size();
      item.written = (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    }
    items.emplace(relative, item);
  }
  return items;
}

class ThreadedExtractTest : public ::testing::Test {
 protected:
  void Open(const Bytes& file) { ASSERT_EQ(archive_.Open(SaveStub(temp_, file).c_str(), true), 0); }
  int Extract(const std::wstring& out, unsigned threads,
              kzpzip::ZIP_ProgressCallback callback = nullptr, void* context = nullptr) {
    return archive_.ExtractAllOnThreads((temp_ / out).c_str(), callback, context, threads);
  }
  std::map<std::wstring, Item> Tree(const std::wstring& out) { return Snapshot(temp_ / out); }

  CKzpTempFolder temp_;
  ZIP_File archive_;
};

void AddData(kzppack::ZipWriter& writer, const std::string& name, std::size_t size,
             std::uint32_t seed, std::uint32_t attributes = 0x20,
             std::uint16_t method = kzppack::kMethodDeflated) {
  const std::string text = PatternText(size, seed);
  kzppack::ZipEntrySpec member;
  member.name = name;
  member.data.assign(text.begin(), text.end());
  member.method = method;
  member.externalAttributes = attributes;
  member.dosDate = kzppack::DosDate(2020, 1 + seed % 12, 1 + seed % 28);
  member.dosTime = kzppack::DosTime(seed % 24, 30, 12);
  writer.Add(member);
}

constexpr std::size_t kBadEntry = 4;

// Sizes from nothing to megabytes, folders, a read-only file; entry 4 is
// the one a damaged copy breaks, and entries 5 to 8 come after it, the
// last in folders of its own.
Bytes MixedPackage(kzppack::ZipLayout* layout) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFolder("d/");
  writer.AddFile("d/tiny.txt", "t", kzppack::kMethodStored);
  AddData(writer, "big.bin", 3 << 20, 1);
  AddData(writer, "d/e/mid.txt", 200000, 2, 0x21);
  AddData(writer, "bad.bin", 2 << 20, 3);
  writer.AddFile("empty.txt", "");
  AddData(writer, "after/one.txt", 50000, 4);
  AddData(writer, "after/two.bin", 1 << 20, 5, 0x20, kzppack::kMethodStored);
  AddData(writer, "zz/deep/last.txt", 10, 6);
  return writer.Finish(layout);
}

// The same tree as the sequential run, also when entry 4 fails late (its
// CRC, at the end of 2 MiB) while later entries run, and entry 6 fails
// early (a folder stands where its file goes): the result is entry 4's,
// and nothing of the entries after it is left. A second round extracts
// over files that are there already, which only an entry's own turn may
// replace.
TEST_F(ThreadedExtractTest, MatchesTheSequentialRunWithAFailingEntryInTheMiddle) {
  Open(MixedPackage(nullptr));
  ASSERT_EQ(Extract(L"sequential", 1), kzpzip::ZIP_OK);
  ASSERT_EQ(Extract(L"threaded", kThreads), kzpzip::ZIP_OK);
  EXPECT_EQ(Tree(L"threaded"), Tree(L"sequential"));
  EXPECT_EQ(Tree(L"threaded").size(), 13u);

  kzppack::ZipLayout layout;
  Bytes damaged = MixedPackage(&layout);
  ASSERT_TRUE(kzppack::DeclareCrc(damaged, layout, kBadEntry, 1));
  archive_.Close();
  Open(damaged);
  for (const std::wstring out : {L"one", L"many"}) {
    ASSERT_TRUE(kzpzip::CreateFolderPath((temp_ / out + L"\\after\\one.txt").c_str()));
    EXPECT_EQ(Extract(out, out == L"one" ? 1 : kThreads), kzpzip::ZIP_E_CRC);
  }
  EXPECT_EQ(Tree(L"many"), Tree(L"one"));
  EXPECT_EQ(Tree(L"one").count(L"bad.bin"), 0u);
  EXPECT_EQ(Tree(L"one").count(L"empty.txt") + Tree(L"one").count(L"zz\\"), 0u);

  for (const std::wstring out : {L"sequential", L"threaded"}) {
    ASSERT_TRUE(WriteFileText(temp_ / out + L"\\d\\tiny.txt", "old"));
    ASSERT_TRUE(WriteFileText(temp_ / out + L"\\zz\\deep\\last.txt", "old"));
    EXPECT_EQ(Extract(out, out == L"sequential" ? 1 : kThreads), kzpzip::ZIP_E_CRC);
  }
  // last.txt keeps the old contents, and the time each was written with.
  auto threaded = Tree(L"threaded");
  auto sequential = Tree(L"sequential");
  EXPECT_EQ(threaded.at(L"zz\\deep\\last.txt").size, 3u);
  threaded.erase(L"zz\\deep\\last.txt");
  sequential.erase(L"zz\\deep\\last.txt");
  EXPECT_EQ(threaded, sequential);
  EXPECT_EQ(ReadFileText(temp_ / L"threaded\\d\\tiny.txt"), "t");
}

// The entry whose failure the result reports can be asked for (the install
// log names it): the same on one thread and on several, none after success,
// and a name that leaves the folder before anything is written.
TEST_F(ThreadedExtractTest, NamesTheEntryThatFailed) {
  kzppack::ZipLayout layout;
  Bytes damaged = MixedPackage(&layout);
  ASSERT_TRUE(kzppack::DeclareCrc(damaged, layout, kBadEntry, 1));
  Open(damaged);
  for (const unsigned threads : {1u, kThreads}) {
    ASSERT_EQ(Extract(L"out" + std::to_wstring(threads), threads), kzpzip::ZIP_E_CRC);
    ASSERT_NE(archive_.FailedEntry(), nullptr);
    EXPECT_STREQ(archive_.FailedEntry()->fileName, "bad.bin") << threads << " threads";
  }
  archive_.Close();
  Open(MixedPackage(nullptr));
  ASSERT_EQ(Extract(L"good", kThreads), kzpzip::ZIP_OK);
  EXPECT_EQ(archive_.FailedEntry(), nullptr);

  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("fine.txt", "fine");
  writer.AddFile("../escape.txt", "outside");
  archive_.Close();
  Open(writer.Finish());
  ASSERT_EQ(Extract(L"hostile", kThreads), kzpzip::ZIP_E_BAD_ARCHIVE);
  ASSERT_NE(archive_.FailedEntry(), nullptr);
  EXPECT_STREQ(archive_.FailedEntry()->fileName, "../escape.txt");
}

// Archives whose entries reach the same file or folder end as they end
// when extracted one entry after another.
struct OrderCase {
  const char* label;
  std::vector<std::string> names;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.label; }

class OrderMatters : public ThreadedExtractTest,
                     public ::testing::WithParamInterface<OrderCase> {};

TEST_P(OrderMatters, EndsAsTheSequentialRun) {
  kzppack::ZipWriter writer = StubWriter();
  std::uint32_t seed = 10;
  for (const std::string& name : GetParam().names) {
    if (name.back() == '/') {
      writer.AddFolder(name);
    } else {
      AddData(writer, name, seed == 10 ? (1 << 20) : 1000, seed);  // the first one is big
    }
    ++seed;
  }
  Open(writer.Finish());
  EXPECT_EQ(Extract(L"many", kThreads), Extract(L"one", 1));
  EXPECT_EQ(Tree(L"many"), Tree(L"one"));
}

INSTANTIATE_TEST_SUITE_P(
    Archives, OrderMatters,
    ::testing::Values(OrderCase{"DuplicateNames", {"a.txt", "b.txt", "A.TXT", "a.txt"}},
                      OrderCase{"TrailingDot", {"n.txt", "n.txt."}},
                      OrderCase{"FileThenFolderOfThatName", {"x", "x/", "later.txt"}},
                      OrderCase{"FileThenFileBelowIt", {"x", "x/y.txt", "later.txt"}},
                      OrderCase{"FolderEntriesAndFilesBelow",
                                {"d/big.bin", "d/", "d/a.txt", "d/e/", "d/e/b.txt", "f/g/c.txt"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.label); });

struct Progress {
  std::vector<std::uint32_t> current;
  std::uint32_t total = 0;
  bool elsewhere = false;     // called from another thread
  bool existedBefore = false;  // an entry was there before its call
  std::uint32_t stopAt = 0;
  DWORD thread = GetCurrentThreadId();
};

unsigned char Record(void* context, const kzpzip::ZIP_ExtractProgress* progress) {
  auto* p = static_cast<Progress*>(context);
  p->current.push_back(progress->current);
  p->total = progress->total;
  p->elsewhere |= GetCurrentThreadId() != p->thread;
  p->existedBefore |= GetFileAttributesW(progress->path) != INVALID_FILE_ATTRIBUTES;
  return progress->current != p->stopAt;
}

TEST_F(ThreadedExtractTest, ProgressStaysOnTheCallingThreadInOrderAndCanStop) {
  kzppack::ZipWriter writer = StubWriter();
  AddData(writer, "first.bin", 1 << 20, 1);
  for (int i = 0; i < 99; ++i) AddData(writer, "f" + std::to_string(100 + i), 3000, i);
  Open(writer.Finish());
  std::vector<std::uint32_t> all(100);
  for (std::uint32_t i = 0; i < 100; ++i) all[i] = i + 1;

  Progress whole;
  EXPECT_EQ(Extract(L"whole", kThreads, Record, &whole), kzpzip::ZIP_OK);
  EXPECT_EQ(whole.current, all);
  EXPECT_EQ(whole.total, 100u);
  EXPECT_FALSE(whole.elsewhere);
  EXPECT_FALSE(whole.existedBefore);

  Progress stopped;
  stopped.stopAt = 60;
  EXPECT_EQ(Extract(L"stopped", kThreads, Record, &stopped), kzpzip::ZIP_OK);
  EXPECT_EQ(stopped.current, std::vector<std::uint32_t>(all.begin(), all.begin() + 60));
  EXPECT_EQ(Tree(L"stopped").size(), 59u);
  EXPECT_TRUE(FileExists(temp_ / L"stopped\\f157"));
  EXPECT_FALSE(FileExists(temp_ / L"stopped\\f158"));
}

// A way out by exception (std::bad_alloc in the calling thread): queued
// entries are dropped, and no worker outlives the pool.
LONG g_ran = 0;

int SlowExtract(kzpzip::ZIP_FileEntry&, wchar_t*, std::size_t, bool) {
  InterlockedIncrement(&g_ran);
  Sleep(20);
  return kzpzip::ZIP_OK;
}

TEST(ExtractionPool, LeavingByExceptionDropsQueuedEntriesAndJoinsTheWorkers) {
  kzpzip::ZIP_FileEntry entries[20];
  try {
    kzpzip::CKzpExtractionPool pool(SlowExtract);
    ASSERT_EQ(pool.Start(2), 2u);
    for (std::uint32_t i = 0; i < 20; ++i) ASSERT_TRUE(pool.Submit(entries[i], i, L"C:\\x", 4));
    throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
  }
  const LONG ran = InterlockedCompareExchange(&g_ran, 0, 0);
  EXPECT_LT(ran, 20);
  Sleep(100);
  EXPECT_EQ(InterlockedCompareExchange(&g_ran, 0, 0), ran);
}

}  // namespace
