"""Checks every row of a database against its own _Validation table, the way a validation
tool would: column types and widths, nullability, key uniqueness, foreign keys, value ranges,
sets and the data categories of the Windows Installer."""

import re

_IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_.]*\Z")
_GUID = re.compile(r"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\Z")
_SHORT_NAME = re.compile(r"[^\\/:*?\"<>|+,;=\[\] ]{1,8}(\.[^\\/:*?\"<>|+,;=\[\] .]{1,3})?\Z")
_LONG_NAME = re.compile(r"[^\\/:*?\"<>|]+\Z")
_INTEGER_LIMITS = {2: 32767, 4: 2147483647}


def _balanced(text, opening, closing):
    depth = 0
    for character in text:
        depth += (character == opening) - (character == closing)
        if depth < 0:
            return False
    return depth == 0


def _filename(text):
    short, _, long_name = text.partition("|")
    return bool(_SHORT_NAME.match(short)) and (not long_name or bool(_LONG_NAME.match(long_name)))


def _default_dir(text):
    # "[target:]source", each side a file name or "." for the parent's folder; the root of
    # the tree is named by the source folder's property itself.
    return text in ("SourceDir", "SOURCEDIR") or all(
        part == "." or _filename(part) for part in text.split(":", 1))


def _version(text):
    parts = text.split(".")
    return 1 <= len(parts) <= 4 and all(p.isdigit() and int(p) <= 65535 for p in parts)


def _condition(text):
    return _balanced(text, "(", ")") and text.count('"') % 2 == 0


_CATEGORIES = {
    "Text": lambda text: True,
    "Formatted": lambda text: _balanced(text, "[", "]"),
    "KeyFormatted": lambda text: _balanced(text, "[", "]"),
    "Template": lambda text: _balanced(text, "[", "]"),
    "Condition": _condition,
    "Identifier": lambda text: bool(_IDENTIFIER.match(text)),
    "Property": lambda text: bool(_IDENTIFIER.match(text.lstrip("%"))),
    "CustomSource": lambda text: bool(_IDENTIFIER.match(text)),
    "Guid": lambda text: bool(_GUID.match(text)),
    "Version": _version,
    "Language": lambda text: all(part.isdigit() for part in text.split(",")),
    "Filename": _filename,
    "DefaultDir": _default_dir,
    "UpperCase": lambda text: text == text.upper(),
    "LowerCase": lambda text: text == text.lower(),
    "Binary": lambda text: True,
    "Cabinet": lambda text: True,
    "Shortcut": lambda text: True,
    "AnyPath": lambda text: True,
    "Path": lambda text: True,
    "Paths": lambda text: True,
    "RegPath": lambda text: True,
    "WildCardFilename": lambda text: True,
}


class _Rule:
    """One _Validation row: Table, Column, Nullable, MinValue, MaxValue, KeyTable, KeyColumn,
    Category, Set, Description."""

    def __init__(self, cells):
        (self.table, self.column, nullable, minimum, maximum, key_table, key_column,
         self.category, value_set, _) = cells
        self.nullable = nullable == "Y"
        self.minimum = int(minimum) if minimum else None
        self.maximum = int(maximum) if maximum else None
        self.key_tables = key_table.split(";") if key_table else []
        self.key_column = int(key_column) if key_column else None
        self.value_set = value_set.split(";") if value_set else None


def _cell_errors(rule, column_type, cell, tables):
    kind, width = column_type[0].lower(), int(column_type[1:])
    if cell == "":
        return [] if column_type[0].isupper() else ["null in a required column"]
    errors = []
    if kind == "i":
        if not re.fullmatch(r"-?\d+", cell):
            return ["not an integer"]
        value = int(cell)
        if abs(value) > _INTEGER_LIMITS[width]:
            errors.append("out of the column's range")
        if rule.minimum is not None and value < rule.minimum:
            errors.append("below MinValue %d" % rule.minimum)
        if rule.maximum is not None and value > rule.maximum:
            errors.append("above MaxValue %d" % rule.maximum)
    elif kind in "sl":
        if width and len(cell) > width:
            errors.append("longer than %d characters" % width)
        if rule.category and not _CATEGORIES.get(rule.category, lambda text: False)(cell):
            errors.append("not of category %s" % rule.category)
    if rule.value_set is not None and cell not in rule.value_set:
        errors.append("not in the set %s" % ";".join(rule.value_set))
    if rule.key_tables and not any(
            table in tables and cell in {row[rule.key_column - 1] for row in tables[table].rows}
            for table in rule.key_tables):
        errors.append("no row of %s holds it" % " or ".join(rule.key_tables))
    return errors


def validation_errors(tables):
    """Every fault found, as "Table.Column row N: what" texts; tables maps each table name to
    a readback.Table and must include _Validation."""
    rules = {(rule.table, rule.column): rule
             for rule in map(_Rule, tables["_Validation"].rows)}
    errors = []
    for name, table in sorted(tables.items()):
        key_indices = [table.columns.index(key) for key in table.keys]
        seen_keys = set()
        for number, row in enumerate(table.rows, 1):
            key = tuple(row[index] for index in key_indices)
            if key in seen_keys:
                errors.append("%s row %d: duplicate primary key %s" % (name, number, key))
            seen_keys.add(key)
        for index, column in enumerate(table.columns):
            rule = rules.get((name, column))
            if rule is None:
                errors.append("%s.%s: no _Validation row" % (name, column))
                continue
            if rule.nullable != table.types[index][0].isupper():
                errors.append("%s.%s: Nullable disagrees with the column's type %s"
                              % (name, column, table.types[index]))
            for number, row in enumerate(table.rows, 1):
                errors.extend("%s.%s row %d (%r): %s" % (name, column, number, row[index], fault)
                              for fault in _cell_errors(rule, table.types[index], row[index],
                                                        tables))
    return errors
