#include "package_builder.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "binary_row.h"
#include "resource_file.h"
#include "win32_handle.h"

namespace kestrow {
namespace {

constexpr WORD kTemplateResourceId = 104;
constexpr const wchar_t* kTemplateResourceType = L"INSTALLER";
constexpr const wchar_t* kInstallerRowKey = L"Corvane";

// The console shows narrow text; a path is shown in the console's code page, or the
// system's when no console is attached.
std::string ConsoleText(const wchar_t* text) {
    UINT codePage = ::GetConsoleOutputCP();
    if (codePage == 0) {
        codePage = CP_ACP;
    }
    int size = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string converted(size > 0 ? size_t(size) : 1, '\0');
    ::WideCharToMultiByte(codePage, 0, text, -1, converted.data(), size, nullptr, nullptr);
    converted.resize(converted.size() - 1);
    return converted;
}

bool IdentifyFile(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& identity) {
    FileHandle file(::CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.IsValid() && ::GetFileInformationByHandle(file.Get(), &identity);
}

// An installer named like its package (Setup.msi converted into its own folder) would
// be deleted before it is read; the same volume and file index mean the same file,
// however the two paths are spelled.
bool AreSameFile(const wchar_t* installerPath, const wchar_t* packagePath) {
    BY_HANDLE_FILE_INFORMATION installer{};
    BY_HANDLE_FILE_INFORMATION package{};
    return IdentifyFile(installerPath, installer) && IdentifyFile(packagePath, package) &&
           installer.dwVolumeSerialNumber == package.dwVolumeSerialNumber &&
           installer.nFileIndexHigh == package.nFileIndexHigh &&
           installer.nFileIndexLow == package.nFileIndexLow;
}

void DeleteOldPackage(const wchar_t* packagePath) {
    if (::GetFileAttributesW(packagePath) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (!::DeleteFileW(packagePath)) {
        std::printf("Failed to delete file : %s with Error \r\n", ConsoleText(packagePath).c_str());
    }
}

} // namespace

std::uint32_t BuildPackage(const wchar_t* installerPath, const wchar_t* packagePath) {
    if (AreSameFile(installerPath, packagePath)) {
        return 1;
    }
    DeleteOldPackage(packagePath);
    if (!WriteResourceToFile(kTemplateResourceId, kTemplateResourceType, packagePath)) {
        return 1;
    }
    return AssignBinaryRow(packagePath, kInstallerRowKey, installerPath);
}

} // namespace kestrow
