// Every refusal of `kzppack build` and every finding of `kzppack check`,
// one case each, through the real program: its exit code and its message.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A description that passes every check, with parts to replace.
std::string Description(const std::string& extra = {},
                        const std::string& root = "<kzp_package version=\"2.0.1.0\">",
                        const std::string& name = "<name_xlate lang=\"en\">Name</name_xlate>",
                        const std::string& command = "<command>setup.exe</command>") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + root +
         "\n  <filename>package.exe</filename>\n  <name>" + name +
         "</name>\n  <installation><install>" + command + "</install></installation>\n" +
         extra + "</kzp_package>\n";
}

std::string PackageData(const std::string& inside) {
  return "<?xml version=\"1.0\"?>\n<vr_pkg_data>\n" + inside + "\n</vr_pkg_data>\n";
}

std::string Map(const std::string& maps) {
  return "<installation><install><returncode_map>" + maps +
         "</returncode_map></install></installation>";
}

struct Case {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // path below the folder, content
  std::vector<std::string> arguments;  // "{in}" the folder, "{out}" a package beside it
  int exitCode;
  const char* message;  // expected in the messages ("" for none)
  std::function<void(const fs::path&)> prepare = nullptr;
  const char* environment = nullptr;  // "NAME=value" for the run
  // Where the Windows build under Wine sees the folder otherwise than the
  // Linux build sees it: its exit code and message (exit code -1: the same).
  int windowsExitCode = -1;
  const char* windowsMessage = nullptr;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<std::pair<std::string, std::string>> With(
    std::vector<std::pair<std::string, std::string>> files) {
  files.emplace_back("setup.exe", "MZ");
  return files;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The program under test: the Linux build, or the command in
// KZPPACK_COMMAND (the Windows build under Wine: "wine .../kzppack.exe").
std::string ProgramCommand() {
  const char* command = std::getenv("KZPPACK_COMMAND");
  return command != nullptr && *command != '\0' ? command : ShellQuoted(KZPPACK_PATH);
}

bool TestingTheWindowsBuild() {
  const char* command = std::getenv("KZPPACK_COMMAND");
  return command != nullptr && *command != '\0';
}

class KzppackCase : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kzppack-case-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work_ = pattern;
    fs::create_directory(work_ / "in");
    std::ofstream(work_ / "stub.exe") << "MZ stub";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(work_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(work_, ignored);
  }

  // Runs kzppack; answers its exit code, with its messages in `output`.
  int Run(const std::vector<std::string>& arguments, const char* environment,
          std::string& output) {
    std::string command = ProgramCommand();
    if (environment != nullptr) command = "env " + ShellQuoted(environment) + " " + command;
    for (std::string argument : arguments) {
      for (const auto& [token, value] :
           {std::pair<std::string, std::string>{"{in}", (work_ / "in").string()},
            {"{out}", (work_ / "package.exe").string()},
            {"{stub}", (work_ / "stub.exe").string()}}) {
        if (const std::size_t at = argument.find(token); at != std::string::npos) {
          argument.replace(at, token.size(), value);
        }
      }
      command += " " + ShellQuoted(argument);
    }
    command += " >" + ShellQuoted((work_ / "messages").string()) + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(work_ / "messages");
    std::stringstream text;
    text << in.rdbuf();
    output = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path work_;
};

TEST_P(KzppackCase, ExitCodeAndMessage) {
  const Case& c = GetParam();
  for (const auto& [path, content] : c.files) {
    const fs::path file = work_ / "in" / path;
    if (path.back() == '/') {
      fs::create_directories(file);
      continue;
    }
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }
  if (c.prepare) c.prepare(work_ / "in");
  std::string output;
  const bool windows = TestingTheWindowsBuild() && c.windowsExitCode >= 0;
  const int exitCode = windows ? c.windowsExitCode : c.exitCode;
  EXPECT_EQ(Run(c.arguments, c.environment, output), exitCode) << output;
  EXPECT_NE(output.find(windows ? c.windowsMessage : c.message), std::string::npos) << output;
  if (exitCode != 0 && c.arguments[0] == "build") {
    EXPECT_FALSE(fs::exists(work_ / "package.exe")) << "a refused build writes nothing";
  }
  for (const auto& item : fs::directory_iterator(work_)) {
    EXPECT_EQ(item.path().filename().string().find(".kzppack-"), std::string::npos)
        << "temporary file left: " << item.path();
  }
}

const std::vector<std::string> kBuild = {"build", "--stub", "{stub}", "--out", "{out}", "{in}"};
const std::vector<std::string> kCheck = {"check", "{in}"};
std::vector<std::string> Plus(std::vector<std::string> base, std::vector<std::string> more) {
  base.insert(base.end() - 1, more.begin(), more.end());
  return base;
}

const std::string kGood = Description();

INSTANTIATE_TEST_SUITE_P(
    Refusals, KzppackCase,
    ::testing::Values(
        Case{"GoodFolderBuilds", With({{"package.xml", kGood}}), kBuild, 0, "wrote"},
        // Without --codepage, in UTF-8 (marked so).
        Case{"NonAsciiNameWithoutCodePage",
             With({{"package.xml", kGood}, {"caf\xC3\xA9.txt", ""}}), kBuild, 0, "wrote"},
        Case{"NameOutsideTheCodePage", With({{"package.xml", kGood}, {"\xED\x95\x9C.txt", ""}}),
             Plus(kBuild, {"--codepage", "1252"}), 1, "code page 1252 has no exact form"},
        Case{"UnknownCodePage", With({{"package.xml", kGood}}),
             Plus(kBuild, {"--codepage", "77777"}), 2, "not known"},
        Case{"DeviceName", With({{"package.xml", kGood}, {"docs/nul.txt", ""}}), kBuild, 1,
             "Windows device"},
        Case{"DotsThatClimb", With({{"package.xml", kGood}, {".../x.txt", ""}}), kBuild, 1,
             "climbs out"},
        Case{"Colon", With({{"package.xml", kGood}, {"a:b.txt", ""}}), kBuild, 1, "colon"},
        Case{"CharacterWindowsRefuses", With({{"package.xml", kGood}, {"a?b.txt", ""}}), kBuild,
             1, "does not allow"},
        Case{"TrailingDot", With({{"package.xml", kGood}, {"name.", ""}}), kBuild, 1,
             "drops a dot"},
        Case{"SameNameOnWindows", With({{"package.xml", kGood}, {"A.txt", ""}, {"a.txt", ""}}),
             kBuild, 1, "letter case only"},
        Case{"SameNameOnWindowsBeyondAscii",
             With({{"package.xml", kGood}, {"\xC3\x84.txt", ""}, {"\xC3\xA4.txt", ""}}), kBuild, 1,
             "letter case only"},
        Case{"NameTooLongForThePaths",
             With({{"package.xml", kGood},
                   {std::string(120, 'd') + "/" + std::string(120, 'e') + "/" +
                        std::string(20, 'f'),
                    ""}}),
             kBuild, 1, "260"},
        // Wine shows a Linux link to a file as the file it points to (and a
        // link to a folder as a link), so the Windows build packs the file.
        Case{"SymbolicLink", With({{"package.xml", kGood}}), kBuild, 1, "symbolic links",
             [](const fs::path& in) { fs::create_symlink("/etc/hostname", in / "link"); },
             nullptr, 0, "wrote"},
        Case{"FolderLink", With({{"package.xml", kGood}}), kBuild, 1, "symbolic links",
             [](const fs::path& in) { fs::create_directory_symlink("/usr/share", in / "link"); }},
        // Linux refuses it when it lists the folder, Windows when it opens it.
        Case{"Pipe", With({{"package.xml", kGood}}), kBuild, 1, "not a regular file",
             [](const fs::path& in) { ASSERT_EQ(mkfifo((in / "pipe").c_str(), 0600), 0); }},
        Case{"MissingStubFile", With({{"package.xml", kGood}}),
             {"build", "--stub", "{in}/../none.exe", "--out", "{out}", "{in}"}, 1,
             "none.exe: no such file"},
        Case{"MissingFolder", {}, {"build", "--stub", "{stub}", "--out", "{out}", "{in}/none"},
             1, "none: no such folder"},
        Case{"FolderIsAFile", With({{"package.xml", kGood}}),
             {"build", "--stub", "{stub}", "--out", "{out}", "{in}/package.xml"}, 1,
             "package.xml: not a folder"},
        Case{"FileOf4GiB", With({{"package.xml", kGood}}), kBuild, 1, "4 GiB",
             [](const fs::path& in) {
               std::ofstream(in / "huge.bin");
               fs::resize_file(in / "huge.bin", 0x100000000ull);
             }},
        Case{"MoreThan65535Entries", With({{"package.xml", kGood}}), kBuild, 1, "65,535",
             [](const fs::path& in) {
               for (int folder = 0; folder < 66; ++folder) {
                 const fs::path dir = in / ("d" + std::to_string(folder));
                 fs::create_directory(dir);
                 for (int i = 0; i < 1000; ++i) std::ofstream(dir / std::to_string(i));
               }
             }},
        Case{"PackagePast2GiB", With({{"package.xml", kGood}}),
             {"build", "--stub", "{in}/../big-stub.exe", "--out", "{out}", "{in}"}, 1, "2 GiB",
             [](const fs::path& in) {
               std::ofstream(in / ".." / "big-stub.exe");
               fs::resize_file(in / ".." / "big-stub.exe", 0x7FFFFFF0ull);
             }},
        Case{"OutputInsideTheFolder", With({{"package.xml", kGood}}),
             {"build", "--stub", "{stub}", "--out", "{in}/package.exe", "{in}"}, 1,
             "inside the folder"},
        Case{"MissingStubIsAUsageError", With({{"package.xml", kGood}}),
             {"build", "--out", "{out}", "{in}"}, 2, "--stub"},
        Case{"CheckErrorsStopTheBuild", With({{"desc.xml", Description("", "<kzp_package>")}}),
             kBuild, 1, "will not find"},
        Case{"StrictBuildStopsOnWarnings",
             With({{"package.xml", Description("", "<kzp_package>")}}),
             Plus(kBuild, {"--strict"}), 1, "warning"},
        Case{"BadSourceDateEpoch", With({{"package.xml", kGood}}), kBuild, 1,
             "SOURCE_DATE_EPOCH", nullptr, "SOURCE_DATE_EPOCH=yesterday"}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

const std::string kLicense = "<license><filename lang=\"en\">license.txt</filename></license>";

INSTANTIATE_TEST_SUITE_P(
    Findings, KzppackCase,
    ::testing::Values(
        Case{"NoFindings", With({{"package.xml", kGood}}), kCheck, 0, "no findings"},
        Case{"CheckOfNothing", {}, {"check", "{in}/none"}, 1, "none: no such file or folder"},
        Case{"InspectOfNothing", {}, {"inspect", "{in}/none.exe"}, 1, "none.exe: no such file"},
        Case{"InspectOfAFolder", {}, {"inspect", "{in}"}, 1, ": not a file"},
        Case{"InspectOfAPlainFile", {{"plain.exe", "MZ no archive"}},
             {"inspect", "{in}/plain.exe"}, 1, "no ZIP end record"},
        Case{"NoDescription", With({{"readme.xml", "<other/>"}}), kCheck, 0,
             "no description file"},
        Case{"DescriptionNotWellFormed", With({{"package.xml", "<kzp_package>"}}), kCheck, 1,
             "package.xml:1: error: not well-formed"},
        Case{"EncodingTheStubDoesNotRead",
             With({{"package.xml", "<?xml version='1.0' encoding='windows-1252'?><kzp_package/>"}}),
             kCheck, 1, "encoding \"windows-1252\""},
        Case{"TextOnTheNextLine",
             With({{"package.xml",
                    Description("", "<kzp_package version=\"2.0.1.0\">",
                                "<name_xlate lang=\"en\">\n    Name\n  </name_xlate>")}}),
             kCheck, 1, "package.xml:4: error: <name_xlate>: the text starts on a new line"},
        Case{"TextSplitByALineBreak",
             With({{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                               "<name_xlate lang=\"en\">Disk\n  Tool</name_xlate>")}}),
             kCheck, 1, "reads \"Disk\" of \"Disk\\n  Tool\""},
        Case{"TextSplitByAReference",
             With({{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                               "<name_xlate lang=\"en\">A &amp; B</name_xlate>")}}),
             kCheck, 1, "reads \"A &\" of \"A & B\""},
        Case{"SeveralCdataSections",
             With({{"package.xml",
                    Description("<description><description_xlate lang=\"en\"><![CDATA[a]]>"
                                "<![CDATA[b]]></description_xlate></description>")}}),
             kCheck, 0, "only the last one"},
        Case{"NoEnglishName",
             With({{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                               "<name_xlate lang=\"de\">Name</name_xlate>")}}),
             kCheck, 0, "no <name_xlate lang=\"en\">"},
        Case{"WarningsFailWithStrict",
             With({{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                               "<name_xlate lang=\"de\">Name</name_xlate>")}}),
             Plus(kCheck, {"--strict"}), 1, "warning"},
        Case{"NoEnglishDescription",
             With({{"package.xml", Description("<description><description_xlate lang=\"ja\">"
                                               "x</description_xlate></description>")}}),
             kCheck, 0, "no <description_xlate lang=\"en\">"},
        Case{"NoVersionAndNotNamedAfterThePackage",
             With({{"package.xml", Description("", "<kzp_package>")}}),
             Plus(kCheck, {"--name", "other.exe"}), 1, "will not find this description"},
        Case{"NoVersionFoundOnlyByName",
             With({{"package.xml", Description("", "<kzp_package>")}}), kCheck, 0,
             "only while the package is named after it"},
        // The stub compares UTF-8 names as Windows folds them: CAF\u00C9 is caf\u00E9.
        Case{"NamedAfterThePackageBeyondAscii",
             With({{"CAF\xC3\x89.XML", Description("", "<kzp_package>")}}),
             Plus(kCheck, {"--name", "caf\xC3\xA9.exe"}), 0, "users rename downloads"},
        Case{"NoVersionButNamedAfterThePackage",
             With({{"package.xml", Description("", "<kzp_package>")}}),
             Plus(kCheck, {"--name", "package.exe"}), 0, "users rename downloads"},
        Case{"NamedDescriptionIsNotOne", With({{"package.xml", kGood}, {"setup.xml", "<x/>"}}),
             Plus(kCheck, {"--name", "setup.exe"}), 1, "its root element is not kzp_package"},
        Case{"TwoDescriptions", With({{"a.xml", kGood}, {"b.xml", kGood}}), kCheck, 0,
             "there are 2 description files"},
        Case{"NoInstallCommand",
             With({{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                               "<name_xlate lang=\"en\">N</name_xlate>", "")}}),
             kCheck, 0, "no install command"},
        Case{"InstallCommandNotInThePackage",
             {{"package.xml", kGood}}, kCheck, 1, "\"setup.exe\" is not in the package"},
        Case{"BatchFileInCapitals",
             With({{"package.xml",
                    Description("", "<kzp_package version=\"2.0.1.0\">",
                                "<name_xlate lang=\"en\">N</name_xlate>",
                                "<command>SETUP.CMD</command>")},
                   {"SETUP.CMD", "exit"}}),
             kCheck, 0, "in small letters"},
        Case{"BatchFileWithParameters",
             With({{"package.xml",
                    Description("", "<kzp_package version=\"2.0.1.0\">",
                                "<name_xlate lang=\"en\">N</name_xlate>",
                                "<command>tools\\setup.cmd</command>"
                                "<command_params>-q</command_params>")},
                   {"tools/setup.cmd", "exit"}}),
             kCheck, 0, "neither the parameters nor /force"},
        // The stub hands .msi and .msp packages, in any case, to msiexec.
        Case{"WindowsInstallerPackageInCapitals",
             {{"package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                          "<name_xlate lang=\"en\">N</name_xlate>",
                                          "<command>Product.MSI</command>"
                                          "<command_params>/qn</command_params>")},
              {"Product.MSI", "msi"}},
             kCheck, 0, "no findings"},
        Case{"PackageDataNotWellFormed",
             With({{"package.xml", kGood}, {"vr_data.xml", "<vr_pkg_data>"}}), kCheck, 1,
             "ignores the whole file"},
        Case{"MapSourcesThatNeverMatch",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"007\" dest=\"0\"/>"))}}),
             kCheck, 1, "<map source=\"007\"> never matches"},
        Case{"MapSourceWithPlusSign",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"+1\" dest=\"0\"/>"))}}),
             kCheck, 1, "never matches"},
        Case{"MapSourceWithBlank",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"1 \" dest=\"0\"/>"))}}),
             kCheck, 1, "never matches"},
        Case{"MapSourceBeyond32Bits",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"3221225477\" dest=\"0\"/>"))}}),
             kCheck, 1, "as negative numbers"},
        Case{"MapSourceTwice",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"1\" dest=\"0\"/>\n"
                                                   "<map source=\"1\" dest=\"2\"/>"))}}),
             kCheck, 0, "mapped twice"},
        Case{"MapDestNotANumber",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData(Map("<map source=\"1\" dest=\"zero\"/>"))}}),
             kCheck, 0, "not a plain decimal"},
        Case{"LicenseMissing", With({{"package.xml", kGood}, {"vr_data.xml", PackageData(kLicense)}}),
             kCheck, 1, "the license file \"license.txt\" is not in the package"},
        Case{"LicenseNamedWithBackslash",
             With({{"package.xml", kGood},
                   {"docs/license.txt", "l"},
                   {"vr_data.xml", PackageData("<license><filename lang=\"en\">docs\\license.txt"
                                               "</filename></license>")}}),
             kCheck, 1, "use \"/\""},
        Case{"ConfigurationFileMissing",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData("<configuration><config_file><filename>c.xml"
                                               "</filename></config_file></configuration>")}}),
             kCheck, 1, "the configuration file \"c.xml\" is not in the package"},
        Case{"FlagValueOtherThanOne",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData("<configuration required=\"yes\"/>")}}),
             kCheck, 0, "required=\"yes\" counts as not set"},
        Case{"SettingValueOtherThanOne",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData("<settings><value name=\"LARGE_WINDOW\" "
                                               "value=\"true\"/></settings>")}}),
             kCheck, 0, "value=\"true\" counts as not set"},
        Case{"UnknownSetting",
             With({{"package.xml", kGood},
                   {"vr_data.xml", PackageData("<settings><value name=\"LARGE_WINDOWS\" "
                                               "value=\"1\"/></settings>")}}),
             kCheck, 0, "not one the stub reads"},
        Case{"EncryptedWithoutKey",
             With({{"package.xml",
                    "<kzp_package version=\"2.0.1.0\"><name><name_xlate lang=\"en\">N</name_xlate>"
                    "</name><installation><install><command>setup.exe</command></install>"
                    "</installation></kzp_package>"},
                   {"c.hex", "0123456789ABCDEF"},
                   {"vr_data.xml", PackageData("<configuration><config_file><filename encrypt="
                                               "\"1\">c.hex</filename></config_file>"
                                               "</configuration>")}}),
             kCheck, 1, "no <filename> text, which is the key"},
        Case{"EncryptedButPlainText",
             With({{"package.xml", kGood},
                   {"c.xml", "<plain/>"},
                   {"vr_data.xml", PackageData("<configuration><config_file><filename encrypt="
                                               "\"1\">c.xml</filename></config_file>"
                                               "</configuration>")}}),
             kCheck, 1, "not DES hex text"},
        Case{"EncryptConfigWithNothingMarked", With({{"package.xml", kGood}, {"vr_data.xml",
                                                    PackageData("")}}),
             Plus(kCheck, {"--encrypt-config"}), 0, "no configuration file is marked"},
        Case{"LongName", With({{"package.xml", kGood}, {std::string(170, 'n'), ""}}), kCheck, 0,
             "may pass 260"}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// Runs the program under test with arguments already quoted for the shell;
// its exit code, with everything it printed in output (line ends as "\n").
int RunQuoted(const fs::path& work, const std::string& arguments, std::string& output,
              const std::string& environment = {}) {
  const fs::path messages = work / "messages";
  const std::string command = (environment.empty() ? "" : "env " + environment + " ") +
                              ProgramCommand() + " " + arguments + " >" +
                              ShellQuoted(messages.string()) + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(messages, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  output.clear();
  for (char c : text.str()) {
    if (c != '\r') output += c;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class KzppackPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kzppack-package-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work_ = pattern;
    fs::create_directory(work_ / "in");
    std::ofstream(work_ / "stub.exe") << "MZ stub";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(work_, ignored);
  }
  void Put(const std::string& name, const std::string& content) {
    const fs::path file = work_ / "in" / fs::u8path(name);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }
  int Build(const std::string& options = {}) {
    std::string output;
    const int code = RunQuoted(work_, "build --stub " + ShellQuoted((work_ / "stub.exe").string()) +
                                          " --out " + Package() + " " + options + " " +
                                          ShellQuoted((work_ / "in").string()),
                               output);
    EXPECT_EQ(code, 0) << output;
    return code;
  }
  std::string Package() const { return ShellQuoted((work_ / "package.exe").string()); }

  fs::path work_;
};

// check and inspect read a built package back the way the stub reads it.
TEST_F(KzppackPackage, CheckAndInspectReadABuiltPackage) {
  Put("package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                 "<name_xlate lang=\"de\">Werkzeug</name_xlate>"));
  Put("vr_data.xml", PackageData(Map("<map source=\"1641\" dest=\"0\"/>")));
  Put("setup.exe", "MZ");
  ASSERT_EQ(Build(), 0);
  std::string output;
  EXPECT_EQ(RunQuoted(work_, "check " + Package(), output), 0) << output;
  EXPECT_NE(output.find("package.exe:package.xml:4: warning: no <name_xlate lang=\"en\">"),
            std::string::npos)
      << output;
  EXPECT_EQ(RunQuoted(work_, "inspect " + Package(), output), 0) << output;
  for (const char* expected : {"deflated", "package.xml", "vr_data.xml", "de name       Werkzeug",
                               "command       setup.exe", "exit code     1641 -> 0",
                               "(named after the package)"}) {
    EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
  }
}

// Names in the package's code page, shown decoded; a batch file's
// parameters, which the stub never passes, are not shown as if it did.
TEST_F(KzppackPackage, InspectShowsWhatTheStubUses) {
  Put("package.xml",
      Description("", "<kzp_package version=\"2.0.1.0\">",
                  "<name_xlate lang=\"en\">Name</name_xlate>",
                  "<command>setup.cmd</command><command_params>/quiet</command_params>"));
  Put("setup.cmd", "exit 0");
  Put("\xE8\xB3\x87\xE6\x96\x99/\xE8\xA1\xA8.txt", "x");  // 資料/表.txt
  ASSERT_EQ(Build("--codepage 932"), 0);
  std::string output;
  EXPECT_EQ(RunQuoted(work_, "inspect --codepage 932 " + Package(), output), 0) << output;
  EXPECT_NE(output.find("  \xE8\xB3\x87\xE6\x96\x99/\xE8\xA1\xA8.txt\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("parameters    xeltr (a batch file gets this alone)"), std::string::npos)
      << output;
  EXPECT_NE(output.find("command line  cmd.exe /C \"\"<folder>\\setup.cmd\" xeltr\"\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("/quiet"), std::string::npos) << output;
  // Read as ASCII, the bytes that are not ASCII show as they are.
  EXPECT_EQ(RunQuoted(work_, "inspect " + Package(), output), 0) << output;
  EXPECT_NE(output.find("  \\x8E\\x91\\x97\\xBF/\\x95\\.txt\n"), std::string::npos) << output;
  EXPECT_EQ(RunQuoted(work_, "check " + Package(), output), 0) << output;
  EXPECT_NE(output.find("warning: the name is not plain ASCII"), std::string::npos) << output;
}

// The command line as the stub forms it: msiexec for a Windows Installer
// package (in any case), with the parameters; a program with them.
TEST_F(KzppackPackage, InspectShowsTheCommandLine) {
  for (const char* command : {"Product.MSI", "fix.msp", "tools\\setup.exe"}) {
    Put("package.xml", Description("", "<kzp_package version=\"2.0.1.0\">",
                                   "<name_xlate lang=\"en\">N</name_xlate>",
                                   std::string("<command>") + command +
                                       "</command><command_params>/qn</command_params>"));
    Put("Product.MSI", "msi");
    Put("fix.msp", "msp");
    Put("tools/setup.exe", "MZ");
    ASSERT_EQ(Build(), 0);
    std::string output;
    EXPECT_EQ(RunQuoted(work_, "inspect " + Package(), output), 0) << output;
    const std::string line = std::string(command) == "Product.MSI"
                                 ? "msiexec.exe /i \"<folder>\\Product.MSI\" /qn"
                             : std::string(command) == "fix.msp"
                                 ? "msiexec.exe /p \"<folder>\\fix.msp\" /qn"
                                 : "\"<folder>\\tools\\setup.exe\" /qn";
    EXPECT_NE(output.find("  command line  " + line + "\n"), std::string::npos) << output;
  }
}

// The largest file the format holds, 4 GiB less one byte (sparse here):
// build packs it, inspect lists it, and check decodes it whole.
TEST_F(KzppackPackage, LargestFileReadsBack) {
  Put("package.xml", kGood);
  Put("setup.exe", "MZ");
  std::ofstream(work_ / "in" / "huge.bin").close();
  fs::resize_file(work_ / "in" / "huge.bin", 0xFFFFFFFFull);
  ASSERT_EQ(Build(), 0);
  std::string output;
  EXPECT_EQ(RunQuoted(work_, "inspect " + Package(), output), 0) << output;
  EXPECT_NE(output.find("  4294967295 "), std::string::npos) << output;
  EXPECT_EQ(RunQuoted(work_, "check " + Package(), output), 0) << output;
  EXPECT_NE(output.find("no findings"), std::string::npos) << output;
  EXPECT_EQ(output.find("No such file"), std::string::npos) << output;
}

// Memory that runs out (here a 3 GiB XML file that check reads whole,
// under a 1 GiB limit) ends the program with a message and exit code 1.
TEST_F(KzppackPackage, RunningOutOfMemoryIsAFailure) {
  if (TestingTheWindowsBuild()) GTEST_SKIP() << "Wine runs under no such limit";
  Put("package.xml", kGood);
  Put("setup.exe", "MZ");
  std::ofstream(work_ / "in" / "huge.xml").close();
  fs::resize_file(work_ / "in" / "huge.xml", 3ull << 30);
  const std::string command = "ulimit -v 1048576; " + ProgramCommand() + " check " +
                              ShellQuoted((work_ / "in").string()) + " 2>" +
                              ShellQuoted((work_ / "messages").string());
  const int status = std::system(command.c_str());
  std::ifstream in(work_ / "messages");
  const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << " " << output;
  EXPECT_NE(output.find("kzppack: out of memory"), std::string::npos) << output;
}

}  // namespace
