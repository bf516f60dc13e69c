#pragma once

// A file opened for the program's own writing, in the manner of the classic framework's file
// class: the open flags say how, and the file is closed when the object goes.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "win32_handle.h"

namespace kestrow {

class CStdioFile {
public:
    static constexpr UINT modeRead = 0x0000;
    static constexpr UINT modeWrite = 0x0001;
    static constexpr UINT modeCreate = 0x1000;
    static constexpr UINT typeBinary = 0x8000; // bytes pass unchanged, with no newline translation

    // Opens the file unshared: modeWrite for writing, else reading; modeCreate creates it or
    // empties an existing one, else it must exist. ERROR_SUCCESS or the system's error code.
    DWORD Open(const std::wstring& path, UINT openFlags);

    // Writes all the bytes at the current position. ERROR_SUCCESS or the system's error code.
    DWORD Write(std::span<const std::uint8_t> bytes);

    void Close() { file_.Reset(); }

private:
    FileHandle file_;
};

} // namespace kestrow
