"""The template database that Kestrow embeds, read back from the generated file by msitools
and by a direct reading of its container: identity, binding tables row for row, the wizard's
shape, and every row valid against the database's own _Validation table."""

import os
import re
import struct
import unittest
import uuid

import expected_template as expected
from readback import compound_file, readback, validation

TEMPLATE = os.environ["KESTROW_TEMPLATE"]
INSTALLER_PACKAGE_CLASS = uuid.UUID("000C1084-0000-0000-C000-000000000046")


def setUpModule():
    global CONTAINER, TABLES
    with open(TEMPLATE, "rb") as source:
        CONTAINER = compound_file.CompoundFile(source.read())
    TABLES = {name: readback.read_table(TEMPLATE, name) for name in readback.table_names(TEMPLATE)}


def rows(name):
    return sorted(tuple(row) for row in TABLES[name].rows)


def column(name, column_name):
    table = TABLES[name]
    index = table.columns.index(column_name)
    return [row[index] for row in table.rows]


class Container(unittest.TestCase):
    def test_header_is_a_version_3_compound_file_of_512_byte_sectors(self):
        header = CONTAINER.header
        self.assertEqual(header.signature, bytes.fromhex("D0CF11E0A1B11AE1"))
        self.assertEqual((header.major_version, header.minor_version, header.byte_order),
                         (3, 0x003E, 0xFFFE))
        self.assertEqual((header.sector_shift, header.mini_sector_shift,
                          header.mini_stream_cutoff), (9, 6, 4096))
        self.assertEqual(CONTAINER.root.clsid, INSTALLER_PACKAGE_CLASS)
        self.assertEqual(len(CONTAINER.data) % 512, 0)

    def test_root_holds_the_expected_streams_and_no_storage(self):
        tables_with_rows = [name for name in expected.TABLES if name not in expected.EMPTY_TABLES]
        wanted = (["\x05SummaryInformation", "_StringPool", "_StringData", "_Tables", "_Columns",
                   "Icon.ARPPRODUCTICON.exe"] + tables_with_rows
                  + ["Binary." + key for key in expected.BINARY_KEYS])
        self.assertEqual(CONTAINER.storages(), [])
        self.assertEqual(sorted(entry.name for entry in CONTAINER.streams()), sorted(wanted))
        self.assertEqual(len(CONTAINER.entries), 52)
        for entry in CONTAINER.streams():
            self.assertEqual(compound_file.is_table_stream(entry.raw_name),
                             entry.name in tables_with_rows + ["_StringPool", "_StringData",
                                                               "_Tables", "_Columns"], entry.name)

    def test_string_pool_is_code_page_1252_with_short_references(self):
        low, high = struct.unpack_from("<HH", CONTAINER.stream("_StringPool"))
        self.assertEqual(low | ((high & 0x7FFF) << 16), 1252)
        self.assertFalse(high & 0x8000, "string references must be 2 bytes wide")

    def test_installer_slot_is_an_empty_stream(self):
        self.assertEqual(CONTAINER.stream("Binary.Corvane"), b"")


class SummaryInformation(unittest.TestCase):
    def test_binding_properties(self):
        properties = readback.summary_properties(TEMPLATE)
        self.assertEqual(properties[1], ("i2", 1252))
        for prop_id, text in [(2, "Installation Database"), (3, "Blank Project Template"),
                              (4, "Tellwright Corporation"), (5, "Installer,MSI,Database"),
                              (6, "Contact:  Your local administrator"), (7, "Intel;1033"),
                              (9, "{D5BA1804-9909-40D0-ABEB-4FA0C2DD2DCD}")]:
            self.assertEqual(properties[prop_id], ("string", text.encode("cp1252")), prop_id)
        self.assertEqual([properties[prop_id] for prop_id in (14, 15, 19)],
                         [("i4", 200), ("i4", 0), ("i4", 1)])
        self.assertEqual(sorted(properties), [1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16,
                                              18, 19])


class BindingTables(unittest.TestCase):
    def test_exactly_the_34_tables(self):
        self.assertEqual(sorted(TABLES), sorted(expected.TABLES))
        for name in expected.EMPTY_TABLES:
            self.assertEqual(TABLES[name].rows, [], name)

    def test_column_definitions(self):
        for name, (columns, types) in expected.COLUMNS.items():
            self.assertEqual((TABLES[name].columns, TABLES[name].types), (columns, types), name)

    def test_binary_rows_and_their_streams(self):
        self.assertEqual(sorted(column("Binary", "Name")), sorted(expected.BINARY_KEYS))
        for key, stream in zip(column("Binary", "Name"), column("Binary", "Data")):
            self.assertEqual(stream, "Binary." + key)
            self.assertTrue(key == "Corvane" or CONTAINER.stream("Binary." + key), key)

    def test_custom_actions(self):
        self.assertEqual(rows("CustomAction"), expected.CUSTOM_ACTION)

    def test_sequences(self):
        for name, wanted in [("InstallExecuteSequence", expected.INSTALL_EXECUTE),
                             ("AdminExecuteSequence", expected.ADMIN_EXECUTE),
                             ("AdvtExecuteSequence", expected.ADVT_EXECUTE),
                             ("InstallUISequence", expected.INSTALL_UI),
                             ("AdminUISequence", expected.ADMIN_UI)]:
            self.assertEqual(rows(name), wanted, name)

    def test_upgrade_feature_directory_and_icon(self):
        self.assertEqual(rows("Upgrade"), expected.UPGRADE)
        self.assertEqual(rows("Feature"), expected.FEATURE)
        self.assertEqual(rows("Directory"), expected.DIRECTORY)
        self.assertEqual(rows("Icon"), [("ARPPRODUCTICON.exe", "Icon.ARPPRODUCTICON.exe")])
        self.assertEqual(CONTAINER.stream("Icon.ARPPRODUCTICON.exe")[:2], b"MZ")

    def test_properties(self):
        properties = dict(rows("Property"))
        for name, value in expected.PROPERTIES.items():
            self.assertEqual(properties.get(name), value, name)
        secure = properties["SecureCustomProperties"].split(";")
        self.assertTrue(set(expected.SECURE_CUSTOM_PROPERTIES) <= set(secure), secure)
        self.assertRegex(properties["ARPURLINFOABOUT"], r"\Ahttps?://[^\s/]+\.[^\s]+\Z")
        self.assertRegex(properties["DWUSLINK"], r"\A[0-9A-F]{76}\Z")
        for name in expected.PROGRESS_MESSAGE_PROPERTIES:
            self.assertTrue(properties.get(name), name)
        self.assertEqual(len(properties), len(expected.PROPERTIES) + 3
                         + len(expected.PROGRESS_MESSAGE_PROPERTIES))


class Wizard(unittest.TestCase):
    def test_thirty_dialogs_with_their_titles_and_sizes(self):
        dialogs = {row[0]: row for row in TABLES["Dialog"].rows}
        self.assertEqual(sorted(dialogs), sorted(expected.DIALOGS))
        index = {name: TABLES["Dialog"].columns.index(name)
                 for name in ("Width", "Height", "Title")}
        for name, row in dialogs.items():
            size = {"SetupError": ("270", "110"), "CancelSetup": ("260", "85")}.get(
                name, ("374", "266"))
            self.assertEqual((row[index["Width"]], row[index["Height"]]), size, name)
            title = {"PatchWelcome": "[ProductName] Patch - InstallShield Wizard",
                     "SetupError": "[ProductName] Installer Information"}.get(
                name, "[ProductName] - InstallShield Wizard")
            self.assertEqual(row[index["Title"]], title, name)

    def control_events(self, dialog):
        table = TABLES["ControlEvent"]
        return [dict(zip(table.columns, row)) for row in table.rows if row[0] == dialog]

    def test_first_installation_goes_from_welcome_straight_to_ready(self):
        targets = {(event["Control_"], event["Event"], event["Argument"])
                   for event in self.control_events("InstallWelcome")}
        self.assertIn(("Next", "NewDialog", "ReadyToInstall"), targets)
        back = [row for row in TABLES["Control"].rows if row[:2] == ["InstallWelcome", "Back"]]
        attributes = int(back[0][TABLES["Control"].columns.index("Attributes")])
        self.assertFalse(attributes & 2, "Back must be disabled")

    def test_the_dialogs_that_are_never_shown_cannot_be_reached(self):
        dialogs = set(column("Dialog", "Dialog"))
        reached = {row[0] for name in ("InstallUISequence", "AdminUISequence", "AdvtUISequence")
                   for row in TABLES[name].rows if row[0] in dialogs}
        reached |= {"SetupError", "CancelSetup", "FilesInUse", "MsiRMFilesInUse", "OutOfSpace"}
        events = [dict(zip(TABLES["ControlEvent"].columns, row))
                  for row in TABLES["ControlEvent"].rows]
        growing = True
        while growing:
            targets = {event["Argument"] for event in events if event["Dialog_"] in reached
                       and event["Event"] in ("NewDialog", "SpawnDialog", "SpawnWaitDialog")}
            growing = not targets <= reached
            reached |= targets
        never_shown = {"LicenseAgreement", "DestinationFolder", "DatabaseFolder",
                       "CustomerInformation"}
        self.assertEqual(reached & never_shown, set())

    def test_custom_actions_run_only_from_their_buttons(self):
        calls = sorted((row[0], row[1], row[3], row[4]) for row in TABLES["ControlEvent"].rows
                       if row[2] == "DoAction")
        self.assertEqual(calls, expected.DO_ACTION_EVENTS)

    def test_maintenance_type_chooses_change_reinstall_or_remove(self):
        targets = {(event["Argument"], event["Condition"])
                   for event in self.control_events("MaintenanceType")
                   if event["Control_"] == "Next" and event["Event"] == "NewDialog"}
        destinations = {argument: condition for argument, condition in targets}
        for dialog, choice in [("CustomSetup", "Change"), ("ReadyToInstall", "Reinstall"),
                               ("ReadyToRemove", "Remove")]:
            self.assertIn(dialog, destinations)
            self.assertIn('"%s"' % choice, destinations[dialog].replace(" ", ""))

    def test_messages_for_programs_that_fail(self):
        messages = dict(rows("Error"))
        for number in range(34):
            self.assertIn(str(number), messages)
        self.assertEqual(messages["1721"], expected.ERROR_1721)
        self.assertEqual(messages["1722"], expected.ERROR_1722)

    def test_default_text_style(self):
        self.assertIn("Tahoma8", column("TextStyle", "TextStyle"))


class Validation(unittest.TestCase):
    def test_every_row_of_every_table_is_valid(self):
        self.assertEqual(validation.validation_errors(TABLES), [])

    def test_every_column_has_a_validation_row(self):
        described = {(row[0], row[1]) for row in TABLES["_Validation"].rows}
        for name, table in TABLES.items():
            for column_name in table.columns:
                self.assertIn((name, column_name), described)

    def test_faults_are_found(self):
        broken = dict(TABLES)
        directory = TABLES["Directory"]
        broken["Directory"] = readback.Table(
            "Directory", directory.columns, directory.types, directory.keys,
            directory.rows + [["TARGETDIR", "", "SourceDir"], ["Orphan", "NoSuchFolder", "x"],
                              ["bad name!", "TARGETDIR", "a:b:c"]])
        found = "\n".join(validation.validation_errors(broken))
        self.assertRegex(found, r"Directory row \d+: duplicate primary key")
        self.assertRegex(found, re.escape("Directory.Directory_Parent") + r".*'NoSuchFolder'")
        self.assertRegex(found, re.escape("Directory.Directory") + r".*'bad name!'.*Identifier")


if __name__ == "__main__":
    unittest.main()
