#include "packer/package_build.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <set>

#include "package/des_cipher.h"
#include "package/package_xml_lookup.h"
#include "packer/code_page.h"
#include "packer/file_access.h"
#include "packer/entry_name_encoding.h"
#include "packer/folder_scan.h"
#include "packer/text_convert.h"
#include "packer/zip_stream_writer.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kEndRecordBytes = 22;
// The attribute bits an entry takes from its file. The archive bit is
// always set: it says whether a backup has seen the file, which means
// nothing to a package, and Linux has no such bit.
constexpr std::uint32_t kAttributesKept = kAttributeReadOnly | kAttributeHidden | kAttributeSystem;

// The file as it is.
EntrySource PlainSource(const fs::path& path) {
  auto file = std::make_shared<InputFile>();
  EntrySource source;
  source.open = [file, path](std::string& error) { return file->Open(path, error); };
  source.read = [file](std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                       std::string& error) { return file->Read(buffer, capacity, got, error); };
  return source;
}

// The file as upper-case hex text of its DES-ECB ciphertext, which is how
// the stub reads a configuration file marked encrypt="1". A short last block
// is completed with zero bytes, which the stub keeps.
EntrySource EncryptedSource(const fs::path& path, const DesCipher& cipher) {
  struct State {
    InputFile file;
    Bytes pending;  // hex text not handed out yet
    std::size_t handedOut = 0;
    bool atEnd = false;
  };
  auto state = std::make_shared<State>();
  EntrySource source;
  source.open = [state, path](std::string& error) {
    state->pending.clear();
    state->handedOut = 0;
    state->atEnd = false;
    return state->file.Open(path, error);
  };
  source.read = [state, cipher](std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                                std::string& error) {
    static const char kHex[] = "0123456789ABCDEF";
    if (state->handedOut == state->pending.size() && !state->atEnd) {
      std::uint8_t plain[64 * 1024] = {};
      std::size_t read = 0;
      // Whole pieces until the end, so that only the last one can end
      // inside a block.
      while (read < sizeof plain) {
        std::size_t part = 0;
        if (!state->file.Read(plain + read, sizeof plain - read, part, error)) return false;
        if (part == 0) {
          state->atEnd = true;
          break;
        }
        read += part;
      }
      // The zero bytes already there complete a short last block.
      const std::size_t blocks = (read + DesCipher::kBlockBytes - 1) / DesCipher::kBlockBytes;
      state->pending.resize(blocks * DesCipher::kBlockBytes * 2);
      state->handedOut = 0;
      for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t out[DesCipher::kBlockBytes];
        cipher.EncryptBlock(plain + b * DesCipher::kBlockBytes, out);
        for (std::size_t i = 0; i < DesCipher::kBlockBytes; ++i) {
          state->pending[(b * DesCipher::kBlockBytes + i) * 2] = kHex[out[i] >> 4];
          state->pending[(b * DesCipher::kBlockBytes + i) * 2 + 1] = kHex[out[i] & 15];
        }
      }
    }
    got = std::min(capacity, state->pending.size() - state->handedOut);
    std::memcpy(buffer, state->pending.data() + state->handedOut, got);
    state->handedOut += got;
    return true;
  };
  return source;
}

std::string Message(const std::string& file, const std::string& text) { return file + ": " + text; }

// The entries to encrypt: every configuration file name marked encrypt="1"
// (a configui name serves as the configuration file when there is no
// config_file element, so those count too); and the key.
bool FindFilesToEncrypt(const PackageContents& contents, const PackageDocuments& documents,
                        std::set<std::string>& names, DesCipher& cipher, std::string& error) {
  if (!documents.packageData.IsLoaded()) return true;
  std::vector<const CKzpXMLNode*> marked;
  const CKzpXMLNode* root =
      documents.packageData.FindElement(nullptr, KZP_XML_TEXT("vr_pkg_data"), nullptr, nullptr);
  const CKzpXMLNode* configuration =
      root != nullptr ? root->FindChild(KZP_XML_TEXT("configuration")) : nullptr;
  if (configuration == nullptr) return true;
  for (const KzpXMLChar* holder : {KZP_XML_TEXT("config_file"), KZP_XML_TEXT("configui")}) {
    for (const CKzpXMLNode* parent = configuration->FindChild(holder); parent != nullptr;
         parent = parent->FindNextSibling(holder)) {
      for (const CKzpXMLNode* name = parent->FindChild(KZP_XML_TEXT("filename")); name != nullptr;
           name = name->FindNextSibling(KZP_XML_TEXT("filename"))) {
        const KzpXMLChar* flag = name->GetAttribute(KZP_XML_TEXT("encrypt"));
        if (flag != nullptr && KzpXMLString(flag) == KZP_XML_TEXT("1") &&
            ElementText(name) != nullptr) {
          marked.push_back(name);
        }
      }
    }
  }
  if (marked.empty()) return true;
  const CKzpXMLNode* kzpPackage =
      documents.description.FindElement(nullptr, KZP_XML_TEXT("kzp_package"), nullptr, nullptr);
  const KzpXMLChar* keyText = ElementText(
      kzpPackage != nullptr ? kzpPackage->FindChild(KZP_XML_TEXT("filename")) : nullptr);
  std::string key;
  if (keyText == nullptr || !EncodeForCodePage(contents.codePage, Utf16ToUtf8(keyText), key)) {
    error = "the key text (the description's <filename>) is missing or not plain ASCII; give "
            "--codepage with the code page of the machines that will run the package";
    return false;
  }
  std::uint8_t keyBytes[DesCipher::kKeyBytes] = {};
  DesCipher::SetKeyText(key.c_str(), keyBytes);
  cipher.skipParityCheck = true;
  cipher.ScheduleKeys(keyBytes);
  for (const CKzpXMLNode* name : marked) {
    StoredName stored;
    if (EncodeEntryName(contents.codePage, Utf16ToUtf8(ElementText(name)), stored)) {
      if (const PackageEntry* entry = contents.Find(stored)) names.insert(entry->name);
    }
  }
  return true;
}

bool WriteEntries(const BuildOptions& options, const PackageContents& contents,
                  const std::set<std::string>& encrypted, const DesCipher& cipher,
                  ZipStreamWriter& writer, std::string& error) {
  for (const PackageEntry& entry : contents.entries) {
    StreamEntry record;
    record.name = entry.name;
    record.flags = entry.utf8Name ? kFlagUtf8Name : 0;
    ToDosTime(options.sourceDateEpoch.value_or(entry.modified), options.sourceDateEpoch.has_value(),
              record.dosDate, record.dosTime);
    if (entry.isFolder) {
      record.externalAttributes = kAttributeFolder;
      if (!writer.AddFolder(record, error)) return false;
      continue;
    }
    record.externalAttributes = kAttributeArchive | (entry.attributes & kAttributesKept);
    const EntrySource source = encrypted.count(entry.name) != 0
                                   ? EncryptedSource(entry.path, cipher)
                                   : PlainSource(entry.path);
    if (!writer.AddFile(record, source, !options.store, error)) {
      if (error.rfind(PathToUtf8(entry.path), 0) != 0) error = Message(PathToUtf8(entry.path), error);
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::int64_t> ParseSourceDateEpoch(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

namespace {

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian),
// without the C runtime: the same on every platform, for any year.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

bool UtcParts(std::int64_t seconds, std::tm& parts) {
  const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const std::int64_t rest = seconds - days * 86400;
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days, year, month, day);
  parts = std::tm{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = static_cast<int>(rest / 3600);
  parts.tm_min = static_cast<int>(rest / 60 % 60);
  parts.tm_sec = static_cast<int>(rest % 60);
  return true;
}

}  // namespace

void ToDosTime(std::int64_t seconds, bool utc, std::uint16_t& date, std::uint16_t& time) {
  std::tm parts{};
  if (!(utc ? UtcParts(seconds, parts) : ToLocalTime(seconds, parts)) ||
      parts.tm_year + 1900 < 1980) {
    date = DosDate(1980, 1, 1);
    time = DosTime(0, 0, 0);
  } else if (parts.tm_year + 1900 > 2107) {
    date = DosDate(2107, 12, 31);
    time = DosTime(23, 59, 58);
  } else {
    date = DosDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    time = DosTime(parts.tm_hour, parts.tm_min, parts.tm_sec);
  }
}

BuildResult BuildPackage(const BuildOptions& options) {
  BuildResult result;
  const std::string stubName = PathToUtf8(options.stub);
  InputFile stub;
  std::uint64_t stubSize = 0;
  std::string ignored;
  if (KindOf(options.stub) != PathKind::kFile || !stub.Open(options.stub, ignored) ||
      !stub.Size(stubSize, ignored)) {
    result.error = Message(stubName, "the stub is not a readable file");
    return result;
  }
  stub.Close();
  // Said at once rather than after copying 2 GiB.
  if (stubSize + kEndRecordBytes > ZipStreamWriter::kMaxFileSize) {
    result.error = Message(stubName, ZipStreamWriter::kTooLarge);
    return result;
  }
  // The output itself as it is named (a link there is replaced, not
  // followed); its folder and the packed folder resolved, for comparing.
  std::error_code error;
  const fs::path output = fs::absolute(options.output, error).lexically_normal();
  const fs::path folder = FullPath(options.folder);
  const fs::path outputFolder = FullPath(output.parent_path());
  if (KindOf(outputFolder) != PathKind::kFolder) {
    result.error = Message(PathToUtf8(options.output.has_parent_path()
                                          ? options.output.parent_path()
                                          : outputFolder),
                           "no such folder for the package");
    return result;
  }
  if (IsSameOrBelow(outputFolder, folder)) {
    result.error = Message(PathToUtf8(output), "the package would be written inside the folder it "
                                               "packs");
    return result;
  }

  PackageContents contents = ScanFolder(options.folder, options.codePage, result.refusals);
  contents.packageName = PathToUtf8(output.filename());
  if (!result.refusals.empty()) return result;
  result.findings = CheckPackage(contents, CheckOptions{options.encryptConfig});
  for (const Finding& finding : result.findings) {
    if (finding.severity == Severity::kError || options.strict) return result;
  }

  std::set<std::string> encrypted;
  DesCipher cipher;
  if (options.encryptConfig) {
    PackageDocuments documents;
    std::vector<Finding> ignored;
    LoadDocuments(contents, documents, ignored);
    if (!FindFilesToEncrypt(contents, documents, encrypted, cipher, result.error)) return result;
  }

  TemporaryOutput temporary(output);
  if (!temporary.Created(result.error)) return result;
  ZipStreamWriter writer(temporary);
  if (!writer.CopyPrefix(options.stub, result.error) ||
      !WriteEntries(options, contents, encrypted, cipher, writer, result.error) ||
      !writer.Finish(result.error) || !temporary.Commit(result.error)) {
    return result;
  }
  result.ok = true;
  result.entries = contents.entries.size();
  result.size = writer.Size();
  return result;
}

}  // namespace kzppack
