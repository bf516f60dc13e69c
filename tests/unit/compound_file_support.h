#pragma once

// Writes test compound files the way the package layer writes its packages.

#include <filesystem>
#include <memory>

#include "compound_file_reader.h"
#include "compound_file_writer.h"
#include "file_io.h"

namespace test_support {

inline installer_db::ContainerError
OpenCompoundFile(const std::filesystem::path& path,
                 std::unique_ptr<installer_db::cfb::CompoundFileReader>& reader) {
    using namespace installer_db;
    std::unique_ptr<ReadOnlyFile> file;
    std::uint32_t systemError = 0;
    if (const ContainerError error = ReadOnlyFile::Open(path, file, systemError); Failed(error)) {
        return error;
    }
    return cfb::CompoundFileReader::Open(std::move(file), reader);
}

inline installer_db::ContainerError WriteCompoundFileAt(installer_db::cfb::NewCompoundFile& content,
                                                        const std::filesystem::path& path) {
    using namespace installer_db;
    std::unique_ptr<PendingFile> output;
    std::uint32_t systemError = 0;
    if (const ContainerError error = PendingFile::CreateFor(path, output, systemError);
        Failed(error)) {
        return error;
    }
    if (const ContainerError error = cfb::WriteCompoundFile(content, *output); Failed(error)) {
        return error;
    }
    return output->Publish(path, systemError);
}

} // namespace test_support
