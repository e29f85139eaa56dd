"""Prints what a Velmora install left in a Wine prefix: the files with their attributes and
times, the install log, the registry values and the shortcuts. Used by scripts/demo."""
import argparse
import datetime
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_harness as h  # noqa: E402

VALUES = [
    ("HKLM", "Software\\Brisbeck\\Velmora", ["InstallPath", "UserAcceptedAgreement"]),
    ("HKCU", "Software\\Brisbeck\\Velmora\\Settings", ["LicenseAgreement"]),
    ("HKLM", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora",
     ["UninstallString", "DisplayName", "DisplayIcon", "Publisher", "URLInfoAbout"]),
    ("HKLM", "Software\\Classes\\.vlm", [""]),
    ("HKCU", "Software\\Kestrine", ["PathSaveAs"]),
]


def filetime_text(ticks):
    seconds = h.package_format.filetime_to_unix(ticks)
    return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%Y-%m-%d %H:%M:%S UTC")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--folder", default="C:\\Program Files\\Velmora")
    args = parser.parse_args()
    prefix = h.Prefix(args.prefix, args.tools)
    folder = args.folder

    print("Files in %s:" % folder)
    paths = []
    for root, dirs, files in os.walk(prefix.unix(folder)):
        dirs.sort()
        for name in sorted(files):
            relative = os.path.relpath(os.path.join(root, name), prefix.unix(folder))
            paths.append(folder + "\\" + relative.replace("/", "\\"))
    info = prefix.file_info(paths)
    for path in paths:
        got = info.get(path)
        if got:
            flags = "read-only" if got["attributes"] & 1 else "writable "
            print("  %-48s %7d bytes  %s  written %s" % (path[len(folder) + 1:], got["size"], flags,
                                                         filetime_text(got["written"])))

    print("\nInstall log %s\\%s:" % (folder, h.INSTALL_LOG))
    log_path = prefix.unix(folder + "\\" + h.INSTALL_LOG)
    if os.path.exists(log_path):
        with open(log_path, "rb") as f:
            for line in f.read().split(b"\r\n"):
                if line:
                    print("  " + line.decode("cp1252") + "  <CR LF>")

    print("\nRegistry:")
    for hive, key, names in VALUES:
        for name in names:
            value = prefix.value(hive, key, name)
            if value is not None:
                kind, data = value
                shown = '"%s"' % data if kind == "sz" else data
                print('  %s\\%s  "%s" = %s' % (hive, key, name or "(default)", shown))

    print("\nShortcuts:")
    for link in ("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velmora.lnk",
                 "C:\\users\\Public\\Desktop\\Velmora.lnk"):
        if os.path.exists(prefix.unix(link)):
            fields = h.lnk_fields(prefix.unix(link))
            print("  %s\n      -> %s (in %s)\n      \"%s\"" % (link, fields["Local path"],
                                                           fields["Working directory"],
                                                           fields["Description"]))

    print("\nThe stand-in Velmora.exe was started as:")
    for line in prefix.started_record():
        print("  " + line)


if __name__ == "__main__":
    main()
