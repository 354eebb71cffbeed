// archive_fuzz [seed] [iterations]: damages a package at random (byte flips,
// overwritten runs, truncation, inserted bytes), opens each variant and
// extracts it into a scratch folder. Every result must be one of the
// archive's codes, nothing may crash or hang, and nothing may be written
// outside the scratch folder. The current input is kept in
// build/fuzz/current.exe, so a crash leaves it behind for replay.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "app/work_folder.h"
#include "archive/zip_file.h"
#include "archive/zip_file_entry.h"
#include "packer/zip_writer.h"

namespace {

kzppack::Bytes BasePackage() {
  kzppack::ZipWriter writer(kzppack::Bytes(5000, 'M'));
  writer.AddFile("readme.txt", "hello, world\r\n");
  writer.AddFolder("docs/");
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
  writer.AddFile("docs/guide.txt", text);
  writer.AddFile("bin/tool.dat", std::string(5000, 'x'), kzppack::kMethodStored);
  writer.AddFile("empty.txt", "");
  writer.SetComment("package comment");
  return writer.Finish();
}

void Mutate(kzppack::Bytes& bytes, std::mt19937& random) {
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const std::size_t at = random() % bytes.size();
    switch (random() % 5) {
      case 0:
        bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        break;
      case 1:
        for (std::size_t i = at; i < bytes.size() && i < at + 1 + random() % 8; ++i) {
          bytes[i] = static_cast<std::uint8_t>(random());
        }
        break;
      case 2:
        bytes[at] = (random() % 2) ? 0xFF : 0x00;
        break;
      case 3:
        bytes.resize(at + 1);
        break;
      default:
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random()));
        break;
    }
  }
}

bool Write(const std::wstring& path, const kzppack::Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool IsArchiveCode(int result) { return result <= 0 && result >= -9; }

// The work folder holds nothing but the current input once the scratch
// folder is gone: anything else was written outside the scratch folder.
bool OnlyTheInputRemains(const std::wstring& folder) {
  WIN32_FIND_DATAW item{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool clean = true;
  do {
    const std::wstring name = item.cFileName;
    if (name != L"." && name != L".." && name != L"current.exe") clean = false;
  } while (FindNextFileW(search, &item));
  FindClose(search);
  return clean;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const unsigned seed = argc > 1 ? static_cast<unsigned>(std::wcstoul(argv[1], nullptr, 10)) : 1;
  const int iterations = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 2000;
  std::printf("archive_fuzz: seed %u, %d iterations\n", seed, iterations);
  std::fflush(stdout);

  CreateDirectoryW(L"fuzz", nullptr);
  wchar_t here[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, here);
  const std::wstring input = std::wstring(here) + L"\\fuzz\\current.exe";
  const std::wstring scratch = std::wstring(here) + L"\\fuzz\\out";
  const kzppack::Bytes base = BasePackage();
  std::mt19937 random(seed);
  int opened = 0;
  int extracted = 0;
  for (int i = 0; i < iterations; ++i) {
    kzppack::Bytes variant = base;
    Mutate(variant, random);
    if (!Write(input, variant)) return 2;
    kzpzip::ZIP_File archive;
    const int open = archive.Open(input.c_str(), true);
    if (!IsArchiveCode(open)) {
      std::printf("iteration %d: Open answered %d\n", i, open);
      return 1;
    }
    if (open != kzpzip::ZIP_OK) continue;
    ++opened;
    // Small entries are read into memory as well (hostile sizes are skipped).
    for (unsigned e = 0; e < archive.GetEntryCount(); ++e) {
      kzpzip::ZIP_FileEntry* entry = archive.GetEntry(static_cast<int>(e));
      if (entry == nullptr || entry->uncompressedSize == 0 || entry->uncompressedSize > (1u << 20)) {
        continue;
      }
      std::string buffer(entry->uncompressedSize, '\0');
      const int read = entry->Read(&buffer[0], entry->uncompressedSize);
      if (!IsArchiveCode(read)) {
        std::printf("iteration %d: Read answered %d\n", i, read);
        return 1;
      }
    }
    CreateDirectoryW(scratch.c_str(), nullptr);
    const int all = archive.ExtractAll(scratch.c_str(), nullptr, nullptr);
    if (!IsArchiveCode(all)) {
      std::printf("iteration %d: ExtractAll answered %d\n", i, all);
      return 1;
    }
    if (all == kzpzip::ZIP_OK) ++extracted;
    archive.Close();
    RemoveFolderTree(scratch.c_str());
    if (!OnlyTheInputRemains(std::wstring(here) + L"\\fuzz")) {
      std::printf("iteration %d: something was written outside the target folder\n", i);
      return 1;
    }
  }
  std::printf("archive_fuzz: %d variants, %d opened, %d extracted whole, no crash\n", iterations,
              opened, extracted);
  DeleteFileW(input.c_str());
  RemoveDirectoryW((std::wstring(here) + L"\\fuzz").c_str());
  return 0;
}
