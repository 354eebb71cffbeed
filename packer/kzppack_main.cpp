// kzppack: builds packages for the self-extracting stub.
#include <cstring>
#include <iostream>
#include <string>

#include "packer/folder_packer.h"

namespace {

constexpr char kUsage[] =
    "usage: kzppack build --stub <stub.exe> --out <package.exe> [--store] <folder>\n"
    "  Writes the stub followed by a ZIP archive of every file below <folder>.\n"
    "  --store   store the files instead of deflating them\n";

int Build(int argc, char** argv) {
  kzppack::FolderPackOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--stub" && i + 1 < argc) {
      options.stub = argv[++i];
    } else if (argument == "--out" && i + 1 < argc) {
      options.output = argv[++i];
    } else if (argument == "--store") {
      options.method = kzppack::kMethodStored;
    } else if (!argument.empty() && argument[0] != '-' && options.folder.empty()) {
      options.folder = argument;
    } else {
      std::cerr << "kzppack: unexpected argument: " << argument << "\n" << kUsage;
      return 2;
    }
  }
  if (options.stub.empty() || options.output.empty() || options.folder.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string problem = kzppack::PackFolder(options);
  if (!problem.empty()) {
    std::cerr << "kzppack: " << problem << "\n";
    return 1;
  }
  std::cout << "kzppack: wrote " << options.output.string() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return Build(argc, argv);
  std::cerr << kUsage;
  return 2;
}
