"""Fails when a shipped binary imports a DLL that is not in known_dlls.txt or
a function that Windows 7 SP1 lacks (newer_functions.txt), or when it is not
hardened: ASLR with its relocations, DEP, and on x64 high-entropy ASLR, on
x86 the mark that it registers no SEH handler. Prints every binary's imports
and DllCharacteristics.

    check_binaries.py BINARY...
"""
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).parent

IMAGE_FILE_RELOCS_STRIPPED = 0x0001
CHARACTERISTICS = {  # DllCharacteristics flags, by name
    "HIGH_ENTROPY_VA": 0x0020,
    "DYNAMIC_BASE": 0x0040,
    "NX_COMPAT": 0x0100,
    "NO_SEH": 0x0400,
}
REQUIRED = {
    "x64": {"DYNAMIC_BASE", "NX_COMPAT", "HIGH_ENTROPY_VA"},
    "x86": {"DYNAMIC_BASE", "NX_COMPAT", "NO_SEH"},
}


def entries(name):
    for line in (HERE / name).read_text().splitlines():
        line = line.split("#", 1)[0].split()
        if line:
            yield line


class Pe:
    def __init__(self, path):
        self.path = path
        data = self.data = path.read_bytes()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} is no PE file")
        self.sections, self.file_characteristics = struct.unpack_from("<H14xH", data, pe + 6)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.pe32_plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
        self.arch = "x64" if self.pe32_plus else "x86"
        self.dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
        self.directories = optional + (112 if self.pe32_plus else 96)
        self.table = optional + optional_size

    def directory(self, index):
        """(address, size) of a data directory: 1 imports, 5 relocations."""
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva):
        for i in range(self.sections):
            size, address, _, raw = struct.unpack_from("<4I", self.data, self.table + 40 * i + 8)
            if address <= rva < address + max(size, 1):
                return rva - address + raw
        raise ValueError(f"{self.path}: address {rva:#x} is in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{dll: [function names]} from the import table."""
        found = {}
        import_rva = self.directory(1)[0]
        descriptor = self.offset(import_rva) if import_rva else None
        width, ordinal = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        while descriptor is not None:
            lookup, _, _, name, address = struct.unpack_from("<5I", self.data, descriptor)
            if name == 0:
                break
            functions = found.setdefault(self.text(name).lower(), [])
            thunk = self.offset(lookup or address)
            while True:
                value = struct.unpack_from("<Q" if self.pe32_plus else "<I", self.data, thunk)[0]
                if value == 0:
                    break
                functions.append(f"#{value & 0xFFFF}" if value & ordinal else self.text((value & 0x7FFFFFFF) + 2))
                thunk += width
            descriptor += 20
        return found

    def characteristics(self):
        return {name for name, flag in CHARACTERISTICS.items() if self.dll_characteristics & flag}

    def relocatable(self):
        return not self.file_characteristics & IMAGE_FILE_RELOCS_STRIPPED and self.directory(5)[1] > 0


def main(binaries):
    allowed = {line[0].lower() for line in entries("known_dlls.txt")}
    newer = {(dll.lower(), function): version for dll, function, version in entries("newer_functions.txt")}
    faults = []
    for binary in map(pathlib.Path, binaries):
        pe = Pe(binary)
        found = pe.imports()
        flags = pe.characteristics()
        print(f"{binary.name} ({pe.arch}): " + ", ".join(f"{dll} ({len(functions)})" for dll, functions in sorted(found.items())))
        print(f"{binary.name} ({pe.arch}): DllCharacteristics {pe.dll_characteristics:#06x} {' '.join(sorted(flags))}, "
              f"relocations {'present' if pe.relocatable() else 'missing'}")
        for dll, functions in sorted(found.items()):
            if dll not in allowed:
                faults.append(f"{binary.name} imports {dll}, which is no KnownDLL: it would be looked for beside the program")
            for function in functions:
                if (dll, function) in newer:
                    faults.append(f"{binary.name} imports {dll}!{function}, which came with Windows "
                                  f"{newer[dll, function]}")
        for missing in sorted(REQUIRED[pe.arch] - flags):
            faults.append(f"{binary.name} is not marked {missing}")
        if not pe.relocatable():
            faults.append(f"{binary.name} has no relocations, so it cannot be loaded at a random address")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
