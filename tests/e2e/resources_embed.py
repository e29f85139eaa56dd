"""Which data resources the setup's resource script embeds for a folder given with
-DVELMORA_RESOURCES: each of agreement.bin (107), package.bin (110) and extra.bin (1) exactly
when the file is there, byte for byte; the dialogs, icon, manifest and version always.
Compiles the generated script with windres into a .res and reads the .res back."""
import argparse
import os
import shutil
import struct
import subprocess
import sys

RT_RCDATA, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 10, 5, 14, 16, 24
DATA = {"agreement.bin": 107, "package.bin": 110, "extra.bin": 1}
ALWAYS = {(RT_DIALOG, 103), (RT_DIALOG, 115), (RT_DIALOG, 116), (RT_GROUP_ICON, 102),
          (RT_VERSION, 1), (RT_MANIFEST, 1)}


def read_res(path):
    """{(type, id): bytes} of a .res file (numeric types and ids only)."""
    blob = open(path, "rb").read()
    resources = {}
    at = 0
    while at + 8 <= len(blob):
        data_size, header_size = struct.unpack_from("<II", blob, at)
        fields = []
        p = at + 8
        for _ in range(2):
            if struct.unpack_from("<H", blob, p)[0] == 0xFFFF:
                fields.append(struct.unpack_from("<H", blob, p + 2)[0])
                p += 4
            else:
                end = p
                while struct.unpack_from("<H", blob, end)[0] != 0:
                    end += 2
                fields.append(blob[p:end].decode("utf-16-le"))
                p = end + 2
        data_at = at + header_size
        if data_size or fields != [0, 0]:
            resources[tuple(fields)] = blob[data_at:data_at + data_size]
        at = (data_at + data_size + 3) & ~3
    return resources


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--windres", required=True)
    parser.add_argument("--resources", required=True, help="the source folder resources/")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    cases = [  # (case, files present in the folder)
        ("all three", ["agreement.bin", "package.bin", "extra.bin"]),
        ("package and extra file only", ["package.bin", "extra.bin"]),
        ("agreement only", ["agreement.bin"]),
        ("empty folder", []),
    ]
    failures = 0
    for case, present in cases:
        folder = os.path.join(args.work, case.replace(" ", "-"))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        contents = {}
        for name in present:
            # Unaligned sizes and every byte value: nothing may be padded, cut or converted.
            contents[name] = bytes(range(256)) * DATA[name] + name.encode()
            with open(os.path.join(folder, name), "wb") as f:
                f.write(contents[name])
        rc = os.path.join(folder, "setup_full.rc")
        res = os.path.join(folder, "setup.res")
        subprocess.run(["cmake", "-DSOURCE_DIR=" + args.resources, "-DDATA_DIR=" + folder,
                        "-DOUT=" + rc, "-P", os.path.join(args.resources, "data_rc.cmake")],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run([args.windres, "-I" + args.resources, "-O", "res", rc, "-o", res], check=True)
        resources = read_res(res)
        problems = []
        for name, number in DATA.items():
            got = resources.get((RT_RCDATA, number))
            if name in present and got != contents[name]:
                problems.append("resource %d is not %s byte for byte" % (number, name))
            if name not in present and got is not None:
                problems.append("resource %d present without %s" % (number, name))
        missing = sorted(ALWAYS - set(resources))
        if missing:
            problems.append("missing resources %s" % missing)
        print("%s %s" % ("FAIL" if problems else "PASS", case))
        for problem in problems:
            print("    " + problem)
        failures += bool(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
