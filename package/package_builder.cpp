#include "package_builder.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "installer_database.h"
#include "resource_file.h"

namespace kestrow {
namespace {

constexpr WORD kTemplateResourceId = 104;
constexpr const wchar_t* kTemplateResourceType = L"INSTALLER";
constexpr const wchar_t* kInstallerRowKey = L"Corvane";
constexpr const wchar_t* kBinaryTableQuery = L"SELECT * FROM Binary";

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

void DeleteOldPackage(const wchar_t* packagePath) {
    if (::GetFileAttributesW(packagePath) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (!::DeleteFileW(packagePath)) {
        std::printf("Failed to delete file : %s with Error \r\n", ConsoleText(packagePath).c_str());
    }
}

// Declaration order makes the record, then the view, then the database close on every
// return, so a failed build leaves no database open on the package.
std::uint32_t StoreInstaller(const wchar_t* installerPath, const wchar_t* packagePath) {
    using namespace installer_db;
    std::unique_ptr<Database> database;
    if (ErrorCode error = Database::Open(packagePath, OpenMode::Transact, database)) {
        return error;
    }
    std::unique_ptr<View> view;
    if (ErrorCode error = database->OpenView(kBinaryTableQuery, view)) {
        return error;
    }
    Record record(2);
    if (ErrorCode error = record.SetString(1, kInstallerRowKey)) {
        return error;
    }
    if (ErrorCode error = record.SetStream(2, installerPath)) {
        return error;
    }
    if (ErrorCode error = view->Execute(&record)) {
        return error;
    }
    if (ErrorCode error = view->Modify(ModifyMode::Assign, record)) {
        return error;
    }
    return database->Commit();
}

} // namespace

std::uint32_t BuildPackage(const wchar_t* installerPath, const wchar_t* packagePath) {
    DeleteOldPackage(packagePath);
    if (!WriteResourceToFile(kTemplateResourceId, kTemplateResourceType, packagePath)) {
        return 1;
    }
    return StoreInstaller(installerPath, packagePath);
}

} // namespace kestrow
