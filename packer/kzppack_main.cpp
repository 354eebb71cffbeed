// kzppack: builds, checks and inspects packages for the self-extracting stub.
#include "packer/kzppack_main.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "archive/zip_result.h"
#include "packer/code_page.h"
#include "packer/console_text.h"
#include "packer/file_access.h"
#include "packer/folder_scan.h"
#include "packer/package_archive.h"
#include "packer/package_build.h"
#include "packer/package_check.h"
#include "packer/package_inspect.h"
#include "packer/text_convert.h"

namespace {

namespace fs = std::filesystem;
using kzppack::Finding;
using kzppack::Severity;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

void Out(const std::string& text) { kzppack::WriteConsoleText(kzppack::ConsoleStream::kOut, text); }
void Err(const std::string& text) {
  kzppack::WriteConsoleText(kzppack::ConsoleStream::kError, text);
}

// "<file>:<line>: error: <message>", the file named as the user knows it:
// inside the folder (in the platform's separators), or inside the package
// after its name.
void Report(const std::string& origin, bool isFolder, const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& finding : findings) {
    std::string where = finding.file;
    if (finding.file != origin) {
      where = isFolder ? kzppack::PathToUtf8((kzppack::PathFromUtf8(origin) /
                                              kzppack::PathFromUtf8(finding.file))
                                                 .make_preferred())
                       : origin + ":" + finding.file;
    }
    if (finding.line > 0) where += ":" + std::to_string(finding.line);
    text += where + ": " + (finding.severity == Severity::kError ? "error" : "warning") + ": " +
            finding.message + "\n";
  }
  Err(text);
}

// Errors count, and warnings too with --strict.
bool Fails(const std::vector<Finding>& findings, bool strict) {
  for (const Finding& finding : findings) {
    if (finding.severity == Severity::kError || strict) return true;
  }
  return false;
}

struct Settings {
  kzppack::BuildOptions build;
  std::string stub;         // build: UTF-8 as given
  std::string output;
  std::string folder;
  std::string target;       // check, inspect
  std::string packageName;  // check of a folder
};

// A path that must name something: a missing one is a failure (exit 1),
// said before anything is done, not a usage error.
bool Exists(const std::string& path, kzppack::PathKind wanted, const char* what) {
  const kzppack::PathKind kind = kzppack::KindOf(kzppack::PathFromUtf8(path));
  if (kind != kzppack::PathKind::kMissing &&
      (wanted == kzppack::PathKind::kMissing || kind == wanted)) {
    return true;
  }
  Err("kzppack: " + path + ": " +
      (kind == kzppack::PathKind::kMissing ? std::string("no such ") + what
                                           : std::string("not a ") + what) +
      "\n");
  return false;
}

void AddCodePage(CLI::App& command, int& codePage) {
  command
      .add_option("--codepage", codePage,
                  "Windows code page of the machines that run the package, for entry names "
                  "that are not plain ASCII (932 Japanese, 1252 Western, ...); without it such "
                  "names are written in UTF-8, marked so, which reads the same everywhere")
      ->check([](const std::string& text) -> std::string {
        std::string message;
        try {
          if (kzppack::IsKnownCodePage(std::stoi(text), &message)) return {};
        } catch (const std::exception&) {
          message = "not a number: " + text;
        }
        return message;
      });
}

int RunBuild(Settings& settings) {
  kzppack::BuildOptions& options = settings.build;
  if (!Exists(settings.stub, kzppack::PathKind::kFile, "file") ||
      !Exists(settings.folder, kzppack::PathKind::kFolder, "folder")) {
    return kFailed;
  }
  options.stub = kzppack::PathFromUtf8(settings.stub);
  options.output = kzppack::PathFromUtf8(settings.output);
  options.folder = kzppack::PathFromUtf8(settings.folder);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    options.sourceDateEpoch = kzppack::ParseSourceDateEpoch(epoch);
    if (!options.sourceDateEpoch) {
      Err(std::string("kzppack: SOURCE_DATE_EPOCH is not a number of seconds: ") + epoch + "\n");
      return kFailed;
    }
  }
  const kzppack::BuildResult result = kzppack::BuildPackage(options);
  std::string refusals;
  for (const std::string& refusal : result.refusals) refusals += refusal + "\n";
  Err(refusals);
  Report(settings.folder, true, result.findings);
  if (!result.error.empty()) Err("kzppack: " + result.error + "\n");
  if (!result.ok) {
    Err("kzppack: no package written\n");
    return kFailed;
  }
  Out("kzppack: wrote " + settings.output + " (" + std::to_string(result.entries) +
      " entries, " + std::to_string(result.size) + " bytes)\n");
  return 0;
}

int RunCheck(Settings& settings) {
  const kzppack::BuildOptions& options = settings.build;
  if (!Exists(settings.target, kzppack::PathKind::kMissing, "file or folder")) return kFailed;
  const fs::path target = kzppack::PathFromUtf8(settings.target);
  const bool isFolder = kzppack::KindOf(target) == kzppack::PathKind::kFolder;
  std::vector<std::string> refusals;
  std::vector<Finding> findings;
  kzppack::PackageContents contents;
  bool opened = true;
  if (isFolder) {
    contents = kzppack::ScanFolder(target, options.codePage, refusals);
    contents.packageName = settings.packageName;
  } else {
    const kzppack::ArchiveListing listing = kzppack::ListArchive(target);
    if (listing.result == kzpzip::ZIP_E_OPEN) {
      Err("kzppack: " + listing.error + "\n");
      return kFailed;
    }
    findings = kzppack::CheckArchive(target, listing, options.codePage);
    contents = kzppack::ArchiveContents(target, options.codePage, listing);
    opened = listing.result == 0;
  }
  std::string refused;
  for (const std::string& refusal : refusals) refused += refusal + "\n";
  Err(refused);
  // The package's files as the stub reads them, when it opens at all.
  if (opened) {
    const std::vector<Finding> more =
        kzppack::CheckPackage(contents, kzppack::CheckOptions{options.encryptConfig});
    findings.insert(findings.end(), more.begin(), more.end());
  }
  Report(settings.target, isFolder, findings);
  if (!refusals.empty() || Fails(findings, options.strict)) return kFailed;
  Out("kzppack: " + settings.target + ": " +
      (findings.empty() ? "no findings" : "warnings only") + "\n");
  return 0;
}

int RunInspect(Settings& settings) {
  if (!Exists(settings.target, kzppack::PathKind::kFile, "file")) return kFailed;
  std::vector<Finding> findings;
  std::string error;
  std::ostringstream out;
  const bool ok = kzppack::InspectPackage(kzppack::PathFromUtf8(settings.target),
                                          settings.build.codePage, out, findings, error);
  Out(out.str());
  if (!ok) {
    Err("kzppack: " + error + "\n");
    return kFailed;
  }
  Report(settings.target, false, findings);
  return 0;
}

int Run(std::vector<std::string> arguments) {
  Settings settings;
  CLI::App app("kzppack: builds, checks and inspects packages for the self-extracting stub",
               "kzppack");
  app.set_version_flag("--version", "kzppack " KZP_VERSION);
  // The same options on both builds: CLI11 would take "/name" for an option
  // on Windows, and so mistake "/tmp/in" (a path on the current drive) or
  // "/?" for one. Subcommands inherit this.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);

  CLI::App* build = app.add_subcommand("build", "Pack a folder behind the stub");
  build->add_option("--stub", settings.stub, "The stub program (kzpstub.exe)")->required();
  build->add_option("--out", settings.output, "The package to write (name.exe)")->required();
  build->add_flag("--store", settings.build.store, "Store every file without compression");
  AddCodePage(*build, settings.build.codePage);
  build->add_flag("--encrypt-config", settings.build.encryptConfig,
                  "Encrypt the configuration files marked encrypt=\"1\" as the stub expects");
  build->add_flag("--strict", settings.build.strict, "Warnings of the check stop the build too");
  build->add_option("folder", settings.folder, "The folder to pack")->required();

  CLI::App* check = app.add_subcommand(
      "check", "Report what the stub would refuse, lose or miss in a folder or package");
  check->add_option("target", settings.target, "A folder to pack, or a built package")
      ->required();
  check->add_option("--name", settings.packageName,
                    "For a folder: the package's file name (as build --out gives it)");
  AddCodePage(*check, settings.build.codePage);
  check->add_flag("--encrypt-config", settings.build.encryptConfig,
                  "The build will encrypt the configuration files (as build --encrypt-config)");
  check->add_flag("--strict", settings.build.strict, "Warnings count as errors");

  CLI::App* inspect =
      app.add_subcommand("inspect", "List a package's entries and show it as the stub shows it");
  inspect->add_option("package", settings.target, "A built package")->required();
  AddCodePage(*inspect, settings.build.codePage);

  // CLI11 takes the arguments after the program name, last one first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(e, out, err);
    Out(out.str());
    Err(err.str());
    return code == 0 ? 0 : kUsage;
  }
  if (build->parsed()) return RunBuild(settings);
  if (check->parsed()) return RunCheck(settings);
  return RunInspect(settings);
}

}  // namespace

// A package or folder may hold more than memory does (check reads XML files
// whole, up to the 4 GiB that an entry may declare): running out ends the
// program with a message, not an abort. The message needs no memory.
int RunKzppack(std::vector<std::string> arguments) {
  try {
    return Run(std::move(arguments));
  } catch (const std::bad_alloc&) {
    std::fputs("kzppack: out of memory\n", stderr);
    return kFailed;
  }
}
