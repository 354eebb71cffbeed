// Packages signed after they were built: the archive counts only when it
// lies wholly before the certificate table, which the signature does not
// cover, and an archive hidden in or after the table is never seen.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

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
        SignedCase{"Signed", Sign, kzpzip::ZIP_OK, kSignedNames},
        SignedCase{"SignedWithArchiveAppended",
                   [](Bytes& f, ZipLayout& l) { return Sign(f, l) && AppendArchive(f, l); },
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

}  // namespace
