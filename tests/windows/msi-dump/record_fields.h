#pragma once

#include <windows.h>

#include <msiquery.h>

#include <string>

// Reads record fields as the canonical dump writes them. Each returns ERROR_SUCCESS or the
// installer's error code.

// The field's text in UTF-8.
UINT ReadStringField(MSIHANDLE record, UINT field, std::string& text);

// A stream field as "stream:<length>:<sha-256>", read in bounded chunks; empty when null.
UINT ReadStreamField(MSIHANDLE record, UINT field, std::string& text);

// A cell's text with backslash, tab, carriage return and line feed escaped, so that a cell
// never breaks the tab-separated line it stands on.
std::string EscapeCell(const std::string& text);
