#include "packer/package_build.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>

#include "package/des_cipher.h"
#include "package/package_xml_lookup.h"
#include "packer/entry_name_encoding.h"
#include "packer/folder_scan.h"
#include "packer/text_convert.h"
#include "packer/zip_stream_writer.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeFolder = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint64_t kEndRecordBytes = 22;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileOwner = std::unique_ptr<std::FILE, FileCloser>;

// The file as it is.
EntrySource PlainSource(const fs::path& path) {
  auto file = std::make_shared<FileOwner>();
  EntrySource source;
  source.open = [file, path](std::string& error) {
    file->reset(std::fopen(path.c_str(), "rb"));
    if (!*file) error = path.string() + ": " + std::strerror(errno);
    return static_cast<bool>(*file);
  };
  source.read = [file, path](std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                             std::string& error) {
    got = std::fread(buffer, 1, capacity, file->get());
    if (got == 0 && std::ferror(file->get())) {
      error = path.string() + ": cannot read";
      return false;
    }
    return true;
  };
  return source;
}

// The file as upper-case hex text of its DES-ECB ciphertext, which is how
// the stub reads a configuration file marked encrypt="1". A short last block
// is completed with zero bytes, which the stub keeps.
EntrySource EncryptedSource(const fs::path& path, const DesCipher& cipher) {
  struct State {
    FileOwner file;
    Bytes pending;  // hex text not handed out yet
    std::size_t handedOut = 0;
    bool atEnd = false;
  };
  auto state = std::make_shared<State>();
  EntrySource source;
  source.open = [state, path](std::string& error) {
    state->file.reset(std::fopen(path.c_str(), "rb"));
    state->pending.clear();
    state->handedOut = 0;
    state->atEnd = false;
    if (!state->file) error = path.string() + ": " + std::strerror(errno);
    return static_cast<bool>(state->file);
  };
  source.read = [state, path, cipher](std::uint8_t* buffer, std::size_t capacity,
                                      std::size_t& got, std::string& error) {
    static const char kHex[] = "0123456789ABCDEF";
    if (state->handedOut == state->pending.size() && !state->atEnd) {
      std::uint8_t plain[64 * 1024] = {};
      const std::size_t read = std::fread(plain, 1, sizeof plain, state->file.get());
      if (read < sizeof plain) {
        if (std::ferror(state->file.get())) {
          error = path.string() + ": cannot read";
          return false;
        }
        state->atEnd = true;
      }
      // A full 64 KiB holds whole blocks; only the last read can end
      // inside one, and the zero bytes already there complete it.
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

// A temporary file beside the output, removed unless it was renamed.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const fs::path& output) {
    const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
    path_ = (folder / ("." + output.filename().string() + ".kzppack-XXXXXX")).string();
    fd_ = ::mkstemp(&path_[0]);
    created_ = fd_ >= 0;
  }
  ~TemporaryOutput() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !renamed_) ::unlink(path_.c_str());
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // Executable as a new file would be under the umask; then closed and
  // renamed over the output.
  bool Commit(const fs::path& output, std::string& error) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0777 & ~mask) != 0 || ::fsync(fd_) != 0 || ::close(fd_) != 0) {
      fd_ = -1;
      error = "cannot write " + path_ + ": " + std::strerror(errno);
      return false;
    }
    fd_ = -1;
    if (::rename(path_.c_str(), output.c_str()) != 0) {
      error = "cannot rename " + path_ + " to " + output.string() + ": " + std::strerror(errno);
      return false;
    }
    renamed_ = true;
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool renamed_ = false;
};

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
    record.externalAttributes = kAttributeArchive | (entry.readOnly ? kAttributeReadOnly : 0);
    const EntrySource source = encrypted.count(entry.name) != 0
                                   ? EncryptedSource(entry.path, cipher)
                                   : PlainSource(entry.path);
    if (!writer.AddFile(record, source, !options.store, error)) {
      error = Message(entry.path.string(), error);
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

void ToDosTime(std::int64_t seconds, bool utc, std::uint16_t& date, std::uint16_t& time) {
  std::tm parts{};
  const std::time_t moment = static_cast<std::time_t>(seconds);
  if ((utc ? gmtime_r(&moment, &parts) : localtime_r(&moment, &parts)) == nullptr ||
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
  std::error_code error;
  if (!fs::is_regular_file(options.stub, error)) {
    result.error = Message(options.stub.string(), "the stub is not a readable file");
    return result;
  }
  // Said at once rather than after copying 2 GiB.
  if (fs::file_size(options.stub, error) + kEndRecordBytes > ZipStreamWriter::kMaxFileSize) {
    result.error = Message(options.stub.string(), ZipStreamWriter::kTooLarge);
    return result;
  }
  const fs::path output = fs::absolute(options.output, error);
  const fs::path folder = fs::weakly_canonical(fs::absolute(options.folder, error), error);
  const fs::path outputFolder = fs::weakly_canonical(output.parent_path(), error);
  if (!fs::is_directory(outputFolder, error)) {
    result.error = Message(output.parent_path().string(), "no such folder for the package");
    return result;
  }
  const std::string relative = fs::relative(outputFolder, folder, error).generic_string();
  if (!error && (relative == "." || relative.rfind("..", 0) != 0)) {
    result.error = Message(output.string(), "the package would be written inside the folder it "
                                            "packs");
    return result;
  }

  PackageContents contents = ScanFolder(options.folder, options.codePage, result.refusals);
  contents.packageName = output.filename().string();
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
  if (temporary.fd() < 0) {
    result.error = Message(output.parent_path().string(),
                           std::string("cannot create a file here: ") + std::strerror(errno));
    return result;
  }
  ZipStreamWriter writer(temporary.fd());
  if (!writer.CopyPrefix(options.stub, result.error) ||
      !WriteEntries(options, contents, encrypted, cipher, writer, result.error) ||
      !writer.Finish(result.error) || !temporary.Commit(output, result.error)) {
    return result;
  }
  result.ok = true;
  result.entries = contents.entries.size();
  result.size = writer.Size();
  return result;
}

}  // namespace kzppack
