#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A PE file's resources read back as data, as the resource compiler wrote
// them: which languages a resource exists in, dialog templates
// (DLGTEMPLATEEX and their items) and string tables.

struct CKzpDialogItem {
  DWORD id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  // A predefined class given by number comes back by name ("Button",
  // "Edit", "Static"...); one given by name stays as written.
  std::wstring className;
  std::wstring text;
  WORD textOrdinal = 0;  // a resource id given as the text (an icon's), else 0
};

struct CKzpDialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  WORD pointSize = 0;  // with DS_SETFONT
  std::wstring face;
  std::vector<CKzpDialogItem> items;

  // The first item with this id, or null.
  const CKzpDialogItem* Item(DWORD id) const;
};

// False for anything but a well-formed extended template.
bool ParseDialogTemplate(const std::vector<std::uint8_t>& bytes, CKzpDialogTemplate& dialog);

// The strings of one string-table block (block n holds ids 16 (n - 1) to
// 16 (n - 1) + 15) added to strings by id; empty entries are absent ones.
// False for a block that runs past its end.
bool ParseStringBlock(WORD block, const std::vector<std::uint8_t>& bytes,
                      std::map<UINT, std::wstring>& strings);

// The resources of a file loaded as an image resource: nothing in it runs.
class CKzpPeResources {
 public:
  explicit CKzpPeResources(const std::wstring& path);
  ~CKzpPeResources();
  CKzpPeResources(const CKzpPeResources&) = delete;
  CKzpPeResources& operator=(const CKzpPeResources&) = delete;

  bool IsOpen() const { return module_ != nullptr; }
  // The numeric names of every resource of the type.
  std::vector<WORD> Ids(LPCWSTR type) const;
  // The languages in which the resource exists, as tagged.
  std::vector<LANGID> Languages(LPCWSTR type, WORD id) const;
  // The resource tagged with exactly this language; empty when there is none.
  std::vector<std::uint8_t> Data(LPCWSTR type, WORD id, LANGID language) const;
  // What the platform's lookup finds when asked for this language, with its
  // fallbacks (the neutral sublanguage, then the neutral language).
  std::vector<std::uint8_t> Found(LPCWSTR type, WORD id, LANGID language) const;

  bool Dialog(WORD id, LANGID language, CKzpDialogTemplate& dialog) const;
  // Every string of the table in this language, by id.
  std::map<UINT, std::wstring> Strings(LANGID language) const;

 private:
  std::vector<std::uint8_t> Bytes(HRSRC resource) const;

  HMODULE module_ = nullptr;
};
