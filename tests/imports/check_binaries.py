"""Fails when a shipped binary imports what Windows 7 SP1 lacks: a DLL that
is not in windows7_dlls.txt, or a function listed in newer_functions.txt.
Prints every binary's imports.

    check_imports.py BINARY...
"""
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).parent


def entries(name):
    for line in (HERE / name).read_text().splitlines():
        line = line.split("#", 1)[0].split()
        if line:
            yield line


def imports(path):
    """{dll: [function names]} from the import table of a PE file."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path} is no PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    pe32_plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    directories = optional + (112 if pe32_plus else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            size, address, _, raw = struct.unpack_from("<4I", data, table + 40 * i + 8)
            if address <= rva < address + max(size, 1):
                return rva - address + raw
        raise ValueError(f"{path}: address {rva:#x} is in no section")

    def text(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    found = {}
    descriptor = offset(import_rva) if import_rva else None
    while descriptor is not None:
        lookup, _, _, name, address = struct.unpack_from("<5I", data, descriptor)
        if name == 0:
            break
        functions = found.setdefault(text(name).lower(), [])
        thunk = offset(lookup or address)
        width, ordinal = (8, 1 << 63) if pe32_plus else (4, 1 << 31)
        while True:
            value = struct.unpack_from("<Q" if pe32_plus else "<I", data, thunk)[0]
            if value == 0:
                break
            functions.append(f"#{value & 0xFFFF}" if value & ordinal else text((value & 0x7FFFFFFF) + 2))
            thunk += width
        descriptor += 20
    return found


def main(binaries):
    allowed = {line[0].lower() for line in entries("windows7_dlls.txt")}
    newer = {(dll.lower(), function): version for dll, function, version in entries("newer_functions.txt")}
    faults = []
    for binary in map(pathlib.Path, binaries):
        found = imports(binary)
        print(f"{binary.name}: " + ", ".join(f"{dll} ({len(functions)})" for dll, functions in sorted(found.items())))
        for dll, functions in sorted(found.items()):
            if dll not in allowed:
                faults.append(f"{binary.name} imports {dll}, which Windows 7 SP1 lacks")
            for function in functions:
                if (dll, function) in newer:
                    faults.append(f"{binary.name} imports {dll}!{function}, which came with Windows "
                                  f"{newer[dll, function]}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
