#!/usr/bin/env python3
"""Reads what the Windows build's tests check in a PE32 file.

  pe_reader.py imports FILE    one line per imported function:
                               "static|delay DLL NAME" or "static|delay DLL #ORDINAL"
  pe_reader.py version FILE    the VERSIONINFO resource: "FileVersion=a.b.c.d",
                               "ProductVersion=...", "FileType=N", then "Key=Value"
                               for each string of each StringFileInfo table
  pe_reader.py manifest FILE   the text of the RT_MANIFEST resource with id 1
  pe_reader.py flags FILE      the optional header's DllCharacteristics, one
                               flag name a line (DYNAMIC_BASE, NX_COMPAT,
                               TERMINAL_SERVER_AWARE, ...; others as 0xNNNN)

GNU ld does not fill the delay-import data directory, so when it is empty the
delay-import descriptors are found by their shape: 32-byte records with the
RVA attribute, a DLL name and name, handle, address and name table RVAs that
all lie in the image (Microsoft's PE format, "Delay-Load Import Tables").
"""
import struct
import sys


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise SystemExit(f"{path}: not a PE file")
        sections = struct.unpack_from("<H", self.data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", self.data, pe + 20)[0]
        optional = pe + 24
        if struct.unpack_from("<H", self.data, optional)[0] != 0x10B:
            raise SystemExit(f"{path}: not PE32")
        self.image_size = struct.unpack_from("<I", self.data, optional + 56)[0]
        self.dll_characteristics = struct.unpack_from("<H", self.data, optional + 70)[0]
        count = struct.unpack_from("<I", self.data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", self.data, optional + 96 + 8 * i)
                            for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(vsize, rawsize), rawsize, rawptr))

    def offset(self, rva):
        for _, start, size, rawsize, rawptr in self.sections:
            if start <= rva < start + size and rva - start < rawsize:
                return rawptr + rva - start
        return None

    def u32(self, rva):
        off = self.offset(rva)
        return None if off is None else struct.unpack_from("<I", self.data, off)[0]

    def cstring(self, rva, limit=256):
        off = self.offset(rva)
        if off is None:
            return None
        end = self.data.find(b"\0", off, off + limit)
        return None if end < 0 else self.data[off:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)


def thunk_names(image, rva):
    """The functions of a name table: names, or #ordinal for an import by ordinal."""
    names = []
    while True:
        entry = image.u32(rva)
        if not entry:
            return names
        if entry & 0x80000000:
            names.append(f"#{entry & 0xFFFF}")
        else:
            names.append(image.cstring(entry + 2))
        rva += 4


def static_imports(image):
    rva, _ = image.directory(1)
    while rva:
        lookup, _, _, name, first = (image.u32(rva + 4 * i) for i in range(5))
        if not name:
            return
        for function in thunk_names(image, lookup or first):
            yield "static", image.cstring(name), function
        rva += 20


def looks_like_delay_descriptor(image, rva):
    fields = [image.u32(rva + 4 * i) for i in range(8)]
    if None in fields or fields[0] != 1:
        return False
    name, hmod, iat, names = fields[1:5]
    if not all(0 < value < image.image_size for value in (name, hmod, iat, names)):
        return False
    dll = image.cstring(name, 64)
    return bool(dll) and dll.lower().endswith((".dll", ".drv")) and dll.isprintable()


def delay_descriptors(image):
    rva, size = image.directory(13)
    if rva:
        for at in range(rva, rva + size, 32):
            if image.u32(at + 4):
                yield at
        return
    for _, start, _, rawsize, _ in image.sections:
        for at in range(start, start + rawsize - 31, 4):
            if looks_like_delay_descriptor(image, at):
                yield at


def delay_imports(image):
    for at in delay_descriptors(image):
        dll = image.cstring(image.u32(at + 4))
        for function in thunk_names(image, image.u32(at + 16)):
            yield "delay", dll, function


def resource_entries(image, directory_rva, base):
    named, numbered = struct.unpack_from("<HH", image.data, image.offset(directory_rva) + 12)
    for i in range(named + numbered):
        ident, target = struct.unpack_from("<II", image.data, image.offset(directory_rva) + 16 + 8 * i)
        yield ident, target


def resource(image, type_id, wanted_name=None):
    """The bytes of the first resource of `type_id` (and `wanted_name`, if given)."""
    base, _ = image.directory(2)
    if not base:
        return None
    for ident, target in resource_entries(image, base, base):
        if ident != type_id:
            continue
        for name, target2 in resource_entries(image, base + (target & 0x7FFFFFFF), base):
            if wanted_name is not None and name != wanted_name:
                continue
            for _, leaf in resource_entries(image, base + (target2 & 0x7FFFFFFF), base):
                data_rva, size = struct.unpack_from("<II", image.data, image.offset(base + leaf))
                off = image.offset(data_rva)
                return image.data[off:off + size]
    return None


def version_blocks(data, at, end):
    """The (key, value bytes, children span) of each block from `at` to `end`."""
    while at + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        if length == 0:
            return
        key_end = at + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if kind == 1 else value_length
        children_at = (value_at + value_size + 3) & ~3
        yield key, data[value_at:value_at + value_size], children_at, at + length
        at = (at + length + 3) & ~3


def version_lines(data):
    for key, value, children, block_end in version_blocks(data, 0, len(data)):
        signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", value)
        if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
            raise SystemExit("no VS_VERSION_INFO block")
        dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
        yield f"FileVersion={dotted(file_ms, file_ls)}"
        yield f"ProductVersion={dotted(product_ms, product_ls)}"
        yield f"FileType={struct.unpack_from('<I', value, 36)[0]}"
        for name, _, table_at, table_end in version_blocks(data, children, block_end):
            if name != "StringFileInfo":
                continue
            for language, _, strings_at, strings_end in version_blocks(data, table_at, table_end):
                for string_key, text, _, _ in version_blocks(data, strings_at, strings_end):
                    yield f"{language}/{string_key}={text.decode('utf-16-le').rstrip(chr(0))}"


DLL_CHARACTERISTICS = {0x0040: "DYNAMIC_BASE", 0x0080: "FORCE_INTEGRITY", 0x0100: "NX_COMPAT",
                       0x0200: "NO_ISOLATION", 0x0400: "NO_SEH", 0x0800: "NO_BIND",
                       0x2000: "WDM_DRIVER", 0x8000: "TERMINAL_SERVER_AWARE"}


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("imports", "version", "manifest", "flags"):
        raise SystemExit(__doc__)
    image = Image(sys.argv[2])
    if sys.argv[1] == "imports":
        for kind, dll, function in list(static_imports(image)) + list(delay_imports(image)):
            print(kind, dll, function)
    elif sys.argv[1] == "flags":
        for bit in range(16):
            if image.dll_characteristics & (1 << bit):
                print(DLL_CHARACTERISTICS.get(1 << bit, f"0x{1 << bit:04X}"))
    elif sys.argv[1] == "version":
        data = resource(image, 16)
        if data is None:
            raise SystemExit("no version resource")
        for line in version_lines(data):
            print(line)
    else:
        data = resource(image, 24, 1)
        if data is None:
            raise SystemExit("no manifest with id 1")
        sys.stdout.write(data.decode("utf-8"))


if __name__ == "__main__":
    main()
