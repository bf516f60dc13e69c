#pragma once

// The file-type filter of a file dialog, written in the framework's one-string form
// "Name|Pattern|Name|Pattern||", and taken apart into the entries that the system's file
// dialog wants.

#include <string>
#include <string_view>
#include <vector>

namespace kestrow {

struct FileTypeFilter {
    std::wstring name;    // what the dialog lists, such as "Eula Files (*.rtf)"
    std::wstring pattern; // the files it shows, such as "*.rtf"
};

// Pairs up the parts between the bars, up to the first empty name; a name whose pattern is
// missing or empty ends the list without an entry.
std::vector<FileTypeFilter> ParseFileTypeFilter(std::wstring_view filter);

} // namespace kestrow
