#pragma once

// The installer that a package carries, read from its stream: its size and digest in one
// pass, its version resource and signature in a few small reads.

#include <cstddef>

#include "compound_file_reader.h"
#include "package_report.h"

namespace kestrow::inspect {

// The stream's bytes failing to read give their error; a damaged version resource or
// signature is a fact about the installer, not a failure.
installer_db::ContainerError ReadInstallerFacts(const installer_db::cfb::CompoundFileReader& reader,
                                                std::size_t stream, InstallerFacts& facts);

} // namespace kestrow::inspect
