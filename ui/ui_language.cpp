#include "ui_language.h"

#include "ui_language_rules.h"

namespace kestrow {

const LANGID UiLanguage = UiLanguageFor(::GetUserDefaultLangID());

} // namespace kestrow
