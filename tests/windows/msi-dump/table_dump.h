#pragma once

#include <windows.h>

#include <msiquery.h>

#include <string>

// Appends every table of the database to the dump, tables in name order. For each table:
//   table<TAB>name, columns<TAB>..., types<TAB>..., keys<TAB>..., then row<TAB>cells... lines
// sorted by their text. Integers are decimal, null cells empty, stream cells
// "stream:<length>:<sha-256>". Returns ERROR_SUCCESS or the installer's error code.
UINT DumpTables(MSIHANDLE database, std::string& dump);
