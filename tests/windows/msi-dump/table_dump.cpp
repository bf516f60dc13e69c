#include "table_dump.h"

#include "msi_handle.h"
#include "record_fields.h"

#include <algorithm>
#include <vector>

namespace {

// Table names are identifiers of ASCII letters, digits, "_" and ".".
std::wstring Widened(const std::string& identifier) {
    return std::wstring(identifier.begin(), identifier.end());
}

// Runs a query and hands every fetched record to the visitor.
template <typename Visitor> UINT ForEachRecord(MSIHANDLE view, Visitor visit) {
    for (;;) {
        MsiHandle record;
        const UINT result = MsiViewFetch(view, record.Receive());
        if (result == ERROR_NO_MORE_ITEMS) {
            return ERROR_SUCCESS;
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        if (const UINT visited = visit(record.Get()); visited != ERROR_SUCCESS) {
            return visited;
        }
    }
}

UINT OpenExecutedView(MSIHANDLE database, const std::wstring& query, MsiHandle& view) {
    UINT result = MsiDatabaseOpenViewW(database, query.c_str(), view.Receive());
    if (result == ERROR_SUCCESS) {
        result = MsiViewExecute(view.Get(), 0);
    }
    return result;
}

UINT ListTables(MSIHANDLE database, std::vector<std::string>& names) {
    MsiHandle view;
    UINT result = OpenExecutedView(database, L"SELECT `Name` FROM `_Tables`", view);
    if (result == ERROR_SUCCESS) {
        result = ForEachRecord(view.Get(), [&names](MSIHANDLE record) {
            std::string name;
            const UINT read = ReadStringField(record, 1, name);
            names.push_back(name);
            return read;
        });
    }
    std::sort(names.begin(), names.end());
    return result;
}

// All fields of a record from field `first` on, as tab-separated escaped texts.
UINT JoinedStrings(MSIHANDLE record, UINT first, std::string& line) {
    const UINT count = MsiRecordGetFieldCount(record);
    for (UINT field = first; field <= count; ++field) {
        std::string text;
        if (const UINT result = ReadStringField(record, field, text); result != ERROR_SUCCESS) {
            return result;
        }
        line += '\t';
        line += EscapeCell(text);
    }
    return ERROR_SUCCESS;
}

UINT ReadCell(MSIHANDLE record, UINT field, char typeLetter, std::string& cell) {
    switch (typeLetter) {
    case 'v':
    case 'V':
        return ReadStreamField(record, field, cell);
    case 'i':
    case 'I':
        cell = MsiRecordIsNull(record, field) ? std::string()
                                              : std::to_string(MsiRecordGetInteger(record, field));
        return ERROR_SUCCESS;
    default: {
        const UINT result = ReadStringField(record, field, cell);
        cell = EscapeCell(cell);
        return result;
    }
    }
}

struct TableShape {
    std::string header;      // the columns, types and keys lines
    std::string typeLetters; // one letter per column
};

UINT ColumnInfoLine(MSIHANDLE view, MSICOLINFO kind, std::string& line) {
    MsiHandle info;
    const UINT result = MsiViewGetColumnInfo(view, kind, info.Receive());
    return result == ERROR_SUCCESS ? JoinedStrings(info.Get(), 1, line) : result;
}

UINT PrimaryKeysLine(MSIHANDLE database, const std::string& table, std::string& line) {
    MsiHandle keys;
    const UINT result =
        MsiDatabaseGetPrimaryKeysW(database, Widened(table).c_str(), keys.Receive());
    return result == ERROR_SUCCESS ? JoinedStrings(keys.Get(), 1, line) : result;
}

UINT DescribeTable(MSIHANDLE database, MSIHANDLE view, const std::string& name, TableShape& shape) {
    std::string columns = "columns", types = "types", keys = "keys";
    UINT result = ColumnInfoLine(view, MSICOLINFO_NAMES, columns);
    if (result == ERROR_SUCCESS) {
        result = ColumnInfoLine(view, MSICOLINFO_TYPES, types);
    }
    if (result == ERROR_SUCCESS) {
        result = PrimaryKeysLine(database, name, keys);
    }
    for (std::size_t tab = types.find('\t'); tab != std::string::npos;
         tab = types.find('\t', tab + 1)) {
        shape.typeLetters += types[tab + 1];
    }
    shape.header = columns + "\n" + types + "\n" + keys + "\n";
    return result;
}

UINT DumpTable(MSIHANDLE database, const std::string& name, std::string& dump) {
    MsiHandle view;
    UINT result = OpenExecutedView(database, L"SELECT * FROM `" + Widened(name) + L"`", view);
    TableShape shape;
    if (result == ERROR_SUCCESS) {
        result = DescribeTable(database, view.Get(), name, shape);
    }
    std::vector<std::string> rows;
    if (result == ERROR_SUCCESS) {
        result = ForEachRecord(view.Get(), [&](MSIHANDLE record) {
            std::string row = "row";
            for (UINT field = 1; field <= shape.typeLetters.size(); ++field) {
                std::string cell;
                if (const UINT read = ReadCell(record, field, shape.typeLetters[field - 1], cell);
                    read != ERROR_SUCCESS) {
                    return read;
                }
                row += '\t';
                row += cell;
            }
            row += '\n';
            rows.push_back(std::move(row));
            return static_cast<UINT>(ERROR_SUCCESS);
        });
    }
    std::sort(rows.begin(), rows.end());
    dump += "table\t";
    dump += name;
    dump += '\n';
    dump += shape.header;
    for (const std::string& row : rows) {
        dump += row;
    }
    return result;
}

} // namespace

UINT DumpTables(MSIHANDLE database, std::string& dump) {
    std::vector<std::string> names;
    UINT result = ListTables(database, names);
    for (std::size_t i = 0; result == ERROR_SUCCESS && i < names.size(); ++i) {
        result = DumpTable(database, names[i], dump);
    }
    return result;
}
