#pragma once

// The summary information of an identity package. Its package code names the installer's
// digest, which is ready only once the installer has been read; the stream's size is known
// at once, and its bytes are made when the writer reaches it, after the installer's stream.

#include <memory>

#include "byte_source.h"
#include "compound_file_reader.h"
#include "database_writer.h"
#include "installer_digest.h"
#include "installer_error.h"
#include "package_identity.h"
#include "summary_information.h"

namespace kestrow {

inline constexpr char16_t kSummaryStreamName[] = u"\u0005SummaryInformation";

// Gives the summary the identity's texts and the package code; kFunctionFailed when a text
// does not fit it.
installer_db::ErrorCode SetIdentitySummary(installer_db::SummaryInformation& summary,
                                           const PackageIdentity& identity,
                                           std::u16string_view packageCode);

// The template's stream with the identity's texts; kInstallPackageInvalid when the template
// has none, kFunctionFailed when a text does not fit it. The digest and identity must
// outlive the stream.
installer_db::ErrorCode IdentitySummaryStream(const installer_db::cfb::CompoundFileReader& database,
                                              const PackageIdentity& identity,
                                              InstallerDigest& digest,
                                              installer_db::RootStream& stream);

} // namespace kestrow
