#pragma once

// Interface texts with places for values, such as "could not be saved to '%s'".

#include <initializer_list>
#include <string>
#include <string_view>

namespace kestrow {

// The pattern with each "%s" replaced by the next value, in order; a "%s" beyond the last
// value is left as it stands. Values are inserted as they are, so a '%' inside one is plain
// text.
std::wstring FillPlaceholders(std::wstring_view pattern,
                              std::initializer_list<std::wstring_view> values);

} // namespace kestrow
