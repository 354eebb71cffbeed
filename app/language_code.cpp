#include "app/language_code.h"

#include <windows.h>

LanguageCode LanguageCodeForName(const wchar_t* englishLanguageName) {
  static const struct {
    const wchar_t* name;
    const wchar_t* code;
  } kLanguages[] = {
      {L"french", L"fr"}, {L"spanish", L"es"}, {L"german", L"de"},
      {L"italian", L"it"}, {L"japanese", L"ja"},
  };
  LanguageCode code;
  if (englishLanguageName == nullptr) return code;
  for (const auto& language : kLanguages) {
    if (lstrcmpiW(englishLanguageName, language.name) == 0) {
      lstrcpynW(code.text, language.code, 3);
      break;
    }
  }
  return code;
}

void SelectLanguageCode(LanguageCode& code) {
  wchar_t name[256] = {};
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, name, 255) == 0) {
    code = LanguageCode();
    return;
  }
  code = LanguageCodeForName(name);
}
