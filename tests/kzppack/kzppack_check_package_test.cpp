// `kzppack check <package.exe>` reports, as errors, what makes the stub
// refuse a package or an entry of it, and exits with 1; what the stub only
// extracts otherwise than meant is a warning. Through the real program, so
// that the Windows build under Wine runs the same cases.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>

#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"

namespace {

namespace fs = std::filesystem;
using kzppack::Bytes;
using kzppack::ZipLayout;

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ProgramCommand() {
  const char* command = std::getenv("KZPPACK_COMMAND");
  return command != nullptr && *command != '\0' ? command : ShellQuoted(KZPPACK_PATH);
}

const char kDescription[] =
    "<?xml version=\"1.0\"?>\n<kzp_package version=\"2.0.1.0\">\n"
    "  <name><name_xlate lang=\"en\">N</name_xlate></name>\n"
    "  <installation><install><command>setup.exe</command></install></installation>\n"
    "</kzp_package>\n";

struct PackageCase {
  const char* name;
  // Entries after the description and setup.exe (a name ending in "/" is a
  // folder), then the damage.
  std::vector<std::pair<std::string, std::string>> entries;
  std::function<bool(Bytes&, ZipLayout&)> damage;
  int exitCode;
  const char* message;
};

void PrintTo(const PackageCase& c, std::ostream* os) { *os << c.name; }

class CheckPackage : public ::testing::TestWithParam<PackageCase> {};

TEST_P(CheckPackage, ErrorsForWhatTheStubRefuses) {
  const PackageCase& c = GetParam();
  kzppack::ZipWriter writer(Bytes(4096, 'M'));
  writer.AddFile("package.xml", kDescription);
  writer.AddFile("setup.exe", std::string(3000, 'x'), kzppack::kMethodStored);
  for (const auto& [name, data] : c.entries) {
    if (name.back() == '/') {
      writer.AddFolder(name);
    } else {
      writer.AddFile(name, data);
    }
  }
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  if (c.damage) {
    ASSERT_TRUE(c.damage(file, layout));
  }
  char pattern[] = "/tmp/kzppack-check-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path work = pattern;
  std::ofstream(work / "package.exe", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const std::string command = ProgramCommand() + " check " +
                              ShellQuoted((work / "package.exe").string()) + " >" +
                              ShellQuoted((work / "out").string()) + " 2>&1";
  const int status = std::system(command.c_str());
  std::stringstream text;
  text << std::ifstream(work / "out").rdbuf();
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << text.str();
  EXPECT_NE(text.str().find(c.message), std::string::npos) << text.str();
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, CheckPackage,
    ::testing::Values(
        PackageCase{"Sound", {{"docs/readme.txt", "r"}}, nullptr, 0, "no findings"},
        PackageCase{"Bzip2Entry", {{"a/b/c", std::string(500, 'c')}},
                    [](Bytes& f, ZipLayout& l) { return kzppack::DeclareMethod(f, l, 2, 12); }, 1,
                    "package.exe:a/b/c: error: the stub refuses the package for this entry: "
                    "packed with method 12 (bzip2)"},
        PackageCase{"EncryptedEntry", {{"secret.txt", "s"}},
                    [](Bytes& f, ZipLayout& l) {
                      return kzppack::SetSharedField(f, l, 2, kzppack::SharedField::kFlags, 1);
                    },
                    1, "package.exe:secret.txt: error: the stub refuses the package for this entry: "
                       "encrypted"},
        // Its data is in fact plain: the stub refuses it all the same.
        PackageCase{"EncryptedDescription", {},
                    [](Bytes& f, ZipLayout& l) {
                      return kzppack::SetSharedField(f, l, 0, kzppack::SharedField::kFlags, 1);
                    },
                    1, "package.exe:package.xml: error: the stub cannot read it: encrypted"},
        PackageCase{"ClimbingName", {{"../evil.txt", "e"}}, nullptr, 1,
                    "package.exe:../evil.txt: error: the stub refuses the package for this name"},
        PackageCase{"AbsoluteName", {{"/etc/evil", "e"}}, nullptr, 1,
                    "package.exe:/etc/evil: error: the stub refuses the package for this name"},
        PackageCase{"FileAndFolderOfOneName", {{"tools", "t"}, {"tools/", ""}}, nullptr, 1,
                    "package.exe:tools/: error: the stub fails to extract the package: tools is "
                    "a file"},
        PackageCase{"DataDescriptors", {},
                    [](Bytes& f, ZipLayout& l) { return kzppack::UseDataDescriptor(f, l, 1); }, 1,
                    "package.exe: error: the stub does not open this package: setup.exe was "
                    "written with a data descriptor"},
        PackageCase{"OverlappingMembers", {},
                    [](Bytes& f, ZipLayout& l) { return kzppack::DuplicateCentralRecord(f, l, 1); },
                    1, "entries share bytes"},
        PackageCase{"WrongCrc", {},
                    [](Bytes& f, ZipLayout& l) { return kzppack::CorruptEntryData(f, l, 1); }, 1,
                    "package.exe:setup.exe: error: the stub fails to extract it: its data does "
                    "not match its CRC-32"},
        PackageCase{"OffsetsNotAdjusted", {},
                    [](Bytes& f, ZipLayout& l) {
                      return kzppack::CountOffsetsFromArchiveStart(f, l);
                    },
                    1, "\"zip -A\" adjusts them"},
        PackageCase{"SameFileTwice", {{"a.txt", "1"}, {"A.TXT", "2"}}, nullptr, 0,
                    "package.exe:A.TXT: warning: the same file on Windows as a.txt"}),
    [](const ::testing::TestParamInfo<PackageCase>& info) { return info.param.name; });

}  // namespace
