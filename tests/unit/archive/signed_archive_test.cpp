// Packages signed after they were built: the archive counts only when it
// lies wholly before the certificate table, which the signature does not
// cover, and an archive hidden in or after the table is never seen.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "archive/certificate_table.h"
#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzppack::Bytes;
using kzppack::ZipLayout;
using kzpzip::ZIP_File;

using Names = std::vector<std::string>;
const Names kSignedNames = {"signed.txt", "docs/", "docs/guide.txt"};

Bytes Package(ZipLayout* layout) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("signed.txt", "from the signed archive");
  writer.AddFolder("docs/");
  writer.AddFile("docs/guide.txt", PatternText(30000, 5), kzppack::kMethodStored);
  return writer.Finish(layout);
}

// Stands in for a PKCS#7 blob: an odd size, so padding shows.
const Bytes kCertificate(1501, 0x30);

// Where AppendCertificateTable will put the certificate bytes.
std::uint32_t CertificateBytesOffset(const Bytes& file) {
  return static_cast<std::uint32_t>((file.size() + 7) / 8 * 8 + 8);
}

// A second archive appended with its offsets counted from the file's start,
// as an attacker would add one after signing.
bool AppendArchive(Bytes& file, ZipLayout& layout) {
  kzppack::ZipWriter writer(file);
  writer.AddFile("evil.txt", "from an archive outside the signature");
  file = writer.Finish(&layout);
  return !file.empty();
}

struct SignedCase {
  const char* name;
  std::function<bool(Bytes&, ZipLayout&)> make;  // from the unsigned package
  int expected;
  Names names;  // entries after a successful open
};

void PrintTo(const SignedCase& c, std::ostream* os) { *os << c.name; }

class SignedArchive : public ::testing::TestWithParam<SignedCase> {};

TEST_P(SignedArchive, OpensOnlyWhatLiesBeforeTheTable) {
  ZipLayout layout;
  Bytes file = Package(&layout);
  ASSERT_TRUE(GetParam().make(file, layout));
  CKzpTempFolder temp;
  const std::wstring path = SaveStub(temp, file);
  ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), GetParam().expected);
  Names names;
  for (unsigned i = 0; i < archive.GetEntryCount(); ++i) names.push_back(archive.GetEntry(i)->fileName);
  EXPECT_EQ(names, GetParam().names);
}

bool Sign(Bytes& f, ZipLayout& l) { return kzppack::AppendCertificateTable(f, l, kCertificate); }

INSTANTIATE_TEST_SUITE_P(
    Packages, SignedArchive,
    ::testing::Values(
        SignedCase{"Unsigned", [](Bytes&, ZipLayout&) { return true; }, kzpzip::ZIP_OK,
                   kSignedNames},
        SignedCase{"Signed", Sign, kzpzip::ZIP_OK, kSignedNames},
        // Without a signature the nearest end record wins, as it always did.
        SignedCase{"UnsignedWithArchiveAppended", AppendArchive, kzpzip::ZIP_OK, {"evil.txt"}},
        SignedCase{"SignedWithArchiveAppended",
                   [](Bytes& f, ZipLayout& l) { return Sign(f, l) && AppendArchive(f, l); },
                   kzpzip::ZIP_OK, kSignedNames},
        SignedCase{"SignedWithArchiveInsideTheTable",
                   [](Bytes& f, ZipLayout& l) {
                     return Sign(f, l) && AppendArchive(f, l) &&
                            kzppack::ExtendCertificateTableToEnd(f);
                   },
                   kzpzip::ZIP_OK, kSignedNames},
        // A table said to start past the end of the file is not there.
        SignedCase{"TableBeyondTheEndOfTheFile",
                   [](Bytes& f, ZipLayout& l) {
                     return Sign(f, l) && kzppack::SetField(f, kzppack::SecurityDirectoryEntry(f),
                                                            4, l.fileSize + 8);
                   },
                   kzpzip::ZIP_OK, kSignedNames},
        // The table starts inside the end record: the record is cut short.
        SignedCase{"TableCutsTheEndRecord",
                   [](Bytes& f, ZipLayout& l) {
                     return Sign(f, l) && kzppack::SetField(f, kzppack::SecurityDirectoryEntry(f),
                                                            4, l.endRecord + 10);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE, {}},
        // The signed records point into the table, where copies lie.
        SignedCase{"LocalHeaderInsideTheTable",
                   [](Bytes& f, ZipLayout& l) {
                     const ZipLayout::Entry& e = l.entries[2];
                     const Bytes copy(f.begin() + e.localHeader,
                                      f.begin() + e.dataOffset + e.compressedSize);
                     return kzppack::SetCentralField(f, l, 2, kzppack::kCentralLocalHeaderOffset, 4,
                                                     CertificateBytesOffset(f)) &&
                            kzppack::AppendCertificateTable(f, l, copy);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE, {}},
        SignedCase{"DirectoryInsideTheTable",
                   [](Bytes& f, ZipLayout& l) {
                     const Bytes copy(f.begin() + l.centralDirectory,
                                      f.begin() + l.centralDirectory + l.centralDirectorySize);
                     return kzppack::SetEndField(f, l, kzppack::kEndDirectoryOffset, 4,
                                                 CertificateBytesOffset(f)) &&
                            kzppack::AppendCertificateTable(f, l, copy);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE, {}}),
    [](const ::testing::TestParamInfo<SignedCase>& info) { return std::string(info.param.name); });

// PE headers from the "PE\0\0" signature on, with the security directory
// entry of a 32-bit (0x10B) or 64-bit (0x20B) optional header filled in.
struct HeaderCase {
  const char* name;
  std::uint32_t magic;
  std::uint32_t directories;
  std::uint32_t optionalSize;
  std::uint32_t tableOffset;
  std::uint32_t tableSize;
  bool found;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class CertificateTableHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CertificateTableHeaders, NameTheTableOnlyWhenThereIsOne) {
  const HeaderCase& c = GetParam();
  Bytes headers(kzpzip::kPeHeadersSize, 0);
  kzppack::SetField(headers, 0, 4, 0x00004550);
  kzppack::SetField(headers, 20, 2, c.optionalSize);
  kzppack::SetField(headers, 24, 2, c.magic);
  const std::size_t count = 24 + (c.magic == 0x10B ? 92 : 108);
  kzppack::SetField(headers, count, 4, c.directories);
  kzppack::SetField(headers, count + 4 + 32, 4, c.tableOffset);
  kzppack::SetField(headers, count + 8 + 32, 4, c.tableSize);
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(kzpzip::DecodeCertificateTable(headers.data(), headers.size(), &offset, &size), c.found);
  if (c.found) {
    EXPECT_EQ(offset, c.tableOffset);
    EXPECT_EQ(size, c.tableSize);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, CertificateTableHeaders,
    ::testing::Values(HeaderCase{"Pe32Plus", 0x20B, 16, 240, 90000, 2000, true},
                      HeaderCase{"Pe32", 0x10B, 16, 224, 90000, 2000, true},
                      HeaderCase{"Unsigned", 0x20B, 16, 240, 0, 0, false},
                      HeaderCase{"NoSize", 0x20B, 16, 240, 90000, 0, false},
                      HeaderCase{"RomImage", 0x107, 16, 240, 90000, 2000, false},
                      HeaderCase{"FourDirectories", 0x20B, 4, 240, 90000, 2000, false},
                      HeaderCase{"OptionalHeaderTooShort", 0x20B, 16, 150, 90000, 2000, false}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

TEST(CertificateTableHeaders, NeedTheSignatures) {
  Bytes dos(kzpzip::kDosHeaderSize, 0);
  kzppack::SetField(dos, 0x3C, 4, 0x80);
  EXPECT_EQ(kzpzip::DecodePeHeaderOffset(dos.data(), dos.size()), 0u);
  dos[0] = 'M';
  dos[1] = 'Z';
  EXPECT_EQ(kzpzip::DecodePeHeaderOffset(dos.data(), dos.size()), 0x80u);
  EXPECT_EQ(kzpzip::DecodePeHeaderOffset(dos.data(), dos.size() - 1), 0u);
  Bytes headers(kzpzip::kPeHeadersSize, 0);
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  EXPECT_FALSE(kzpzip::DecodeCertificateTable(headers.data(), headers.size(), &offset, &size));
}

}  // namespace
