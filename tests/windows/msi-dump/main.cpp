// msi-dump: prints a canonical text form of an installer database as Wine's msi.dll reads it,
// so that the system tests can compare what our writer produced through an independent reader.
// Usage: msi-dump <database>. Exit code 0, or the installer's error code after a message.
#include "msi_handle.h"
#include "summary_dump.h"
#include "table_dump.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: msi-dump <database>\n");
        return ERROR_INVALID_PARAMETER;
    }
    MsiHandle database;
    UINT result = MsiOpenDatabaseW(argv[1], MSIDBOPEN_READONLY, database.Receive());
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "msi-dump: cannot open the database (error %u)\n", result);
        return static_cast<int>(result);
    }
    std::string dump;
    result = DumpTables(database.Get(), dump);
    if (result == ERROR_SUCCESS) {
        result = DumpSummary(database.Get(), dump);
    }
    if (result != ERROR_SUCCESS) {
        std::fprintf(stderr, "msi-dump: cannot read the database (error %u)\n", result);
        return static_cast<int>(result);
    }
    // The dump's bytes are compared exactly, so no "\n" may become "\r\n" on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(dump.data(), 1, dump.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : static_cast<int>(ERROR_WRITE_FAULT);
}
