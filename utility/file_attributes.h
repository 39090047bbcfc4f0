// Setting the same attributes on every entry of one folder.
#pragma once

#include "platform/win32.h"

namespace ombrel {

/// Size of the entry list buffer: 1,023 characters and the NUL.
inline constexpr size_t kEntryListSize = 1024;

/// ListFolderEntries result for a folder whose list (or search pattern) does
/// not fit its buffer.
inline constexpr int kEntryListTooLong = -1;

/// Puts the names of the entries of `folder` that are longer than two
/// characters into `list`, joined by "," (the list may begin with one), and
/// returns how many there are. 0 when the folder cannot be searched;
/// kEntryListTooLong when the pattern or the list would not fit.
int ListFolderEntries(LPCSTR folder, char (&list)[kEntryListSize]);

}  // namespace ombrel
