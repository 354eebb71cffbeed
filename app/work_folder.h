#pragma once

#include <cstddef>

// Makes a fresh folder under the user's temporary folder, named by a new
// GUID in braces. Writes the path whenever capacity is at least 260
// characters; returns true when the folder was created.
bool CreateWorkFolder(wchar_t* path, std::size_t capacity);

// Deletes a folder with everything below it. Whatever cannot be deleted now
// (a file still open) is scheduled for deletion at the next restart. Returns
// false when the folder, or a folder below it, cannot be listed.
//
// A junction or symbolic link below the folder is removed as a link: the
// tree it points to is never entered, so an installer that leaves a link in
// the work folder cannot make the cleanup delete files elsewhere.
bool RemoveFolderTree(const wchar_t* folder);

// What the cleanup does with one item, by its attributes.
enum class FolderItemAction { RemoveFile, RemoveLink, Descend };
FolderItemAction ActionForFolderItem(unsigned long attributes);

// Joins a folder and a name with one backslash ("C:\Work" and "C:\Work\"
// give the same result). False when the result would not fit capacity.
bool JoinFolderPath(const wchar_t* folder, const wchar_t* name, wchar_t* out, std::size_t capacity);
