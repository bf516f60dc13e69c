#pragma once

// The main window's decisions, as functions of its four inputs (the three fields' texts and
// the Accept box), the file system's answer to whether a path exists and nothing else. The
// window moves texts and states between its controls and these functions.

#include <functional>
#include <optional>
#include <string>

#include "package_name.h"

namespace kestrow {

// Whether something (a file or a folder) exists at a path.
using PathExists = std::function<bool(const std::wstring& path)>;

// The Accept rule: Convert is enabled exactly when the box is ticked and the folder field holds
// at least one character; the folder field and its Browse button exactly when the installer
// field does. A blank counts as a character.
bool ConvertEnabled(bool accepted, const std::wstring& folderText);
bool FolderControlsEnabled(const std::wstring& installerText);
// After a choice in one of the browsers: Convert is enabled when the box is ticked and the other
// field holds more than white space; otherwise it is left as it is.
bool ChoiceEnablesConvert(bool accepted, const std::wstring& otherFieldText);

// The field that a failed check sends the user back to.
enum class InputField { Installer, Folder, PackageName };

// One failed check: the string that explains it, its message box icon and the field that then
// takes the focus.
struct InputFault {
    unsigned messageId;
    unsigned iconStyle;
    InputField focus;

    bool operator==(const InputFault&) const = default;
};

struct ConvertInputs {
    std::wstring installerText;
    std::wstring folderText;
    std::wstring packageNameText;
};

// The checks of Convert in their order: the package name, the folder, the installer's
// existence, then its type. The first that fails, or none.
std::optional<InputFault> FirstConvertFault(const ConvertInputs& inputs, const PathExists& exists);

// The check run when the focus enters the folder field: the installer field must name an
// existing ".exe" path. The fault, or none.
std::optional<InputFault> FolderEntryFault(const std::wstring& installerText,
                                           const PathExists& exists);

// The folder text as typed, one backslash, the file name: nothing else is added or removed.
std::wstring PackagePath(const std::wstring& folderText, const std::wstring& packageFileName);

// The name a chosen installer suggests: its file name as stored on disk without the last
// extension, plus ".msi".
std::wstring DefaultPackageName(const std::wstring& installerFileName);

} // namespace kestrow
