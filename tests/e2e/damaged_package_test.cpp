// Damaged and hostile packages through the real stub: a silent extraction
// reports the failure (exit code 0) and leaves only files that were complete
// before the damage was met. An archive refused when it is opened leaves
// nothing at all and shows message 1000, which every mode shows; one whose
// entries cannot all be extracted (a hostile or undecodable name, data in a
// method this program lacks, encryption) is refused before anything is
// written, silently.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>

#include "file_bytes.h"
#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"
#include "process_runner.h"
#include "temp_folder.h"

namespace {

using kzppack::Bytes;
using kzppack::ZipLayout;
using kzppack::ZipWriter;

struct DamagedPackageCase {
  const char* name;
  std::function<void(ZipWriter&)> fill;  // entries, behind the built stub
  std::function<bool(Bytes&, ZipLayout&)> damage;
  bool refusedAtOpen;
  std::set<std::wstring> left;  // what the target holds afterwards
};

const wchar_t kNotAPackage[] =
    L"A package definition file was not found.  The file is not a valid Package.";

void PrintTo(const DamagedPackageCase& c, std::ostream* os) { *os << c.name; }

class DamagedPackage : public ::testing::TestWithParam<DamagedPackageCase> {};

TEST_P(DamagedPackage, SilentExtractionFailsAndLeavesOnlyCompleteFiles) {
  ZipWriter writer(ReadFileBytes(BuiltStubPath()));
  GetParam().fill(writer);
  ZipLayout layout;
  Bytes package = writer.Finish(&layout);
  ASSERT_TRUE(GetParam().damage(package, layout));
  CKzpTempFolder folder;
  const std::wstring path = folder / L"package.exe";
  ASSERT_TRUE(WriteFileBytes(path, package));
  const std::wstring target = folder / L"out";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));

  const ProcessOutcome outcome = RunProcess(path, L"/extract:" + target);
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 0u);
  // Message 1000 and nothing else for a refused archive; no window otherwise.
  EXPECT_EQ(outcome.windows.size(), GetParam().refusedAtOpen ? 1u : 0u);
  for (const ObservedWindow& window : outcome.windows) EXPECT_TRUE(window.HasChildText(kNotAPackage));
  EXPECT_EQ(ListTree(target), GetParam().left);
}

void TwoFiles(ZipWriter& writer) {
  writer.AddFile("a.txt", "first");
  writer.AddFile("b.txt", "second");
}

bool NoDamage(Bytes&, ZipLayout&) { return true; }

INSTANTIATE_TEST_SUITE_P(
    Packages, DamagedPackage,
    ::testing::Values(
        // The end record declares entries but no directory.
        DamagedPackageCase{"DirectoryOffsetZero", TwoFiles,
                           [](Bytes& f, ZipLayout& l) {
                             return kzppack::SetEndField(f, l, kzppack::kEndDirectoryOffset, 4, 0);
                           },
                           true, {}},
        DamagedPackageCase{"FolderWhereAFileStands",
                           [](ZipWriter& w) {
                             w.AddFile("x", "a file");
                             w.AddFolder("x/");
                             w.AddFile("later.txt", "never reached");
                           },
                           NoDamage, false, {L"x"}},
        // Fifty records name one member of 4 MiB (about 4 KiB deflated).
        DamagedPackageCase{"RecordsShareOneMember",
                           [](ZipWriter& w) {
                             w.AddFile("small.txt", "small");
                             w.AddFile("big.bin", std::string(4 << 20, '\0'));
                           },
                           [](Bytes& f, ZipLayout& l) {
                             for (int i = 0; i < 50; ++i) {
                               if (!kzppack::DuplicateCentralRecord(f, l, 1)) return false;
                             }
                             return true;
                           },
                           true, {}},
        // A wrong CRC-32 shows only once the whole file is written.
        DamagedPackageCase{"WrongCrc",
                           [](ZipWriter& w) {
                             TwoFiles(w);
                             w.AddFile("c.txt", std::string(300000, 'c'));
                           },
                           [](Bytes& f, ZipLayout& l) { return kzppack::DeclareCrc(f, l, 1, 7); },
                           false, {L"a.txt"}},
        // What was made ahead for a later entry goes again, a folder whose
        // name ends in a blank included.
        DamagedPackageCase{"WrongCrcBeforeAFolderEndingInABlank",
                           [](ZipWriter& w) {
                             w.AddFile("a.txt", "first");
                             w.AddFile("b.bin", std::string(3 << 20, 'b'));
                             w.AddFile("dir /x.txt", "later");
                           },
                           [](Bytes& f, ZipLayout& l) { return kzppack::DeclareCrc(f, l, 1, 7); },
                           false, {L"a.txt"}},
        // bzip2 (method 12), as "zip -Z bzip2" writes it, below folders
        // that must not be made.
        DamagedPackageCase{"UnsupportedMethod",
                           [](ZipWriter& w) {
                             w.AddFile("first.txt", "first");
                             w.AddFile("a/b/c", "BZh91AY&SY", 12);
                           },
                           NoDamage, false, {}},
        DamagedPackageCase{"EncryptedEntry",
                           [](ZipWriter& w) {
                             w.AddFile("first.txt", "first");
                             kzppack::ZipEntrySpec secret;
                             secret.name = "sub/secret.txt";
                             secret.data = {'x', 'y', 'z'};
                             secret.method = kzppack::kMethodStored;
                             secret.flags = 0x0001;
                             w.Add(std::move(secret));
                           },
                           NoDamage, false, {}},
        // Marked as UTF-8 (flag bit 11), but not UTF-8.
        DamagedPackageCase{"Utf8NameThatIsNotUtf8",
                           [](ZipWriter& w) {
                             w.AddFile("first.txt", "first");
                             kzppack::ZipEntrySpec odd;
                             odd.name = "caf\xE9.txt";
                             odd.data = {'x'};
                             odd.flags = 0x0800;
                             w.Add(std::move(odd));
                           },
                           NoDamage, false, {}}),
    [](const ::testing::TestParamInfo<DamagedPackageCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
