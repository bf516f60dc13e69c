#pragma once

#include "installer_error.h"

#include <libmsi.h>

#include <filesystem>
#include <vector>

// The text archive files (*.idt) of a source folder in the order they must be imported: the
// code page file "_ForceCodepage.idt" first, so that every later string is stored under that
// code page, then the tables in sorted name order, so that the result never depends on the
// order in which the file system lists them.
installer_db::ErrorCode ListTableSources(const std::filesystem::path& sourceDir,
                                         std::vector<std::filesystem::path>& sources);

// Imports the files into the database. A stream column's cell names a file in the folder
// <sourceDir>/<Table>/, as the text archive format defines.
installer_db::ErrorCode ImportTableSources(LibmsiDatabase* database,
                                           const std::filesystem::path& sourceDir,
                                           const std::vector<std::filesystem::path>& sources);
