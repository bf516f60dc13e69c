#pragma once

// The product a package's tables name, and the identity they were made from when the
// package is a product of its own.

#include <optional>

#include "database_contents.h"
#include "package_identity.h"
#include "package_report.h"
#include "summary_information.h"

namespace kestrow::inspect {

// The template's contents tell whether the package keeps the template's product.
ProductFacts ProductFactsOf(const DatabaseContents& package, const DatabaseContents& templ,
                            const std::optional<installer_db::SummaryInformation>& summary);

// The options that a Kestrow package of its own product was made with, as its tables hold
// them; whether they really made it shows when its template is rebuilt with them.
PackageIdentity IdentityOf(const DatabaseContents& package);

} // namespace kestrow::inspect
