#include "ui_text_format.h"

namespace kestrow {

std::wstring FillPlaceholders(std::wstring_view pattern,
                              std::initializer_list<std::wstring_view> values) {
    constexpr std::wstring_view kPlaceholder = L"%s";
    std::wstring text;
    auto value = values.begin();
    for (std::size_t at = pattern.find(kPlaceholder);
         at != std::wstring_view::npos && value != values.end(); at = pattern.find(kPlaceholder)) {
        text.append(pattern.substr(0, at)).append(*value++);
        pattern.remove_prefix(at + kPlaceholder.size());
    }
    return text.append(pattern);
}

} // namespace kestrow
