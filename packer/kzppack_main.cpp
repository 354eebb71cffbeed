// kzppack: builds, checks and inspects packages for the self-extracting stub.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

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

// "<file>:<line>: error: <message>", the file named as the user knows it:
// inside the folder, or inside the package after its name.
void Report(const std::string& origin, bool isFolder, const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    std::string where = finding.file;
    if (finding.file != origin) {
      where = isFolder ? (fs::path(origin) / finding.file).string() : origin + ":" + finding.file;
    }
    if (finding.line > 0) where += ":" + std::to_string(finding.line);
    std::cerr << where << ": " << (finding.severity == Severity::kError ? "error" : "warning")
              << ": " << finding.message << "\n";
  }
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
  std::string target;      // check, inspect
  std::string packageName;  // check of a folder
};

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
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    options.sourceDateEpoch = kzppack::ParseSourceDateEpoch(epoch);
    if (!options.sourceDateEpoch) {
      std::cerr << "kzppack: SOURCE_DATE_EPOCH is not a number of seconds: " << epoch << "\n";
      return kFailed;
    }
  }
  const kzppack::BuildResult result = kzppack::BuildPackage(options);
  for (const std::string& refusal : result.refusals) std::cerr << refusal << "\n";
  Report(options.folder.string(), true, result.findings);
  if (!result.error.empty()) std::cerr << "kzppack: " << result.error << "\n";
  if (!result.ok) {
    std::cerr << "kzppack: no package written\n";
    return kFailed;
  }
  std::cout << "kzppack: wrote " << options.output.string() << " (" << result.entries
            << " entries, " << result.size << " bytes)\n";
  return 0;
}

int RunCheck(Settings& settings) {
  const kzppack::BuildOptions& options = settings.build;
  const bool isFolder = fs::is_directory(settings.target);
  std::vector<std::string> refusals;
  std::string error;
  kzppack::PackageContents contents =
      isFolder ? kzppack::ScanFolder(settings.target, options.codePage, refusals)
               : kzppack::ArchiveContents(settings.target, options.codePage, error);
  if (!error.empty()) {
    std::cerr << "kzppack: " << error << "\n";
    return kFailed;
  }
  if (isFolder) contents.packageName = settings.packageName;
  for (const std::string& refusal : refusals) std::cerr << refusal << "\n";
  const std::vector<Finding> findings =
      kzppack::CheckPackage(contents, kzppack::CheckOptions{options.encryptConfig});
  Report(settings.target, isFolder, findings);
  if (!refusals.empty() || Fails(findings, options.strict)) return kFailed;
  std::cout << "kzppack: " << settings.target << ": "
            << (findings.empty() ? "no findings" : "warnings only") << "\n";
  return 0;
}

int RunInspect(Settings& settings) {
  std::vector<Finding> findings;
  std::string error;
  if (!kzppack::InspectPackage(settings.target, settings.build.codePage, std::cout, findings,
                               error)) {
    std::cerr << "kzppack: " << error << "\n";
    return kFailed;
  }
  Report(settings.target, false, findings);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  CLI::App app("kzppack: builds, checks and inspects packages for the self-extracting stub",
               "kzppack");
  app.set_version_flag("--version", "kzppack " KZP_VERSION);
  app.require_subcommand(1);

  CLI::App* build = app.add_subcommand("build", "Pack a folder behind the stub");
  build->add_option("--stub", settings.build.stub, "The stub program (kzpstub.exe)")
      ->required()
      ->check(CLI::ExistingFile);
  build->add_option("--out", settings.build.output, "The package to write (name.exe)")->required();
  build->add_flag("--store", settings.build.store, "Store every file without compression");
  AddCodePage(*build, settings.build.codePage);
  build->add_flag("--encrypt-config", settings.build.encryptConfig,
                  "Encrypt the configuration files marked encrypt=\"1\" as the stub expects");
  build->add_flag("--strict", settings.build.strict, "Warnings of the check stop the build too");
  build->add_option("folder", settings.build.folder, "The folder to pack")
      ->required()
      ->check(CLI::ExistingDirectory);

  CLI::App* check = app.add_subcommand(
      "check", "Report what the stub would refuse, lose or miss in a folder or package");
  check->add_option("target", settings.target, "A folder to pack, or a built package")
      ->required()
      ->check(CLI::ExistingPath);
  check->add_option("--name", settings.packageName,
                    "For a folder: the package's file name (as build --out gives it)");
  AddCodePage(*check, settings.build.codePage);
  check->add_flag("--encrypt-config", settings.build.encryptConfig,
                  "The build will encrypt the configuration files (as build --encrypt-config)");
  check->add_flag("--strict", settings.build.strict, "Warnings count as errors");

  CLI::App* inspect =
      app.add_subcommand("inspect", "List a package's entries and show it as the stub shows it");
  inspect->add_option("package", settings.target, "A built package")
      ->required()
      ->check(CLI::ExistingFile);
  AddCodePage(*inspect, settings.build.codePage);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsage;
  }
  if (build->parsed()) return RunBuild(settings);
  if (check->parsed()) return RunCheck(settings);
  return RunInspect(settings);
}
