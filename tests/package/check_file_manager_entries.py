#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Parses the file managers' entries as their readers would and checks that
each offers its direction on the right files with the whole selection:
Dolphin service menus, Nemo actions, FileManager-Actions (Caja,
PCManFM-Qt), the Nautilus extension, and the desktop entry itself.
    check_file_manager_entries.py DATA_DIR"""

import configparser
import importlib.util
import shutil
import subprocess
import sys
import types
from pathlib import Path

data = Path(sys.argv[1])
failures = []

GERMAN = {"--encrypt": "Mit Tolvane Crypter verschlüsseln",
          "--decrypt": "Mit Tolvane Crypter entschlüsseln"}
# What each direction is offered on, per reader.
FILES = {"--encrypt": {"all/allfiles", "inode/directory", "all/all", "any"},
         "--decrypt": {"application/x-tolvane-encrypted"}}


def fail(what):
    failures.append(what)


def read(path):
    parser = configparser.ConfigParser(interpolation=None, strict=True,
                                       comment_prefixes=("#",), delimiters=("=",))
    parser.optionxform = str  # keys are case-sensitive
    try:
        parser.read(path, encoding="utf-8")
    except configparser.Error as error:
        fail(f"{path.name}: {error}")
    return parser


def check_action(path, section, offered):
    exec_line = section.get("Exec", "")
    argv = exec_line.split()
    if argv[:1] != ["tolvane-crypter"] or len(argv) != 4 or argv[2:] != ["--", "%F"]:
        fail(f"{path.name}: Exec '{exec_line}' is not 'tolvane-crypter DIRECTION -- %F'")
        return
    direction = argv[1]
    if section.get("Name[de]") != GERMAN.get(direction):
        fail(f"{path.name}: Name[de] '{section.get('Name[de]')}' for {direction}")
    if not section.get("Name"):
        fail(f"{path.name}: no Name")
    if not offered or not offered <= FILES[direction]:
        fail(f"{path.name}: {direction} offered on {sorted(offered)}")


def types_of(value):
    return {item for item in value.split(";") if item}


for path in sorted((data / "kio/servicemenus").glob("*.desktop")):
    entry = read(path)
    main = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
    if main.get("Type") != "Service":
        fail(f"{path.name}: Type is not Service")
    if not path.read_text(encoding="utf-8").startswith("#!/usr/bin/env xdg-open\n"):
        fail(f"{path.name}: an executable desktop file starts with #!/usr/bin/env xdg-open")
    for action in types_of(main.get("Actions", "")):
        if not entry.has_section(f"Desktop Action {action}"):
            fail(f"{path.name}: no section for action {action}")
            continue
        check_action(path, entry[f"Desktop Action {action}"], types_of(main.get("MimeType", "")))

for path in sorted((data / "nemo/actions").glob("*.nemo_action")):
    entry = read(path)
    if not entry.has_section("Nemo Action"):
        fail(f"{path.name}: no [Nemo Action]")
        continue
    action = entry["Nemo Action"]
    if action.get("Selection") != "notnone":
        fail(f"{path.name}: Selection is not notnone")
    check_action(path, action,
                 types_of(action.get("Extensions", "")) | types_of(action.get("Mimetypes", "")))

for path in sorted((data / "file-manager/actions").glob("*.desktop")):
    entry = read(path)
    main = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
    if main.get("Type") != "Action":
        fail(f"{path.name}: Type is not Action")
    for profile in types_of(main.get("Profiles", "")):
        if not entry.has_section(f"X-Action-Profile {profile}"):
            fail(f"{path.name}: no section for profile {profile}")
            continue
        section = dict(entry[f"X-Action-Profile {profile}"])
        section.update({key: value for key, value in main.items() if key.startswith("Name")})
        check_action(path, section, types_of(section.get("MimeTypes", "")))


def check_nautilus(path):
    """Runs the extension against stand-ins for gi: the menu items it offers
    and what their activation starts."""
    started = []
    gi = types.ModuleType("gi")
    gi.require_version = lambda name, version: None
    repository = types.ModuleType("gi.repository")

    class MenuItem:
        def __init__(self, name, label, icon):
            self.name, self.label, self.icon, self.handler = name, label, icon, None

        def connect(self, signal, handler):
            self.handler = handler

    repository.Nautilus = types.SimpleNamespace(MenuItem=MenuItem, MenuProvider=object)
    repository.GObject = types.SimpleNamespace(GObject=type("GObject", (), {}))
    repository.Gio = types.SimpleNamespace(
        Subprocess=types.SimpleNamespace(new=lambda argv, flags: started.append(argv)),
        SubprocessFlags=types.SimpleNamespace(NONE=0))
    sys.modules.update({"gi": gi, "gi.repository": repository})
    loader_info = importlib.util.spec_from_file_location("extension", path)
    extension = importlib.util.module_from_spec(loader_info)
    loader_info.loader.exec_module(extension)

    class File:
        def __init__(self, path):
            self.path = path

        def get_location(self):
            return types.SimpleNamespace(get_path=lambda: self.path)

    menu = extension.TolvaneCrypterMenu()
    cases = [
        (["/a/x.txt", "/a/dir"], [["tolvane-crypter", "--encrypt", "--", "/a/x.txt", "/a/dir"]]),
        (["/a/x.tvn", "/a/-y.TVN"], [["tolvane-crypter", "--encrypt", "--", "/a/x.tvn", "/a/-y.TVN"],
                                     ["tolvane-crypter", "--decrypt", "--", "/a/x.tvn", "/a/-y.TVN"]]),
        (["/a/x.tvn", None], []),  # a file without a local path: nothing to offer
    ]
    for names, expected in cases:
        started.clear()
        for item in menu.get_file_items([File(name) for name in names]):
            item.handler(item)
        if started != expected:
            fail(f"{path.name}: {names} started {started}, not {expected}")


extension = data / "nautilus-python/extensions/tolvane-crypter.py"
compile(extension.read_text(encoding="utf-8"), str(extension), "exec")
check_nautilus(extension)

validate = shutil.which("desktop-file-validate")
if validate:
    result = subprocess.run([validate, str(data / "tolvane-crypter.desktop")],
                            capture_output=True, text=True)
    complaints = [line for line in result.stdout.splitlines() + result.stderr.splitlines()
                  if ": error:" in line or ": warning:" in line]
    if result.returncode != 0 or complaints:
        fail("desktop-file-validate: " + " ".join(complaints or [result.stdout + result.stderr]))
else:
    fail("desktop-file-validate missing")

for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
