#include "file_dialog_filter.h"

namespace kestrow {

namespace {

// The part before the next bar, or the rest of the text when no bar follows.
std::wstring_view TakePart(std::wstring_view& rest) {
    const std::size_t bar = rest.find(L'|');
    const std::wstring_view part = rest.substr(0, bar);
    rest.remove_prefix(bar == std::wstring_view::npos ? rest.size() : bar + 1);
    return part;
}

} // namespace

std::vector<FileTypeFilter> ParseFileTypeFilter(std::wstring_view filter) {
    std::vector<FileTypeFilter> entries;
    while (!filter.empty()) {
        const std::wstring_view name = TakePart(filter);
        const std::wstring_view pattern = TakePart(filter);
        if (name.empty() || pattern.empty()) {
            break;
        }
        entries.push_back({std::wstring(name), std::wstring(pattern)});
    }
    return entries;
}

} // namespace kestrow
