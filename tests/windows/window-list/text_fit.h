#pragma once

// Whether a control's text shows whole: measured in the control's own font against the room
// its client rectangle leaves for the text.

#include <windows.h>

#include <optional>
#include <string>

// Nothing for controls that show no text of their own (edit fields, pictures, frames).
std::optional<bool> TextFits(HWND control, const std::wstring& className, const std::wstring& text);
