#!/usr/bin/env python3
"""Makes the inputs of bench/extract_bench.sh in a folder: extract_bench_gen.py OUTDIR [ENTRY_MIB] [APPS]

  big.exe      a gcc host program of about 2 x ENTRY_MIB MiB (default 512):
               app "big" holds one tk-lum-gw3 executable of ENTRY_MIB MiB,
               app "filler" another ENTRY_MIB MiB, so the program is about
               twice the entry (1 GiB for the default);
  big.entry    the exact bytes of big's entry, to check the extraction;
  big.range    "OFFSET SIZE": where big's entry lies in big.exe, for dd;
  many.exe     a gcc host program with APPS apps (default 10,000), each a
               container of two named targets, the first 100 with process
               attributes; not made when APPS is 0.

The big container is streamed to disk (never held in memory whole) and
added with objcopy; the many sections are assembled by gcc from .incbin
directives. Sizes are chosen with the command line, never checked in.
"""

import mmap
import os
import pathlib
import struct
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "fixtures"))
import lumfix as lf  # noqa: E402

MIB = 1 << 20
GW3 = lf.TARGETS["tk-lum-gw3"]
TV7 = lf.TARGETS["tk-lum-tv7"]


def pattern_chunk(seed):
    """1 MiB of bytes that do not compress or repeat within the chunk."""
    import hashlib
    out = bytearray()
    counter = 0
    while len(out) < MIB:
        out += hashlib.sha256(b"%d:%d" % (seed, counter)).digest()
        counter += 1
    return bytes(out[:MIB])


def write_big_container(path, target, mib, seed, entry_copy=None):
    """A one-entry container whose data is MIB MiB, written chunk by chunk."""
    data_offset = lf.HEADER_SIZE + lf.ENTRY_SIZE
    size = mib * MIB
    with open(path, "wb") as out:
        out.write(lf.FATBIN_MAGIC + struct.pack("<II", 1, 1) + b"\0" * 8)
        out.write(struct.pack("<I", target) + b"\0" * 4 + struct.pack("<QQ", data_offset, size) + b"\0" * 8)
        copy = open(entry_copy, "wb") if entry_copy else None
        base = pattern_chunk(seed)
        for i in range(mib):
            # vary each chunk cheaply so no two MiB are equal
            chunk = struct.pack("<Q", i) + base[8:]
            out.write(chunk)
            if copy:
                copy.write(chunk)
        if copy:
            copy.close()


def make_big(outdir, mib):
    host = lf.compile_host(outdir / "host_big", flags=["-no-pie"])
    big = outdir / "big.container"
    filler = outdir / "filler.container"
    write_big_container(big, GW3, mib, 1, entry_copy=outdir / "big.entry")
    write_big_container(filler, TV7, mib, 2)
    lf.run([lf.OBJCOPY, "--add-section", ".lum_bin_big=%s" % big,
            "--add-section", ".lum_bin_filler=%s" % filler, host, outdir / "big.exe"])
    big.unlink()
    filler.unlink()
    with open(outdir / "big.exe", "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as image:
        section = lf.find_section(image, ".lum_bin_big")
    # one entry: its data follows the container header and the entry table
    offset = section.offset + lf.HEADER_SIZE + lf.ENTRY_SIZE
    lf.write(outdir / "big.range", "%d %d\n" % (offset, mib * MIB))


def make_many(outdir, apps):
    dev = b"\x7fELF" + bytes(range(60))  # named targets are never parsed
    body = lf.container([lf.Entry(TV7, dev), lf.Entry(GW3, dev)])
    attrs = lf.proc_attr_container([(TV7, b"attributes-tv7"), (GW3, b"attributes-gw3")])
    sections = [(".lum_bin_app%05d" % i, body) for i in range(apps)]
    sections += [(".lum_proc_attr_app%05d" % i, attrs) for i in range(min(apps, 100))]
    # every section has the same bytes: one file serves all .incbin lines
    work = outdir / "many.d"
    work.mkdir(exist_ok=True)
    blob_bin = lf.write(work / "bin.bin", body)
    blob_attr = lf.write(work / "attr.bin", attrs)
    asm = "".join('\t.section %s,"",@progbits\n\t.incbin "%s"\n'
                  % (name, blob_bin if name.startswith(".lum_bin_") else blob_attr)
                  for name, _ in sections)
    lf.write(work / "sections.s", asm)
    src = lf.write(work / "main.c", lf.DEFAULT_HOST_SOURCE)
    lf.run([lf.GCC, "-O1", "-no-pie", "-o", outdir / "many.exe", src, work / "sections.s"])


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    outdir = pathlib.Path(argv[1]).resolve()
    outdir.mkdir(parents=True, exist_ok=True)
    mib = int(argv[2]) if len(argv) > 2 else 512
    apps = int(argv[3]) if len(argv) > 3 else 10000
    make_big(outdir, mib)
    made = ["big.exe", "big.entry"]
    if apps > 0:
        make_many(outdir, apps)
        made.append("many.exe")
    for name in made:
        print("%-10s %12d bytes" % (name, os.path.getsize(outdir / name)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
