#include "archive_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "file_bytes.h"

kzppack::Bytes StubPrefix() {
  kzppack::Bytes prefix(kStubSize, 0xCC);
  prefix[0] = 'M';
  prefix[1] = 'Z';
  // The headers of a 64-bit program with 16 empty data directories: not
  // signed, but with a security directory that signing can fill in.
  constexpr std::size_t kHeaders = 0x80;
  kzppack::SetField(prefix, 0x3C, 4, kHeaders);
  std::fill(prefix.begin() + kHeaders, prefix.begin() + kHeaders + 24 + 240, 0);
  kzppack::SetField(prefix, kHeaders, 4, 0x00004550);        // "PE\0\0"
  kzppack::SetField(prefix, kHeaders + 4, 2, 0x8664);        // x86-64
  kzppack::SetField(prefix, kHeaders + 20, 2, 240);          // optional header size
  kzppack::SetField(prefix, kHeaders + 24, 2, 0x20B);        // PE32+
  kzppack::SetField(prefix, kHeaders + 24 + 108, 4, 16);     // data directories
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
