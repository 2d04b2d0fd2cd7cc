# SPDX-License-Identifier: GPL-3.0-or-later
"""Nautilus (nautilus-python 4): encrypt or decrypt the selected files with
Tolvane Crypter, all of them in one window."""

import os

import gi

gi.require_version("Nautilus", "4.0")
from gi.repository import GObject, Gio, Nautilus  # noqa: E402

PROGRAM = "tolvane-crypter"


def _german():
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"):
        value = os.environ.get(name)
        if value:
            return value.startswith("de")
    return False


def _local_paths(files):
    """The selection's local paths; nothing when one of them has none."""
    paths = []
    for item in files:
        location = item.get_location()
        path = location.get_path() if location is not None else None
        if not path:
            return []
        paths.append(path)
    return paths


def _launch(direction, paths):
    # One start for the whole selection; a name that begins with "-" is
    # still a name after "--". Gio reaps the child.
    Gio.Subprocess.new([PROGRAM, direction, "--"] + paths, Gio.SubprocessFlags.NONE)


class TolvaneCrypterMenu(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, files):
        paths = _local_paths(files)
        if not paths:
            return []
        german = _german()
        encrypt = Nautilus.MenuItem(
            name="TolvaneCrypter::Encrypt",
            label="Mit Tolvane Crypter verschlüsseln" if german else "Encrypt with Tolvane Crypter",
            icon=PROGRAM,
        )
        encrypt.connect("activate", lambda _item: _launch("--encrypt", paths))
        items = [encrypt]
        if all(path.lower().endswith(".tvn") for path in paths):
            decrypt = Nautilus.MenuItem(
                name="TolvaneCrypter::Decrypt",
                label="Mit Tolvane Crypter entschlüsseln" if german else "Decrypt with Tolvane Crypter",
                icon=PROGRAM,
            )
            decrypt.connect("activate", lambda _item: _launch("--decrypt", paths))
            items.append(decrypt)
        return items

    def get_background_items(self, *_args):
        return []
