#pragma once

#include <windows.h>

namespace kestrow {

// The language of the interface texts, chosen once from the user's default language before
// the entry point runs.
extern const LANGID UiLanguage;

} // namespace kestrow
