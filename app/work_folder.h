#pragma once

#include <cstddef>
#include <string>

// Makes a fresh folder under the user's temporary folder, named by a new
// GUID in braces. Writes the path whenever capacity is at least 260
// characters; returns true when the folder was created.
bool CreateWorkFolder(wchar_t* path, std::size_t capacity);

// Deletes a folder with everything below it, however deep (items are
// addressed by \\?\ paths, not limited to MAX_PATH). Whatever cannot be
// deleted now (a file still open) is scheduled for deletion at the next
// restart. Returns false when the folder, or a folder below it, cannot be
// listed. Throws nothing, so guards may call it on the way out.
//
// Every item is opened without following links first and must be named by
// the path the walk found it under; one that leads elsewhere is left alone,
// neither deleted nor scheduled. Under Wine a symbolic link to a file shows
// no reparse attribute and every call on it reaches its target, so this is
// what keeps an installer's link from making the cleanup delete files
// elsewhere. A junction or symbolic link that is what it seems is removed
// as a link: the tree it points to is never entered.
bool RemoveFolderTree(const wchar_t* folder) noexcept;

// What the cleanup does with one item, by its attributes and by whether
// opening it without following links reached the item itself.
enum class FolderItemAction { RemoveFile, RemoveLink, Descend, Leave };
FolderItemAction ActionForFolderItem(unsigned long attributes, bool reachedItself);

// The \\?\ form of a full path, which the file calls take beyond MAX_PATH:
// "C:\W" gives "\\?\C:\W", "\\server\share\W" gives "\\?\UNC\server\share\W".
// A path already in that form, or a relative one, stays as it is.
std::wstring ExtendedLengthPath(const std::wstring& fullPath);

// Joins a folder and a name with one backslash ("C:\Work" and "C:\Work\"
// give the same result). False when the result would not fit capacity.
bool JoinFolderPath(const wchar_t* folder, const wchar_t* name, wchar_t* out, std::size_t capacity);
