#include "stub_verdict.h"

#include "archive/zip_file.h"

std::optional<int> StubOpenResult(const std::filesystem::path& package) {
  kzpzip::ZIP_File archive;
  return archive.Open(package.wstring().c_str(), true);
}

std::optional<int> StubExtractResult(const std::filesystem::path& package,
                                     const std::filesystem::path& folder) {
  kzpzip::ZIP_File archive;
  const int opened = archive.Open(package.wstring().c_str(), true);
  if (opened != kzpzip::ZIP_OK) return opened;
  return archive.ExtractAllOnThreads(folder.wstring().c_str(), nullptr, nullptr, 1);
}
