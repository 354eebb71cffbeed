#include "packer/package_inspect.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/installer_command.h"
#include "package/package_xml_lookup.h"
#include "packer/package_archive.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

const KzpXMLChar* X(const std::string& ascii, KzpXMLString& storage) {
  storage.assign(ascii.begin(), ascii.end());
  return storage.c_str();
}

std::string MethodText(std::uint32_t method) {
  const char* name = MethodName(method);
  return name != nullptr ? name : "method " + std::to_string(method);
}

// The DOS date and time as they are stored: the local time of the machine
// that made the package, which the stub gives the extracted files.
std::string Date(std::uint32_t dosDate, std::uint32_t dosTime) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (dosDate >> 9),
                (dosDate >> 5) & 15, dosDate & 31, dosTime >> 11, (dosTime >> 5) & 63,
                (dosTime & 31) * 2);
  return text;
}

void ListEntries(const ArchiveListing& listing, int codePage, std::ostream& out) {
  char line[160];
  std::snprintf(line, sizeof line, "%12s %12s  %-8s  %-8s  %-19s  %s\n", "size", "packed",
                "method", "crc", "date", "name");
  out << line;
  for (const ArchiveEntryInfo& entry : listing.entries) {
    std::snprintf(line, sizeof line, "%12lu %12lu  %-8s  %08X  %-19s  ",
                  static_cast<unsigned long>(entry.size),
                  static_cast<unsigned long>(entry.packedSize), MethodText(entry.method).c_str(),
                  entry.crc, Date(entry.dosDate, entry.dosTime).c_str());
    std::string notes;
    if ((entry.attributes & 0x01) != 0) notes += ", read-only";
    if ((entry.attributes & 0x02) != 0) notes += ", hidden";
    if ((entry.attributes & 0x04) != 0) notes += ", system";
    if ((entry.flags & 0x01) != 0) notes += ", encrypted";
    out << line << DisplayName(codePage, entry.name, entry.utf8Name())
        << (notes.empty() ? "" : "  (" + notes.substr(2) + ")") << "\n";
  }
}

// Text of several lines, each after the label's column.
void ShowText(std::ostream& out, const std::string& label, const KzpXMLChar* text,
              const std::string& note = {}) {
  std::string value = text != nullptr ? Utf16ToUtf8(text) : "(none)";
  std::string indented;
  for (char c : value) {
    indented += c;
    if (c == '\n') indented += std::string(16, ' ');
  }
  out << "  " << label << std::string(label.size() < 14 ? 14 - label.size() : 1, ' ')
      << indented << note << "\n";
}

const CKzpXMLNode* Path(const CKzpXMLReader& document, std::initializer_list<const char*> names) {
  KzpXMLString storage;
  const CKzpXMLNode* node = nullptr;
  bool first = true;
  for (const char* name : names) {
    node = first ? document.FindElement(nullptr, X(name, storage), nullptr, nullptr)
                 : FindChildElement(document, node, X(name, storage));
    first = false;
  }
  return node;
}

// Child elements of one name, in document order.
std::vector<const CKzpXMLNode*> Children(const CKzpXMLNode* parent, const char* name) {
  std::vector<const CKzpXMLNode*> found;
  if (parent == nullptr) return found;
  KzpXMLString storage;
  for (const CKzpXMLNode* node = parent->FindChild(X(name, storage)); node != nullptr;
       node = node->FindNextSibling(X(name, storage))) {
    found.insert(found.begin(), node);
  }
  return found;
}

std::string Attribute(const CKzpXMLNode* node, const char* name) {
  KzpXMLString storage;
  const KzpXMLChar* value = node->GetAttribute(X(name, storage));
  return value != nullptr ? Utf16ToUtf8(value) : "(none)";
}

// The install command as the stub starts it, formed by the stub's own
// rules in its work folder (shown as "<folder>"), without /force.
std::string CommandLine(const KzpXMLChar* command, const KzpXMLChar* parameters,
                        InstallerKind& kind) {
  std::wstring wideCommand;
  std::wstring wideParameters;
  kind = InstallerKind::kProgram;
  if (command == nullptr || !Utf8ToWide(Utf16ToUtf8(command), wideCommand)) return "(none)";
  const bool given = parameters != nullptr && Utf8ToWide(Utf16ToUtf8(parameters), wideParameters);
  std::vector<wchar_t> part(kProgramPartCapacity);
  std::vector<wchar_t> line(kCommandLineCapacity);
  if (!ComposeProgramPart(wideCommand.c_str(), given ? wideParameters.c_str() : nullptr, false,
                          part.data(), part.size(), &kind) ||
      !FormatInstallerCommandLine(L"<folder>", part.data(), wideCommand.c_str(), kind,
                                  line.data(), line.size())) {
    return "(too long: the stub does not start it)";
  }
  return WideToUtf8(line.data());
}

void ShowTranslations(const CKzpXMLReader& d, std::ostream& out) {
  const CKzpXMLNode* names = Path(d, {"kzp_package", "name"});
  const CKzpXMLNode* descriptions = Path(d, {"kzp_package", "description"});
  KzpXMLString a, b, c;
  for (const char* language : kLanguages) {
    const bool ownName =
        names != nullptr && d.FindElement(names, X("name_xlate", a), X("lang", b),
                                          X(language, c)) != nullptr;
    const bool ownDescription =
        descriptions != nullptr && d.FindElement(descriptions, X("description_xlate", a),
                                                 X("lang", b), X(language, c)) != nullptr;
    // Other languages without a text of their own show the English one.
    const bool english = std::string(language) == "en";
    if (ownName || english) {
      ShowText(out, std::string(language) + " name",
               ElementText(FindTranslated(d, names, X("name_xlate", a), X(language, c))));
    } else {
      out << "  " << language << " name       (the English one)\n";
    }
    if (ownDescription || english) {
      ShowText(out, std::string(language) + " text",
               DescriptionText(
                   FindTranslated(d, descriptions, X("description_xlate", a), X(language, c))));
    } else {
      out << "  " << language << " text       (the English one)\n";
    }
  }
}

void ShowPackageData(const CKzpXMLReader& p, std::ostream& out) {
  for (const CKzpXMLNode* value : Children(Path(p, {"vr_pkg_data", "settings"}), "value")) {
    out << "  setting       " << Attribute(value, "name") << " = " << Attribute(value, "value")
        << "\n";
  }
  for (const CKzpXMLNode* map : Children(
           Path(p, {"vr_pkg_data", "installation", "install", "returncode_map"}), "map")) {
    out << "  exit code     " << Attribute(map, "source") << " -> " << Attribute(map, "dest")
        << "\n";
  }
  for (const CKzpXMLNode* name : Children(Path(p, {"vr_pkg_data", "license"}), "filename")) {
    ShowText(out, "license " + Attribute(name, "lang"), ElementText(name));
  }
  const CKzpXMLNode* configuration = Path(p, {"vr_pkg_data", "configuration"});
  for (const char* holder : {"config_file", "configui"}) {
    for (const CKzpXMLNode* parent : Children(configuration, holder)) {
      for (const CKzpXMLNode* name : Children(parent, "filename")) {
        const bool encrypted = Attribute(name, "encrypt") == "1";
        ShowText(out, holder, ElementText(name), encrypted ? " (encrypted)" : "");
      }
    }
  }
}

}  // namespace

bool InspectPackage(const std::filesystem::path& package, int codePage, std::ostream& out,
                    std::vector<Finding>& findings, std::string& error) {
  const ArchiveListing listing = ListArchive(package);
  if (listing.result != 0) {
    error = PathToUtf8(package) + ": the stub does not open this package: " + listing.error;
    return false;
  }
  out << PathToUtf8(package) << ": " << listing.entries.size() << " entries\n";
  ListEntries(listing, codePage, out);

  const PackageContents contents = ArchiveContents(package, codePage, listing);
  PackageDocuments documents;
  LoadDocuments(contents, documents, findings);
  out << "\nAs the stub shows it:\n";
  if (documents.descriptionEntry == nullptr || !documents.description.IsLoaded()) {
    out << "  (no description the stub can read)\n";
    return true;
  }
  const CKzpXMLReader& d = documents.description;
  out << "  description   " << documents.descriptionEntry->displayName
      << (documents.foundByName ? " (named after the package)" : " (found by its content)")
      << "\n";
  ShowText(out, "file name", ElementText(Path(d, {"kzp_package", "filename"})));
  const CKzpXMLNode* version = Path(d, {"kzp_package", "version"});
  out << "  version       " << (version != nullptr ? Attribute(version, "value") : "(none)")
      << "\n";
  const KzpXMLChar* command =
      ElementText(Path(d, {"kzp_package", "installation", "install", "command"}));
  ShowText(out, "command", command);
  const KzpXMLChar* parameters =
      ElementText(Path(d, {"kzp_package", "installation", "install", "command_params"}));
  InstallerKind kind = InstallerKind::kProgram;
  const std::string line = CommandLine(command, parameters, kind);
  // A batch file gets "xeltr" alone: the package's parameters never reach it.
  if (kind == InstallerKind::kBatch) {
    out << "  parameters    xeltr (a batch file gets this alone)\n";
  } else {
    ShowText(out, "parameters", parameters);
  }
  out << "  command line  " << line << "\n";
  ShowTranslations(d, out);
  if (documents.packageData.IsLoaded()) ShowPackageData(documents.packageData, out);
  return true;
}

}  // namespace kzppack
