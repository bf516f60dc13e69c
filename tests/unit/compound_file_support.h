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

// Every stream of an open file, in its order, as entries to write again, under a root with the
// file's root attributes.
inline installer_db::ContainerError CopyStreams(installer_db::cfb::CompoundFileReader& file,
                                                installer_db::cfb::NewCompoundFile& content) {
    using namespace installer_db;
    content.root = file.Entries()[0].attributes;
    for (std::size_t i = 1; i < file.Entries().size(); ++i) {
        cfb::NewEntry stream;
        stream.name = file.Entries()[i].name;
        stream.size = file.Entries()[i].size;
        if (const ContainerError error = file.OpenStream(i, stream.source); Failed(error)) {
            return error;
        }
        content.entries.push_back(std::move(stream));
    }
    return ContainerError::None;
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
