#pragma once

#include <string>
#include <string_view>

// A UTF-16 text as a JSON string literal in UTF-8, quotes included.
std::string JsonString(std::wstring_view text);
