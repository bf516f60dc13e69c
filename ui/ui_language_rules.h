#pragma once

#include <cstdint>

namespace kestrow {

// The interface language for a user's default language. Only the primary language counts:
// every variant of a language with its own interface texts gets that language's one
// variant, and every other language gets US English.
std::uint16_t UiLanguageFor(std::uint16_t userDefaultLanguage);

} // namespace kestrow
