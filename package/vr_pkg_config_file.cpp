#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "package/des_cipher.h"
#include "package/des_crypt_exception.h"
#include "package/entry_bytes.h"
#include "package/vr_pkg.h"

namespace {

// The key text is the package file name in the thread's ANSI code page, so
// a non-ASCII name keys the cipher with the bytes the packer saw. A package
// without a file name keys it with an empty text (eight spaces).
std::string KeyText(const wchar_t* fileName) {
  if (fileName == nullptr || fileName[0] == L'\0') return std::string();
  const int bytes =
      WideCharToMultiByte(CP_THREAD_ACP, 0, fileName, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, fileName, -1, text.data(), bytes, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(bytes - 1));
  return text;
}

struct Plaintext {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
};

// False on damaged hex text: such a configuration cannot be used, and the
// loader's callers expect true or false, never an exception.
bool DecryptConfiguration(const std::string& keyText, const EntryBytes& hex, Plaintext& plain) {
  DesCipher cipher;
  cipher.skipParityCheck = true;
  cipher.keyScheduled = false;
  std::uint8_t key[DesCipher::kKeyBytes] = {};
  DesCipher::SetKeyText(keyText.c_str(), key);
  cipher.ScheduleKeys(key);
  try {
    std::uint8_t* result = nullptr;
    std::size_t length = 0;
    cipher.DecryptHex(std::string_view(reinterpret_cast<const char*>(hex.data.get()), hex.size),
                      &result, &length);
    plain.data.reset(result);
    plain.size = length;
    return true;
  } catch (const DesCryptException&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool VRPkg::LoadPackageData(kzpzip::ZIP_File& archive) {
  kzpzip::ZIP_FileEntry* dataEntry = archive.FindEntry(L"vr_data.xml");
  if (dataEntry == nullptr || !ParseEntry(*dataEntry, packageData)) return true;
  if (!GetConfiguration(&config)) return true;
  if (config.configFile[0] == L'\0') return true;
  kzpzip::ZIP_FileEntry* configEntry = archive.FindEntry(config.configFile);
  if (configEntry == nullptr) return true;
  return LoadConfigurationFile(*configEntry);
}

bool VRPkg::LoadConfigurationFile(kzpzip::ZIP_FileEntry& entry) {
  EntryBytes bytes;
  if (!ReadWholeEntry(entry, bytes)) return false;
  if (!config.encrypt) return StoreConfigBytes(bytes.data.get(), bytes.size);
  Plaintext plain;
  if (!DecryptConfiguration(KeyText(GetPackageFileName()), bytes, plain)) return false;
  return StoreConfigBytes(plain.data.get(), plain.size);
}

bool VRPkg::StoreConfigBytes(const std::uint8_t* bytes, std::size_t count) {
  VariantClear(&configData);
  if (count > 0xFFFFFFFFu) return false;
  SAFEARRAYBOUND bound = {};
  bound.cElements = static_cast<ULONG>(count);
  bound.lLbound = 0;
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  if (array == nullptr) return false;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    return false;
  }
  const std::size_t elementSize = SafeArrayGetElemsize(array);
  if (count > 0) std::memcpy(data, bytes, elementSize * count);
  SafeArrayUnaccessData(array);
  configData.vt = VT_ARRAY | VT_UI1;
  configData.parray = array;
  return true;
}
