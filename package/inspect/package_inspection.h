#pragma once

// Inspects a package: the soundness of its compound file, whether it is the template it
// claims to come from, its product, the installer inside and the signatures. Every length
// and offset is checked against the file, so a damaged package gives a verdict, never a
// crash, in memory bounded by its tables and directory.

#include <memory>
#include <span>

#include "package_report.h"
#include "readable_bytes.h"

namespace kestrow::inspect {

PackageReport InspectPackage(std::unique_ptr<const installer_db::ReadableBytes> package,
                             std::span<const std::byte> templateDatabase);

} // namespace kestrow::inspect
