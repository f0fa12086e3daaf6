#!/usr/bin/python3
"""The state of a Wine prefix that an installation can change, and the
difference between two such states.

  prefix_state.py save PREFIX STATE.json
  prefix_state.py compare BEFORE.json AFTER.json [--installer-bookkeeping | --same-source-again]
  prefix_state.py values PREFIX KEY       each value of KEY, as the .reg file has it
  prefix_state.py subkeys PREFIX KEY      the names of KEY's subkeys
  prefix_state.py mentions PREFIX GUID    every file, key and value naming GUID,
                                          as it is or squashed as Windows
                                          Installer writes it in key names
  prefix_state.py squash GUID             GUID squashed so

The state: every folder, file and link under drive_c (a file by its size,
mode and SHA-256, a link by its target) and every registry value of the
prefix's system.reg, user.reg and userdef.reg, which the wineserver writes
when it stops (the caller waits for that, with wineserver -w). Not in it:
the times of folders, which change whenever something in them is made or
removed, and the times at which registry keys were last written.

compare prints each difference and ends with status 1 if any is left once
these are set aside, each printed with why:

- What Wine itself rewrites whenever a prefix starts, whatever ran in it: the
  keys of the display adapters and monitors, which its graphics driver
  enumerates again with the date of that start; and the network cards key,
  which its network service removes and makes again. They differ between
  any two starts of a prefix in which nothing was installed.
- With --installer-bookkeeping, also what Windows Installer makes for itself
  the first time it installs anything and keeps from then on: its folder
  C:\\windows\\Installer, empty, and its empty registry keys for the products,
  features, components and upgrade codes it registers. Windows has them from
  its own installation; a new Wine prefix gets them from its first .msi.
  Only empty ones are set aside: a file, value or subkey in them is a
  difference like any other.
- With --same-source-again, what Wine's msi changes when a package is
  installed again from the folder it was installed from: it adds that folder
  to the product's source list once more, under the next number, and makes
  that number the last one used; and it writes the package's shortcuts again,
  which may then record other times of the folders on their target's path.
  Only a repeat of a folder already listed, and a shortcut with the same
  target, working folder and description, are set aside.
"""

import hashlib
import json
import os
import re
import stat
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import shortcut  # noqa: E402
from struct import error as struct_error  # noqa: E402

# Keys that Wine rewrites at every start of a prefix (see above), matched
# case-insensitively at the start of a key's path.
WINE_REWRITES = [
    "HKLM\\System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}",  # display adapters
    "HKLM\\System\\CurrentControlSet\\Control\\Class\\{4D36E96E-E325-11CE-BFC1-08002BE10318}",  # monitors
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
]

# What Windows Installer keeps for itself once it has installed anything.
INSTALLER_FOLDERS = ["windows/Installer"]
INSTALLER_KEYS = [
    "HKLM\\Software\\Classes\\Installer\\Features",
    "HKLM\\Software\\Classes\\Installer\\Products",
    "HKLM\\Software\\Classes\\Installer\\UpgradeCodes",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products",
]

REGISTRY_FILES = {"system.reg": "HKLM", "user.reg": "HKCU", "userdef.reg": "HKU\\.Default"}


def files_of(prefix):
    drive = os.path.join(prefix, "drive_c")
    entries = {}
    for folder, subfolders, names in os.walk(drive):
        for name in sorted(subfolders + names):
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, drive)
            info = os.lstat(path)
            if stat.S_ISLNK(info.st_mode):
                entries[relative] = "link to " + os.readlink(path)
            elif stat.S_ISDIR(info.st_mode):
                entries[relative] = "folder"
            else:
                digest = hashlib.sha256()
                with open(path, "rb") as file:
                    for block in iter(lambda: file.read(1 << 20), b""):
                        digest.update(block)
                entries[relative] = f"file {info.st_size} bytes, mode {stat.S_IMODE(info.st_mode):o}, " \
                                    f"sha256 {digest.hexdigest()}"
                if name.lower().endswith(".lnk"):
                    try:
                        entries[relative] += "; shortcut: " + ", ".join(
                            f"{key} {value}" for key, value in shortcut.read(path).items())
                    except (ValueError, struct_error, IndexError) as error:
                        entries[relative] += f"; no shortcut: {error}"
    return entries


def unescape_key(text):
    return text.replace("\\\\", "\\")


def registry_of(prefix):
    """{key: {value name: data}}, a key with no values mapping to {}."""
    keys = {}
    for name, root in REGISTRY_FILES.items():
        with open(os.path.join(prefix, name), encoding="utf-8", errors="surrogateescape") as file:
            lines = file.read().split("\n")
        key = None
        pending = ""
        for line in lines:
            # A value's data goes on over lines that end with a backslash.
            if pending:
                line = pending + line.lstrip()
                pending = ""
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1]
                continue
            if line.startswith("["):
                match = re.match(r"^\[(.*)\](?: \d+)?$", line)
                key = root + "\\" + unescape_key(match.group(1))
                keys.setdefault(key, {})
            elif key is None or not line or line.startswith("#") or line.startswith(";"):
                continue
            else:
                match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
                if match:
                    keys[key][match.group(1)] = match.group(2)
    return keys


def save(prefix, out):
    state = {"files": files_of(prefix), "registry": registry_of(prefix)}
    with open(out, "w", encoding="utf-8", errors="surrogateescape") as file:
        json.dump(state, file, indent=0, sort_keys=True)


def under(path, roots):
    lowered = path.lower()
    return any(lowered == root.lower() or lowered.startswith(root.lower() + "\\") for root in roots)


def squashed(guid):
    """GUID as Windows Installer writes it in key names: its hex digits
    reversed within each of the first three groups and within each byte of
    the rest."""
    digits = guid.strip("{}").replace("-", "").upper()
    return digits[7::-1] + digits[11:7:-1] + digits[15:11:-1] + "".join(
        digits[n + 1] + digits[n] for n in range(16, 32, 2))


def load(prefix):
    return files_of(prefix), registry_of(prefix)


def compare(before_file, after_file, bookkeeping, same_source):
    with open(before_file, encoding="utf-8", errors="surrogateescape") as file:
        before = json.load(file)
    with open(after_file, encoding="utf-8", errors="surrogateescape") as file:
        after = json.load(file)
    differences = []
    set_aside = []

    def note(text, why):
        (set_aside if why else differences).append(text + (f" ({why})" if why else ""))

    # Files and folders.
    files_before, files_after = before["files"], after["files"]
    for path in sorted(set(files_before) | set(files_after)):
        was, now = files_before.get(path), files_after.get(path)
        if was == now:
            continue
        text = f"C:\\{path.replace('/', chr(92))}: {was or 'absent'} -> {now or 'absent'}"
        why = ""
        if (bookkeeping and was is None and now == "folder" and path in INSTALLER_FOLDERS and
                not any(other.startswith(path + "/") for other in files_after)):
            why = "Windows Installer's own folder, empty"
        if (same_source and was and now and "; shortcut: " in was and
                was.split("; shortcut: ")[1] == now.split("; shortcut: ")[1]):
            why = "Wine writes the shortcut again; its target, working folder and description are the same"
        note(text, why)

    # Registry keys and values.
    keys_before, keys_after = before["registry"], after["registry"]
    folded_before = {key.lower(): key for key in keys_before}
    folded_after = {key.lower(): key for key in keys_after}
    for folded in sorted(set(folded_before) | set(folded_after)):
        key_before = folded_before.get(folded)
        key_after = folded_after.get(folded)
        values_before = keys_before.get(key_before, {}) if key_before else None
        values_after = keys_after.get(key_after, {}) if key_after else None
        key = key_after or key_before
        why = ""
        if under(key, WINE_REWRITES):
            why = "rewritten by Wine at each start"
        if values_before is None or values_after is None:
            empty = not (values_after or values_before) and not any(
                other.startswith(folded + "\\") for other in (folded_after if values_before is None else folded_before))
            if (not why and bookkeeping and values_before is None and empty and
                    any(key.lower() == k.lower() for k in INSTALLER_KEYS)):
                why = "Windows Installer's own key, empty"
            note(f"[{key}]: {'added' if values_before is None else 'removed'}"
                 f"{' with ' + str(len(values_after or values_before)) + ' value(s)' if (values_after or values_before) else ''}",
                 why)
            continue
        for name in sorted(set(values_before) | set(values_after)):
            was, now = values_before.get(name), values_after.get(name)
            if was == now:
                continue
            value_why = why
            if same_source and not why and re.search(r"\\installer\\products\\[0-9a-f]{32}\\sourcelist", folded):
                if folded.endswith("\\sourcelist\\net") and was is None and now in values_before.values():
                    value_why = "Wine lists the package's folder again"
                elif (folded.endswith("\\sourcelist") and name == '"LastUsedSource"' and was and now and
                      re.sub(r"^\"n;\d+;", "", was) == re.sub(r"^\"n;\d+;", "", now)):
                    value_why = "the same folder, under Wine's new number for it"
            note(f"[{key}] {name}: {was if was is not None else 'absent'} -> {now if now is not None else 'absent'}",
                 value_why)

    for text in set_aside:
        print("  set aside: " + text)
    for text in differences:
        print("  DIFFERENT: " + text)
    print(f"{len(differences)} difference(s), {len(set_aside)} set aside")
    return 1 if differences else 0


def values(prefix, key):
    keys = registry_of(prefix)
    for name, data in keys.get(next((k for k in keys if k.lower() == key.lower()), key), {}).items():
        print(f"{name}={data}")
    return 0


def subkeys(prefix, key):
    start = key.lower() + "\\"
    for name in sorted({k[len(start):].split("\\")[0] for k in registry_of(prefix) if k.lower().startswith(start)}):
        print(name)
    return 0


def mentions(prefix, guid):
    forms = [guid.strip("{}").upper(), squashed(guid)]
    files, keys = load(prefix)
    for path in files:
        if any(form in path.upper() for form in forms):
            print(f"C:\\{path.replace('/', chr(92))}")
    for key, entries in keys.items():
        if any(form in key.upper() for form in forms):
            print(f"[{key}]")
        for name, data in entries.items():
            if any(form in (name + data).upper() for form in forms):
                print(f"[{key}] {name}={data}")
    return 0


def main():
    arguments = sys.argv[1:]
    if len(arguments) == 3 and arguments[0] == "save":
        save(arguments[1], arguments[2])
        return 0
    if len(arguments) in (3, 4) and arguments[0] == "compare":
        option = arguments[3] if len(arguments) == 4 else ""
        if option in ("", "--installer-bookkeeping", "--same-source-again"):
            return compare(arguments[1], arguments[2], option == "--installer-bookkeeping",
                           option == "--same-source-again")
    if len(arguments) == 2 and arguments[0] == "squash":
        print(squashed(arguments[1]))
        return 0
    commands = {"values": values, "subkeys": subkeys, "mentions": mentions}
    if len(arguments) == 3 and arguments[0] in commands:
        return commands[arguments[0]](arguments[1], arguments[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
