"""The interface texts as the resource scripts hold them: the ids, and each language's string
table and Terms link, for tests that compare what the program shows."""

import pathlib
import re

RESOURCES = pathlib.Path(__file__).parents[2] / "resources"
_IDS = (RESOURCES / "resource_ids.h").read_text()
SUPPORT_ADDRESS = re.search(r'KESTROW_SUPPORT_ADDRESS "([^"]*)"', _IDS)[1]
STRING_IDS = {name: int(value) for name, value in re.findall(r"#define (IDS_\w+) (\d+)", _IDS)}


def translations(language):
    """A language's string table by name ("IDS_OK": "&OK"), and the text of its Terms link;
    "english" gives the table that the others translate."""
    scripts = (["strings.rc", "main_dlg.rc"] if language == "english"
               else [f"languages/{language}.rc"])
    script = "".join((RESOURCES / name).read_text(encoding="utf-8") for name in scripts)
    script = script.replace('" KESTROW_SUPPORT_ADDRESS "', SUPPORT_ADDRESS)
    strings = {name: text.replace("\\n", "\n")
               for name, text in re.findall(r'^\s+(IDS_\w+) "(.*)"$', script, re.MULTILINE)}
    link = re.search(r'"(<a>[^"]*</a>)"', script)[1]
    return strings, link
