#pragma once

// Writes test compound files the way the package layer writes its packages.

#include <filesystem>
#include <memory>

#include "compound_file_writer.h"
#include "file_io.h"

namespace test_support {

inline installer_db::ErrorCode WriteCompoundFileAt(installer_db::cfb::NewCompoundFile& content,
                                                   const std::filesystem::path& path) {
    using namespace installer_db;
    std::unique_ptr<PendingFile> output;
    if (const ErrorCode error = PendingFile::CreateFor(path, output)) {
        return error;
    }
    if (const ErrorCode error = cfb::WriteCompoundFile(content, *output)) {
        return error;
    }
    std::uint32_t systemError = 0;
    return output->Publish(path, systemError);
}

} // namespace test_support
