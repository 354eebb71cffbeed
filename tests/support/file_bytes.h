#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

// Whole-file helpers for tests, on the Win32 file calls.
bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool WriteFileText(const std::wstring& path, const std::string& text);
// Empty when the file cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path);
std::string ReadFileText(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Every file and folder below folder, as paths relative to it with
// backslashes; folders end with a backslash. Empty for a missing folder.
std::set<std::wstring> ListTree(const std::wstring& folder);

// A Windows path for a Linux path under Wine's Z: drive ("/a/b" -> "Z:\a\b").
std::wstring WinePathFromUnix(const std::string& unixPath);

// Reads the listing of every folder from the drive's root down to path.
// Reading a folder moves its access time forward once after each change
// (relatime); Wine's folder browser compares access times along the way to
// the folder it is asked to open at, and stops short when one moved while
// it walked. Settled before the browser opens, they stay put.
void SettleFolderTimes(const std::wstring& path);
