#include "packer/package_check.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "app/installer_command.h"
#include "packer/code_page.h"
#include "packer/entry_name_encoding.h"
#include "packer/folder_scan.h"
#include "packer/text_convert.h"
#include "package/package_xml_lookup.h"

namespace kzppack {

const char* const kLanguages[6] = {"en", "fr", "es", "de", "it", "ja"};

namespace {

constexpr std::size_t kFieldCapacity = 260;  // the stub's fields for file names

const KzpXMLChar* X(const char* ascii, KzpXMLString& storage) {
  storage.assign(ascii, ascii + std::char_traits<char>::length(ascii));
  return storage.c_str();
}

// An ASCII name as a document string, for use within one expression.
KzpXMLString U(const char* ascii) {
  return KzpXMLString(ascii, ascii + std::char_traits<char>::length(ascii));
}

bool IsWhite(KzpXMLChar c) {
  return c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u' ';
}

KzpXMLString Trimmed(const KzpXMLString& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWhite(text[begin])) ++begin;
  while (end > begin && IsWhite(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// A text for a one-line message: line ends as \n, long texts shortened.
std::string Quoted(const KzpXMLString& text) {
  std::string utf8;
  for (char c : Utf16ToUtf8(text)) utf8 += c == '\n' ? std::string("\\n") : std::string(1, c);
  if (utf8.size() > 60) utf8 = utf8.substr(0, 57) + "...";
  return "\"" + utf8 + "\"";
}

// Walks a whole tree in document order: child lists run backwards.
void CollectElements(const CKzpXMLNode* node, std::vector<const CKzpXMLNode*>& out) {
  std::vector<const CKzpXMLNode*> children;
  for (const CKzpXMLNode* child = node->GetFirstChild(); child != nullptr;
       child = child->GetNextSibling()) {
    if (child->GetType() == XML_NODE_ELEMENT) children.push_back(child);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    out.push_back(*it);
    CollectElements(*it, out);
  }
}

class Checker {
 public:
  Checker(const PackageContents& contents, const CheckOptions& options,
          std::vector<Finding>& findings)
      : contents_(contents), options_(options), findings_(findings) {}

  void Add(Severity severity, const PackageEntry* entry, int line, std::string message) {
    findings_.push_back({severity, entry != nullptr ? entry->displayName : contents_.origin, line,
                         std::move(message)});
  }

  void CheckTexts(const CKzpXMLReader& document, const XmlSource& source,
                  const PackageEntry* entry, const std::set<std::string>& names);
  void CheckDescription(const PackageDocuments& documents);
  void CheckPackageData(const PackageDocuments& documents);
  void CheckNames();

 private:
  const CKzpXMLNode* Path(const CKzpXMLReader& document, const char* root,
                          std::initializer_list<const char*> names);
  void CheckFlag(const CKzpXMLNode* element, const char* attribute, const PackageEntry* entry,
                 int line);
  void CheckCommand(const CKzpXMLReader& d, const CKzpXMLNode* command,
                    const PackageEntry* entry);
  void CheckMaps(const PackageDocuments& documents);
  void CheckNamedFile(const CKzpXMLNode* filename, const char* what, const PackageEntry* entry,
                      int line);
  void CheckEncryptedFile(const PackageDocuments& documents, const CKzpXMLNode* filename);
  int LineOf(const CKzpXMLNode* node) const;

  const PackageContents& contents_;
  const CheckOptions& options_;
  std::vector<Finding>& findings_;
  // Elements and their lines, for the document being checked.
  std::map<const CKzpXMLNode*, int> lines_;
};

int Checker::LineOf(const CKzpXMLNode* node) const {
  auto it = lines_.find(node);
  return it != lines_.end() ? it->second : 0;
}

const CKzpXMLNode* Checker::Path(const CKzpXMLReader& document, const char* root,
                                 std::initializer_list<const char*> names) {
  KzpXMLString storage;
  const CKzpXMLNode* node = document.FindElement(nullptr, X(root, storage), nullptr, nullptr);
  for (const char* name : names) node = FindChildElement(document, node, X(name, storage));
  return node;
}

// Each element whose text the stub reads: the text as written against the
// text the stub's rules leave.
void Checker::CheckTexts(const CKzpXMLReader& document, const XmlSource& source,
                         const PackageEntry* entry, const std::set<std::string>& names) {
  std::vector<const CKzpXMLNode*> elements;
  CollectElements(document.GetRoot(), elements);
  lines_.clear();
  if (elements.size() != source.elements.size()) return;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const CKzpXMLNode* node = elements[i];
    const XmlSourceElement& written = source.elements[i];
    lines_[node] = written.line;
    const std::string name = Utf16ToUtf8(node->GetName());
    if (names.count(name) == 0) continue;
    const bool isDescription = name == "description_xlate";
    if (isDescription && written.cdataSections > 0) {
      if (written.cdataSections > 1) {
        Add(Severity::kWarning, entry, written.line,
            "<" + name + "> has " + std::to_string(written.cdataSections) +
                " CDATA sections; the stub shows only the last one");
      }
      if (!Trimmed(written.text).empty()) {
        Add(Severity::kWarning, entry, written.line,
            "<" + name + ">: the text outside the CDATA section is not shown");
      }
      continue;
    }
    const KzpXMLString wanted = Trimmed(written.content);
    if (wanted.empty()) continue;
    const KzpXMLChar* read = isDescription ? DescriptionText(node) : ElementText(node);
    const KzpXMLString got = read != nullptr ? Trimmed(read) : KzpXMLString();
    if (got.empty()) {
      Add(Severity::kError, entry, written.line,
          "<" + name + ">: the text starts on a new line or with white space after the start "
          "tag, so the stub reads no text at all; write it right after <" + name +
              "> or inside <![CDATA[...]]>");
    } else if (got != wanted) {
      Add(Severity::kError, entry, written.line,
          "<" + name + ">: the text is split by a line break or a reference (&...;), and the "
          "stub drops every piece after one that starts with white space and every line break: "
          "it reads " + Quoted(got) + " of " + Quoted(wanted) +
              "; keep it on one line without references, or put it inside <![CDATA[...]]>");
    }
  }
}

void Checker::CheckDescription(const PackageDocuments& documents) {
  const CKzpXMLReader& d = documents.description;
  const PackageEntry* entry = documents.descriptionEntry;
  CheckTexts(d, documents.descriptionSource, entry,
             {"filename", "name_xlate", "description_xlate", "command", "command_params"});
  const CKzpXMLNode* root = Path(d, "kzp_package", {});
  const CKzpXMLNode* names = Path(d, "kzp_package", {"name"});
  if (names == nullptr) {
    Add(Severity::kWarning, entry, LineOf(root), "no <name>: the package window shows no name");
  } else if (d.FindElement(names, U("name_xlate").c_str(), U("lang").c_str(),
                           U("en").c_str()) == nullptr) {
    Add(Severity::kWarning, entry, LineOf(names),
        "no <name_xlate lang=\"en\">: English is the one fallback, so systems in any other "
        "language than those given show no name");
  }
  const CKzpXMLNode* descriptions = Path(d, "kzp_package", {"description"});
  if (descriptions != nullptr &&
      d.FindElement(descriptions, U("description_xlate").c_str(), U("lang").c_str(),
                    U("en").c_str()) == nullptr) {
    Add(Severity::kWarning, entry, LineOf(descriptions),
        "no <description_xlate lang=\"en\">: English is the one fallback, so systems in any "
        "other language than those given show no description");
  }
  const CKzpXMLNode* command = Path(d, "kzp_package", {"installation", "install", "command"});
  if (ElementText(command) == nullptr) {
    Add(Severity::kWarning, entry, LineOf(root),
        "no install command (kzp_package/installation/install/command): /install and /sms end "
        "with 1603");
    return;
  }
  CheckCommand(d, command, entry);
}

// The stub starts "<work folder>\<command>", so the command is a file of
// the package; ".bat" and ".cmd" (in small letters) run through cmd.exe /C
// and get neither the parameters nor /force; ".msi" and ".msp" (in any
// case) run through msiexec /i or /p with the parameters, which is as good
// as a program, so they raise nothing here.
void Checker::CheckCommand(const CKzpXMLReader& d, const CKzpXMLNode* command,
                           const PackageEntry* entry) {
  std::string name = Utf16ToUtf8(ElementText(command));
  for (char& c : name) c = c == '\\' ? '/' : c;
  StoredName stored;
  if (!EncodeEntryName(contents_.codePage, name, stored) ||
      contents_.Find(stored) == nullptr) {
    Add(Severity::kError, entry, LineOf(command),
        "the install command \"" + name + "\" is not in the package; the stub starts it from "
        "the folder it extracts to");
  }
  std::wstring wide;
  const bool batch =
      Utf8ToWide(name, wide) && InstallerKindOf(wide.c_str()) == InstallerKind::kBatch;
  const std::string extension = name.size() >= 4 ? name.substr(name.size() - 4) : "";
  if (!batch && (SameNameIgnoringCase(extension, ".bat") ||
                 SameNameIgnoringCase(extension, ".cmd"))) {
    Add(Severity::kWarning, entry, LineOf(command),
        "the stub runs a batch file through cmd.exe /C only when its extension is written "
        "\".bat\" or \".cmd\" in small letters; this one is started directly");
  }
  const CKzpXMLNode* parameters =
      Path(d, "kzp_package", {"installation", "install", "command_params"});
  if (batch && ElementText(parameters) != nullptr) {
    Add(Severity::kWarning, entry, LineOf(parameters),
        "batch files get neither the parameters nor /force (the stub passes them \"xeltr\" "
        "only)");
  }
}

void Checker::CheckFlag(const CKzpXMLNode* element, const char* attribute,
                        const PackageEntry* entry, int line) {
  KzpXMLString storage;
  const KzpXMLChar* value = element->GetAttribute(X(attribute, storage));
  if (value == nullptr) return;
  const std::string text = Utf16ToUtf8(value);
  if (text == "1" || text == "0") return;
  Add(Severity::kWarning, entry, line,
      std::string(attribute) + "=\"" + text + "\" counts as not set: only exactly \"1\" sets it");
}

// "%d" of some 32-bit value: what the stub writes the exit code as.
bool IsExitCodeText(const std::string& text) {
  std::size_t digits = text.size() > 0 && text[0] == '-' ? 1 : 0;
  if (digits == text.size()) return false;
  if (text[digits] == '0' && text.size() > digits + 1) return false;
  if (text == "-0") return false;
  if (text.size() - digits > 10) return false;
  for (std::size_t i = digits; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  const long long value = std::stoll(text);
  return value >= INT32_MIN && value <= INT32_MAX;
}

void Checker::CheckMaps(const PackageDocuments& documents) {
  const CKzpXMLNode* map =
      Path(documents.packageData, "vr_pkg_data", {"installation", "install", "returncode_map"});
  if (map == nullptr) return;
  const PackageEntry* entry = documents.dataEntry;
  KzpXMLString storage;
  std::vector<const CKzpXMLNode*> all;
  CollectElements(map, all);
  std::map<std::string, int> seen;
  for (const CKzpXMLNode* item : all) {
    if (item->GetParent() != map || Utf16ToUtf8(item->GetName()) != "map") continue;
    const int line = LineOf(item);
    const KzpXMLChar* source = item->GetAttribute(X("source", storage));
    const KzpXMLChar* dest = item->GetAttribute(X("dest", storage));
    const std::string sourceText = Utf16ToUtf8(source);
    if (source == nullptr || !IsExitCodeText(sourceText)) {
      Add(Severity::kError, entry, line,
          "<map source=\"" + sourceText + "\"> never matches: the stub compares the exit code "
          "written as a plain signed decimal (no plus sign, leading zeros or blanks; codes of "
          "2^31 and above as negative numbers)");
    } else if (!seen.emplace(sourceText, line).second) {
      Add(Severity::kWarning, entry, line,
          "source \"" + sourceText + "\" is mapped twice (also on line " +
              std::to_string(seen[sourceText]) + "); the stub uses the last one");
    }
    const std::string destText = Utf16ToUtf8(dest);
    if (dest == nullptr) {
      Add(Severity::kWarning, entry, line, "<map> without dest: the exit code passes unchanged");
    } else if (!IsExitCodeText(destText)) {
      Add(Severity::kWarning, entry, line,
          "dest=\"" + destText + "\" is not a plain decimal number: the stub reads the number "
          "it starts with (0 when there is none)");
    }
  }
}

void Checker::CheckNamedFile(const CKzpXMLNode* filename, const char* what,
                             const PackageEntry* entry, int line) {
  const KzpXMLChar* text = ElementText(filename);
  if (text == nullptr) return;
  const std::string utf8 = Utf16ToUtf8(text);
  if (std::char_traits<KzpXMLChar>::length(text) >= kFieldCapacity) {
    Add(Severity::kError, entry, line,
        std::string(what) + " name has 260 characters or more; the stub ignores it");
    return;
  }
  StoredName stored;
  if (!EncodeEntryName(contents_.codePage, utf8, stored) ||
      contents_.Find(stored) == nullptr) {
    Add(Severity::kError, entry, line,
        std::string(what) + " \"" + utf8 + "\" is not in the package" +
            (utf8.find('\\') != std::string::npos ? " (entry names use \"/\", not \"\\\")" : ""));
  }
}

bool IsHexText(const Bytes& bytes) {
  if (bytes.size() % 16 != 0) return false;
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  });
}

void Checker::CheckEncryptedFile(const PackageDocuments& documents,
                                 const CKzpXMLNode* filename) {
  const PackageEntry* entry = documents.dataEntry;
  const int line = LineOf(filename);
  if (ElementText(Path(documents.description, "kzp_package", {"filename"})) == nullptr) {
    Add(Severity::kError, entry, line,
        "the configuration file is marked encrypt=\"1\", but the description has no <filename> "
        "text, which is the key");
  }
  const KzpXMLChar* text = ElementText(filename);
  StoredName stored;
  if (text == nullptr || options_.encryptConfig ||
      !EncodeEntryName(contents_.codePage, Utf16ToUtf8(text), stored)) {
    return;
  }
  const PackageEntry* file = contents_.Find(stored);
  Bytes bytes;
  std::string message;
  if (file == nullptr || file->isFolder || !contents_.read(*file, bytes, message)) return;
  if (!IsHexText(bytes)) {
    Add(Severity::kError, entry, line,
        file->displayName + " is marked encrypt=\"1\" but is not DES hex text (hexadecimal "
        "digits only, a multiple of 16): the stub fails to load the package; build with "
        "--encrypt-config to encrypt it");
  }
}

void Checker::CheckPackageData(const PackageDocuments& documents) {
  const CKzpXMLReader& p = documents.packageData;
  const PackageEntry* entry = documents.dataEntry;
  CheckTexts(p, documents.dataSource, entry, {"filename"});
  KzpXMLString storage;
  const CKzpXMLNode* root = Path(p, "vr_pkg_data", {});
  if (root == nullptr) {
    Add(Severity::kWarning, entry, 1, "the root element is not <vr_pkg_data>; the stub reads "
                                      "nothing from this file");
    return;
  }
  std::vector<const CKzpXMLNode*> all;
  CollectElements(root, all);
  bool anyEncrypted = false;
  for (const CKzpXMLNode* node : all) {
    const std::string name = Utf16ToUtf8(node->GetName());
    const std::string parent = Utf16ToUtf8(node->GetParent()->GetName());
    const int line = LineOf(node);
    if (name == "value" && parent == "settings") {
      const std::string setting = Utf16ToUtf8(node->GetAttribute(X("name", storage)));
      std::string upper = setting;
      for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
      if (upper != "LARGE_WINDOW" && upper != "DISABLE_VIEW_CONTENTS") {
        Add(Severity::kWarning, entry, line,
            "setting \"" + setting + "\" is not one the stub reads (LARGE_WINDOW, "
            "DISABLE_VIEW_CONTENTS)");
      } else {
        CheckFlag(node, "value", entry, line);
      }
    } else if (name == "configuration" && node->GetParent() == root) {
      CheckFlag(node, "required", entry, line);
    } else if (name == "virtualization" && node->GetParent() == root) {
      CheckFlag(node, "allow", entry, line);
    } else if (name == "filename" && (parent == "config_file" || parent == "configui")) {
      CheckFlag(node, "encrypt", entry, line);
      CheckNamedFile(node, "the configuration file", entry, line);
      KzpXMLString one;
      const KzpXMLChar* flag = node->GetAttribute(X("encrypt", storage));
      if (flag != nullptr && KzpXMLString(flag) == X("1", one)) {
        anyEncrypted = true;
        CheckEncryptedFile(documents, node);
      }
    } else if (name == "filename" && parent == "license") {
      CheckNamedFile(node, "the license file", entry, line);
    }
  }
  CheckMaps(documents);
  if (options_.encryptConfig && !anyEncrypted) {
    Add(Severity::kWarning, entry, 0,
        "--encrypt-config, but no configuration file is marked encrypt=\"1\"");
  }
}

void Checker::CheckNames() {
  for (const PackageEntry& entry : contents_.entries) {
    KzpXMLString units;
    std::string utf8 = entry.displayName;
    if (!Utf8ToUtf16(utf8, units) || units.size() <= kLongNameUnits) continue;
    Add(Severity::kWarning, &entry, 0,
        "the name has " + std::to_string(units.size()) +
            " characters: below a work folder in the user's temporary folder it may pass 260");
  }
}

// The name the stub looks for first: the package's file name without its
// last extension, with ".xml".
std::string DescriptionNameFor(const std::string& packageName) {
  const std::string base = packageName.substr(0, packageName.rfind('.'));
  return base + ".xml";
}

bool HasXmlExtension(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return SameNameIgnoringCase(name.substr(dot), ".xml");
}

bool ParseEntry(const PackageContents& contents, const PackageEntry& entry,
                CKzpXMLReader& document, XmlSource& source, std::vector<Finding>& findings) {
  Bytes bytes;
  std::string message;
  if (!contents.read(entry, bytes, message)) {
    findings.push_back({Severity::kError, entry.displayName, 0, message});
    return false;
  }
  source = ReadXmlSource(bytes);
  document.Parse(bytes.data(), static_cast<int>(bytes.size()));
  return document.IsLoaded();
}

void ReportParseFailure(const PackageEntry& entry, const XmlSource& source, const char* effect,
                        std::vector<Finding>& findings) {
  std::string message = source.unknownEncoding
                            ? "the encoding \"" + source.encoding +
                                  "\" is not one the stub reads (UTF-8, UTF-16, ISO-8859-1, "
                                  "US-ASCII or Shift_JIS)"
                            : "not well-formed XML: " + source.error;
  if (source.wellFormed) message = "the stub cannot read this XML (an unpaired surrogate?)";
  findings.push_back({Severity::kError, entry.displayName, source.errorLine,
                      message + "; " + effect});
}

const CKzpXMLNode* DescriptionRoot(const CKzpXMLReader& document, bool versioned) {
  KzpXMLString a, b, c;
  return document.FindElement(nullptr, X("kzp_package", a), versioned ? X("version", b) : nullptr,
                              versioned ? X("2.0.1.0", c) : nullptr);
}

}  // namespace

namespace {

// The stub's first try: the entry named after the package. False when the
// search ends there (the entry does not parse).
bool FindDescriptionByName(const PackageContents& contents, PackageDocuments& documents,
                           std::vector<Finding>& findings) {
  StoredName name;
  if (contents.packageName.empty() ||
      !EncodeEntryName(contents.codePage, DescriptionNameFor(contents.packageName), name)) {
    return true;
  }
  const PackageEntry* entry = contents.Find(name);
  if (entry == nullptr || entry->isFolder) return true;
  if (!ParseEntry(contents, *entry, documents.description, documents.descriptionSource,
                  findings)) {
    ReportParseFailure(*entry, documents.descriptionSource,
                       "the package cannot load its description", findings);
    return false;
  }
  documents.descriptionEntry = entry;
  documents.foundByName = true;
  return true;
}

// The stub's second try: the first ".xml" in directory order whose root is
// kzp_package with version 2.0.1.0. Failing that, the first kzp_package of
// any version is taken for the checks, with a finding on why the stub will
// not (or may not) find it.
void SearchDescriptionByContent(const PackageContents& contents, PackageDocuments& documents,
                                std::vector<Finding>& findings) {
  const PackageEntry* unversioned = nullptr;
  std::size_t candidates = 0;
  std::vector<Finding> unreadable;  // reported only when no description is found
  for (const PackageEntry& entry : contents.entries) {
    if (entry.isFolder || !HasXmlExtension(entry.name)) continue;
    CKzpXMLReader document;
    XmlSource source;
    if (!ParseEntry(contents, entry, document, source, findings)) {
      ReportParseFailure(entry, source, "the stub passes it over in its search for the "
                         "description", unreadable);
    } else if (DescriptionRoot(document, true) != nullptr) {
      if (++candidates == 1) documents.descriptionEntry = &entry;
    } else if (DescriptionRoot(document, false) != nullptr && unversioned == nullptr) {
      unversioned = &entry;
    }
  }
  if (candidates > 1) {
    findings.push_back({Severity::kWarning, documents.descriptionEntry->displayName, 0,
                        "there are " + std::to_string(candidates) +
                            " description files with version=\"2.0.1.0\"; the stub uses this "
                            "one, the first in the package"});
  }
  if (documents.descriptionEntry != nullptr) return;
  if (unversioned == nullptr) {
    findings.insert(findings.end(), unreadable.begin(), unreadable.end());
    return;
  }
  if (!contents.packageName.empty()) {
    findings.push_back({Severity::kError, unversioned->displayName, 0,
                        "the stub will not find this description: it is not named after the "
                        "package (" + DescriptionNameFor(contents.packageName) +
                            ") and its kzp_package has no version=\"2.0.1.0\""});
  } else {
    findings.push_back({Severity::kWarning, unversioned->displayName, 0,
                        "the stub finds this description only while the package is named "
                        "after it; add version=\"2.0.1.0\" to kzp_package so that it is found "
                        "under any name"});
  }
  documents.descriptionEntry = unversioned;
}

}  // namespace

void LoadDocuments(const PackageContents& contents, PackageDocuments& documents,
                   std::vector<Finding>& findings) {
  if (!FindDescriptionByName(contents, documents, findings)) return;
  if (!documents.foundByName) {
    SearchDescriptionByContent(contents, documents, findings);
    if (documents.descriptionEntry == nullptr) {
      // A package of files only still extracts with /extract:, which loads
      // no description.
      findings.push_back({Severity::kWarning, contents.origin, 0,
                          "no description file (an XML file whose root element is "
                          "kzp_package): the package extracts with /extract: only; its window "
                          "and /install fail"});
      return;
    }
    ParseEntry(contents, *documents.descriptionEntry, documents.description,
               documents.descriptionSource, findings);
  }
  const std::string& name = documents.descriptionEntry->displayName;
  if (DescriptionRoot(documents.description, false) == nullptr) {
    findings.push_back({Severity::kError, name, 0,
                        "the stub takes this file as the description (it is named after the "
                        "package), but its root element is not kzp_package"});
  } else if (documents.foundByName && DescriptionRoot(documents.description, true) == nullptr) {
    findings.push_back({Severity::kWarning, name, 0,
                        "found only while the package keeps the name " + contents.packageName +
                            " (users rename downloads); add version=\"2.0.1.0\" to "
                            "kzp_package"});
  }

  documents.dataEntry = contents.Find("vr_data.xml");
  if (documents.dataEntry != nullptr &&
      !ParseEntry(contents, *documents.dataEntry, documents.packageData, documents.dataSource,
                  findings)) {
    ReportParseFailure(*documents.dataEntry, documents.dataSource,
                       "the stub ignores the whole file (settings, exit-code map, license)",
                       findings);
  }
}

std::vector<Finding> CheckPackage(const PackageContents& contents, const CheckOptions& options) {
  std::vector<Finding> findings;
  PackageDocuments documents;
  LoadDocuments(contents, documents, findings);
  Checker checker(contents, options, findings);
  checker.CheckNames();
  if (documents.description.IsLoaded()) checker.CheckDescription(documents);
  if (documents.packageData.IsLoaded()) checker.CheckPackageData(documents);
  return findings;
}

}  // namespace kzppack
