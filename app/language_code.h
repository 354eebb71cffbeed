#pragma once

// Two-letter code that picks translated package texts: one of
// "en", "fr", "es", "de", "it", "ja".
struct LanguageCode {
  wchar_t text[3] = {L'e', L'n', L'\0'};
};

// The code for an English language name ("German" -> "de"), compared as a
// whole and without regard to case; "en" for anything else or none.
LanguageCode LanguageCodeForName(const wchar_t* englishLanguageName);

// The code for the system default locale (not the user's).
void SelectLanguageCode(LanguageCode& code);
