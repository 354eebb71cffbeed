#include "pe_resources.h"

#include <cstring>

namespace {

// Little-endian fields of a resource, read with bounds checks: a read past
// the end fails the reader and answers 0 from then on.
class CKzpResourceCursor {
 public:
  explicit CKzpResourceCursor(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  bool Ok() const { return ok_; }
  bool AtEnd() const { return at_ >= bytes_.size(); }

  WORD Word() {
    if (!Need(2)) return 0;
    const WORD value = static_cast<WORD>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return value;
  }
  DWORD Dword() {
    const DWORD low = Word();
    return low | static_cast<DWORD>(Word()) << 16;
  }
  short Short() { return static_cast<short>(Word()); }
  std::uint8_t Byte() {
    if (!Need(1)) return 0;
    return bytes_[at_++];
  }
  void Skip(std::size_t count) {
    if (Need(count)) at_ += count;
  }
  // Items of a dialog template start on a 4-byte boundary of the template.
  void AlignToDword() { Skip((4 - at_ % 4) % 4); }

  std::wstring String() {
    std::wstring text;
    for (WORD c = Word(); ok_ && c != 0; c = Word()) text += static_cast<wchar_t>(c);
    return text;
  }
  // A name or a number: 0xFFFF and a number, else a NUL-terminated string.
  std::wstring NameOrNumber(WORD& number) {
    number = 0;
    if (Need(2) && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      Word();
      number = Word();
      return {};
    }
    return String();
  }
  std::wstring Counted(std::size_t length) {
    std::wstring text;
    for (std::size_t i = 0; ok_ && i < length; ++i) text += static_cast<wchar_t>(Word());
    return text;
  }

 private:
  bool Need(std::size_t count) {
    if (ok_ && bytes_.size() - at_ >= count) return true;
    ok_ = false;
    return false;
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::wstring PredefinedClassName(WORD atom) {
  switch (atom) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return L"#" + std::to_wstring(atom);
  }
}

bool ParseItem(CKzpResourceCursor& in, CKzpDialogItem& item) {
  in.AlignToDword();
  in.Dword();  // help id
  item.exStyle = in.Dword();
  item.style = in.Dword();
  item.x = in.Short();
  item.y = in.Short();
  item.cx = in.Short();
  item.cy = in.Short();
  item.id = in.Dword();
  WORD classAtom = 0;
  item.className = in.NameOrNumber(classAtom);
  if (classAtom != 0) item.className = PredefinedClassName(classAtom);
  item.text = in.NameOrNumber(item.textOrdinal);
  in.Skip(in.Word());  // creation data
  return in.Ok();
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
  if (IS_INTRESOURCE(name)) {
    reinterpret_cast<std::vector<WORD>*>(context)->push_back(
        static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
  }
  return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
  reinterpret_cast<std::vector<LANGID>*>(context)->push_back(language);
  return TRUE;
}

}  // namespace

const CKzpDialogItem* CKzpDialogTemplate::Item(DWORD id) const {
  for (const CKzpDialogItem& item : items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

bool ParseDialogTemplate(const std::vector<std::uint8_t>& bytes, CKzpDialogTemplate& dialog) {
  dialog = CKzpDialogTemplate();
  CKzpResourceCursor in(bytes);
  if (in.Word() != 1 || in.Word() != 0xFFFF) return false;  // DLGTEMPLATEEX
  in.Dword();  // help id
  dialog.exStyle = in.Dword();
  dialog.style = in.Dword();
  const WORD count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.cx = in.Short();
  dialog.cy = in.Short();
  WORD number = 0;
  in.NameOrNumber(number);  // menu
  in.NameOrNumber(number);  // class
  dialog.title = in.String();
  if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
    dialog.pointSize = in.Word();
    in.Word();  // weight
    in.Byte();  // italic
    in.Byte();  // character set
    dialog.face = in.String();
  }
  for (WORD i = 0; i < count && in.Ok(); ++i) {
    CKzpDialogItem item;
    if (ParseItem(in, item)) dialog.items.push_back(item);
  }
  return in.Ok();
}

bool ParseStringBlock(WORD block, const std::vector<std::uint8_t>& bytes,
                      std::map<UINT, std::wstring>& strings) {
  if (block == 0) return false;
  CKzpResourceCursor in(bytes);
  const UINT first = (static_cast<UINT>(block) - 1) * 16;
  for (UINT i = 0; i < 16 && in.Ok(); ++i) {
    const std::wstring text = in.Counted(in.Word());
    if (in.Ok() && !text.empty()) strings[first + i] = text;
  }
  return in.Ok();
}

CKzpPeResources::CKzpPeResources(const std::wstring& path)
    : module_(LoadLibraryExW(path.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

CKzpPeResources::~CKzpPeResources() {
  if (module_ != nullptr) FreeLibrary(module_);
}

std::vector<WORD> CKzpPeResources::Ids(LPCWSTR type) const {
  std::vector<WORD> ids;
  if (module_ != nullptr) {
    EnumResourceNamesW(module_, type, CollectId, reinterpret_cast<LONG_PTR>(&ids));
  }
  return ids;
}

std::vector<LANGID> CKzpPeResources::Languages(LPCWSTR type, WORD id) const {
  std::vector<LANGID> languages;
  if (module_ != nullptr) {
    EnumResourceLanguagesW(module_, type, MAKEINTRESOURCEW(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  }
  return languages;
}

std::vector<std::uint8_t> CKzpPeResources::Bytes(HRSRC resource) const {
  if (resource == nullptr) return {};
  const DWORD size = SizeofResource(module_, resource);
  HGLOBAL loaded = LoadResource(module_, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  const auto* first = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(first, first + size);
}

std::vector<std::uint8_t> CKzpPeResources::Data(LPCWSTR type, WORD id, LANGID language) const {
  for (LANGID tagged : Languages(type, id)) {
    if (tagged == language) {
      return Bytes(FindResourceExW(module_, type, MAKEINTRESOURCEW(id), language));
    }
  }
  return {};
}

std::vector<std::uint8_t> CKzpPeResources::Found(LPCWSTR type, WORD id, LANGID language) const {
  if (module_ == nullptr) return {};
  return Bytes(FindResourceExW(module_, type, MAKEINTRESOURCEW(id), language));
}

bool CKzpPeResources::Dialog(WORD id, LANGID language, CKzpDialogTemplate& dialog) const {
  const std::vector<std::uint8_t> bytes = Data(RT_DIALOG, id, language);
  return !bytes.empty() && ParseDialogTemplate(bytes, dialog);
}

std::map<UINT, std::wstring> CKzpPeResources::Strings(LANGID language) const {
  std::map<UINT, std::wstring> strings;
  for (WORD block : Ids(RT_STRING)) {
    const std::vector<std::uint8_t> bytes = Data(RT_STRING, block, language);
    if (!bytes.empty()) ParseStringBlock(block, bytes, strings);
  }
  return strings;
}
