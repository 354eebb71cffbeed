#pragma once

// The install log that "/log:<path>" asks for: what a run did, one line per
// step, appended to a text file that Notepad and Configuration Manager's log
// viewer both read: UTF-8, with a byte order mark when the file is new, and
// CRLF line ends. Each line starts with the local time and is written to the
// file at once, so a run that is killed leaves what it had written; each run
// starts with a separator line, so several runs may share one file. The log
// never changes the run: a log that cannot be opened or written is skipped.
// Without a log every call returns at once.

// Opens the log (made when it does not exist) and writes the separator line.
// Nothing for an empty path.
void OpenInstallLog(const wchar_t* path);
bool InstallLogActive();

// One line: an ASCII format (narrow, so the messages take half the room in
// the file) whose fields and arguments are those of wsprintfW, so %s takes
// a wide string and %S a narrow one (at most 1,024 characters in all).
void LogLine(const char* format, ...);
// One line of an ASCII label and a text of any length (a path, a command
// line).
void LogText(const char* label, const wchar_t* text);

