#include "archive_test_support.h"

#include <gtest/gtest.h>

#include "file_bytes.h"

kzppack::Bytes StubPrefix() {
  kzppack::Bytes prefix(kStubSize, 0xCC);
  prefix[0] = 'M';
  prefix[1] = 'Z';
  return prefix;
}

std::string PatternText(std::size_t size, std::uint32_t seed) {
  std::string text;
  text.reserve(size);
  std::uint32_t state = seed;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    if ((state >> 16) % 4 == 0) {
      text += "repeated phrase ";
    } else {
      text += static_cast<char>(state >> 24);
    }
  }
  text.resize(size);
  return text;
}

std::wstring SaveStub(const CKzpTempFolder& folder, const kzppack::Bytes& file) {
  std::wstring path = folder / L"stub.exe";
  EXPECT_TRUE(WriteFileBytes(path, file));
  return path;
}

kzppack::ZipWriter StubWriter() { return kzppack::ZipWriter(StubPrefix()); }
