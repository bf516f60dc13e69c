// test-printer: a printer for the GUI tests, whose print jobs land in a file.
//
//   test-printer.exe install NAME FILE   adds the printer NAME and makes it the default; Wine
//                                        writes each of its jobs, as PostScript, to the Unix
//                                        file FILE (replaced by every job)
//   test-printer.exe remove NAME         removes the printer NAME, when it is there
//
// Wine offers the printers of a print server and no others, so a machine without one has no
// printer at all. Its local port monitor writes the jobs of a port whose name starts with "/"
// straight into that Unix file, and its PostScript driver needs nothing but a printer
// description (PPD): the generic one that Wine falls back on for a server's printer that comes
// without one serves here too. It is a resource of winspool.drv.
#include <windows.h>

#include <winspool.h>

#include "win32_handle.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace {

struct PrinterTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle printer) { ::ClosePrinter(printer); }
};
using Printer = kestrow::UniqueHandle<PrinterTraits>;

// The spooler takes these as non-const strings but does not change them.
wchar_t kPostScriptDriver[] = L"wineps.drv";
wchar_t kRawData[] = L"RAW";             // the driver's PostScript, passed on unchanged
wchar_t kPrintProcessor[] = L"winprint"; // the processor that passes RAW jobs to the port

int Failed(const char* call) {
    std::fprintf(stderr, "test-printer: %s failed (error %lu)\n", call, ::GetLastError());
    return 1;
}

// The generic printer description as winspool.drv carries it (NULs may pad it).
std::string_view WinePrinterDescription(HMODULE spooler) {
    const HRSRC found = ::FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE");
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(spooler, found) : nullptr;
    const char* text =
        loaded != nullptr ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (text == nullptr) {
        return {};
    }
    const std::string_view resource(text, ::SizeofResource(spooler, found));
    return resource.substr(0, resource.find('\0'));
}

bool WriteFileText(const std::wstring& path, std::string_view text) {
    const kestrow::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() &&
           ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size();
}

// The printer description in a file of its own, deleted again with this owner.
class DescriptionFile {
public:
    explicit DescriptionFile(std::wstring path) : path_(std::move(path)) {}
    ~DescriptionFile() { ::DeleteFileW(path_.c_str()); }
    DescriptionFile(const DescriptionFile&) = delete;
    DescriptionFile& operator=(const DescriptionFile&) = delete;

    bool Write() const {
        const kestrow::Library spooler(
            ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE));
        const std::string_view text =
            spooler.IsValid() ? WinePrinterDescription(spooler.Get()) : std::string_view();
        return !text.empty() && WriteFileText(path_, text);
    }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

std::wstring TemporaryPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, length) + name + L".ppd";
}

// A driver of the printer's own name, as Wine makes for a print server's printers: the
// PostScript driver with the description, which the spooler copies to its driver folder.
bool AddDriver(std::wstring& name, std::wstring& description) {
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = name.data();
    driver.pDriverPath = kPostScriptDriver;
    driver.pConfigFile = kPostScriptDriver;
    driver.pDataFile = description.data();
    driver.pDefaultDataType = kRawData;
    return ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                                 APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) ||
           ::GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
}

int Remove(const std::wstring& name) {
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE opened = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &opened, &access)) {
        return ::GetLastError() == ERROR_INVALID_PRINTER_NAME ? 0 : Failed("OpenPrinterW");
    }
    const Printer printer(opened);
    return ::DeletePrinter(printer.Get()) ? 0 : Failed("DeletePrinter");
}

int Install(std::wstring name, std::wstring output) {
    if (Remove(name) != 0) { // an earlier installation, perhaps to another file, gives way
        return 1;
    }
    const DescriptionFile description(TemporaryPath(name));
    std::wstring descriptionPath = description.Path();
    if (!description.Write()) {
        return Failed("writing the printer description");
    }
    if (!AddDriver(name, descriptionPath)) {
        return Failed("AddPrinterDriverExW");
    }
    PRINTER_INFO_2W info{};
    info.pPrinterName = name.data();
    info.pPortName = output.data();
    info.pDriverName = name.data();
    info.pPrintProcessor = kPrintProcessor;
    info.pDatatype = kRawData;
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    const Printer printer(::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
    if (!printer.IsValid()) {
        return Failed("AddPrinterW");
    }
    return ::SetDefaultPrinterW(name.c_str()) ? 0 : Failed("SetDefaultPrinterW");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring_view command = argc > 1 ? argv[1] : L"";
    if (command == L"install" && argc == 4) {
        return Install(argv[2], argv[3]);
    }
    if (command == L"remove" && argc == 3) {
        return Remove(argv[2]);
    }
    std::fputs("usage: test-printer install NAME FILE | test-printer remove NAME\n", stderr);
    return 2;
}
