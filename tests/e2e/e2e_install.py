"""End to end under Wine, one prefix: the resources the executable carries, a silent
unattended install, a reinstall over it, the demo's uninstaller removing everything the setup
placed, and a per-user install without a desktop shortcut."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_harness as h  # noqa: E402

FOLDER = "C:\\Program Files\\Velmora"
PROGRAMS_LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velmora.lnk"
DESKTOP_LINK = "C:\\users\\Public\\Desktop\\Velmora.lnk"
VENDOR = "Software\\Brisbeck\\Velmora"
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora"
DESCRIPTION = "Powerful graphical editor capable to create the most complex family tree"


def check_registration(checks, prefix, save_as):
    sz = lambda text: ("sz", text)  # noqa: E731
    expected = [
        ("HKLM", VENDOR, "InstallPath", sz(FOLDER)),
        ("HKLM", VENDOR, "UserAcceptedAgreement", sz("N")),
        ("HKCU", VENDOR + "\\Settings", "LicenseAgreement", ("dword", 3)),
        ("HKLM", UNINSTALL, "UninstallString", sz(FOLDER + "\\Uninstall.exe")),
        ("HKLM", UNINSTALL, "DisplayName", sz("Velmora 2.5.4.1")),
        ("HKLM", UNINSTALL, "DisplayIcon", sz(FOLDER + "\\Velmora.exe")),
        ("HKLM", UNINSTALL, "Publisher", sz("Velmora Inc.")),
        ("HKLM", "Software\\Classes\\.vlm", "", sz("Velmora.Document")),
        ("HKCU", "Software\\Kestrine", "PathSaveAs", sz(save_as) if save_as else None),
        ("HKU\\.DEFAULT", "Software\\Kestrine", "PathSaveAs", sz(save_as) if save_as else None),
    ]
    for hive, key, name, value in expected:
        checks.equal(prefix.value(hive, key, name), value,
                     "registry %s\\%s \"%s\"" % (hive, key, name or "(default)"))
    url = prefix.value("HKLM", UNINSTALL, "URLInfoAbout")
    checks.expect(url and url[0] == "sz" and url[1].startswith("http"),
                  "URLInfoAbout is a web address", url)


def check_shortcuts(checks, prefix):
    for link in (PROGRAMS_LINK, DESKTOP_LINK):
        path = prefix.unix(link)
        if not checks.expect(os.path.exists(path), "shortcut %s exists" % link):
            continue
        checks.equal(h.lnk_fields(path), {"Local path": FOLDER + "\\Velmora.exe",
                                          "Working directory": FOLDER,
                                          "Description": DESCRIPTION}, "shortcut %s" % link)
    # All-users folders took the links, so the user's own folders stay untouched.
    for folder in (("Desktop",), ("AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")):
        path = prefix.user_folder(*folder, "Velmora.lnk")
        checks.expect(not os.path.exists(path), "no per-user shortcut %s" % path)


def read_log(prefix):
    with open(prefix.unix(FOLDER + "\\" + h.INSTALL_LOG), "rb") as f:
        return f.read()


def write_log(prefix, data):
    with open(prefix.unix(FOLDER + "\\" + h.INSTALL_LOG), "wb") as f:
        f.write(data)


def make_file(prefix, windows_path, text, read_only=True):
    path = prefix.unix(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
    if read_only:
        os.chmod(path, 0o444)


def case_embedded_resources(checks, prefix):
    checks.start("the executable carries the packed files unchanged, a manifest and a version")
    out_dir = prefix.path + "-resources"
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    out = prefix.run(prefix.tool("resinfo"), args.setup_windows,
                     "Z:" + out_dir.replace("/", "\\"))
    print(out, end="")
    for number, name in ((107, "agreement.bin"), (110, "package.bin")):
        with open(os.path.join(args.payload, name), "rb") as f:
            packed = f.read()
        path = os.path.join(out_dir, "10-%d.bin" % number)
        embedded = open(path, "rb").read() if os.path.exists(path) else None
        checks.expect(embedded == packed, "resource %d is %s byte for byte" % (number, name))
    extra_path = os.path.join(args.payload, "extra.bin")
    embedded_path = os.path.join(out_dir, "10-1.bin")
    if os.path.exists(extra_path):
        checks.expect(os.path.exists(embedded_path) and
                      open(embedded_path, "rb").read() == open(extra_path, "rb").read(),
                      "resource 1 is extra.bin byte for byte")
    else:
        checks.expect("resource 10 1 absent" in out, "no resource 1 without extra.bin", out)
    manifest = open(os.path.join(out_dir, "24-1.bin"), encoding="utf-8").read() \
        if os.path.exists(os.path.join(out_dir, "24-1.bin")) else ""
    for needle in ('level="highestAvailable"', 'name="Microsoft.Windows.Common-Controls"',
                   'version="6.0.0.0"', "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"):
        checks.expect(needle in manifest, "manifest holds %s" % needle)
    for line in ("version fixed 2.5.4.1", "version ProductName=Velmora Setup",
                 "version FileDescription=Velmora Setup", "version FileVersion=2.5.4.1",
                 "version CompanyName=Velmora Inc."):
        checks.expect(line in out.splitlines(), line, out)


def case_silent_install(checks, prefix, entries, extra):
    checks.start("silent unattended install")
    prefix.clear_started_record()
    code, out = prefix.run_reporting(args.setup_windows, "/USilent", "/PathSaveAs", "C:\\Trees")
    prefix.wait_idle()
    checks.equal(code, 0, "exit code")
    h.check_installed_files(checks, prefix, FOLDER, entries)
    checks.equal(read_log(prefix),
                 h.expected_log(FOLDER, entries, shortcuts=(PROGRAMS_LINK, DESKTOP_LINK)),
                 "install log")
    h.check_extra_file(checks, prefix, FOLDER, extra)
    check_registration(checks, prefix, "C:\\Trees")
    check_shortcuts(checks, prefix)
    checks.equal(prefix.started_record(), ['"%s\\Velmora.exe" /install' % FOLDER],
                 "the product was started once, with /install")


def case_reinstall(checks, prefix, entries, extra):
    checks.start("reinstall over the first install")
    # The old log gains what an older version had placed, written by the log's reading rules
    # (LF-only and empty lines); anything after a zero byte is not part of the log.
    old = read_log(prefix)
    old += (b"dC:\\Program Files\\Velmora\\Plugins\n\n"
            b"fC:\\Program Files\\Velmora\\Plugins\\Old.dll\r\n"
            b"fC:\\Program Files\\Velmora\\Retired.txt"
            b"\0fC:\\Program Files\\Velmora\\AfterZero.txt\r\n")
    write_log(prefix, old)
    make_file(prefix, FOLDER + "\\Plugins\\Old.dll", "old plug-in")
    make_file(prefix, FOLDER + "\\Retired.txt", "dropped from the new version")
    make_file(prefix, FOLDER + "\\AfterZero.txt", "not listed")
    make_file(prefix, FOLDER + "\\readme.txt", "changed since", read_only=False)
    os.utime(prefix.unix(FOLDER + "\\readme.txt"), (1e9, 1e9))
    prefix.clear_started_record()

    code, out = prefix.run_reporting(args.setup_windows, "/USilent")
    prefix.wait_idle()
    checks.equal(code, 0, "exit code")
    for gone in ("\\Plugins\\Old.dll", "\\Retired.txt"):
        checks.expect(not os.path.exists(prefix.unix(FOLDER + gone)), "old file %s removed" % gone)
    checks.expect(os.path.exists(prefix.unix(FOLDER + "\\AfterZero.txt")),
                  "a line after the log's zero byte is not acted on")
    checks.expect(os.path.isdir(prefix.unix(FOLDER + "\\Plugins")), "folders are kept")
    h.check_installed_files(checks, prefix, FOLDER, entries)
    # Velmora.drl has no log line, so the old copy is not deleted first but overwritten.
    h.check_extra_file(checks, prefix, FOLDER, extra, overwritten=True)
    folders = [FOLDER, FOLDER + "\\Samples", FOLDER + "\\Plugins"]
    checks.equal(read_log(prefix),
                 h.expected_log(FOLDER, entries, folder_lines=folders,
                                shortcuts=(PROGRAMS_LINK, DESKTOP_LINK)),
                 "install log: old folder lines, then the new files and shortcuts")
    check_registration(checks, prefix, "C:\\Trees")
    check_shortcuts(checks, prefix)
    checks.equal(prefix.started_record(), ['"%s\\Velmora.exe" /install' % FOLDER],
                 "the product was started once, with /install")
    os.remove(prefix.unix(FOLDER + "\\AfterZero.txt"))


def case_uninstall(checks, prefix):
    checks.start("the demo uninstaller removes what the setup placed")
    # Lines a tampered log might hold (the line, the file it would reach): nothing outside the
    # install folder may go, and in the shortcut folders only shortcuts.
    hostile = [
        ("fC:\\users\\Public\\Documents\\Family tree.vlm", "C:\\users\\Public\\Documents\\Family tree.vlm"),
        ("fC:\\Program Files\\Velmora\\..\\Other\\keep.txt", "C:\\Program Files\\Other\\keep.txt"),
        ("fC:\\Program Files\\Velmora/../Other/slash.txt", "C:\\Program Files\\Other\\slash.txt"),
        ("fC:\\Program Files\\Velmora\\.. \\Other\\blank.txt", "C:\\Program Files\\Other\\blank.txt"),
        ("fC:\\Program Files\\VelmoraData\\settings.ini", "C:\\Program Files\\VelmoraData\\settings.ini"),
        ("fC:\\users\\Public\\Desktop\\notes.txt", "C:\\users\\Public\\Desktop\\notes.txt"),
        ("fC:\\users\\Public\\Documents\\Other.lnk", "C:\\users\\Public\\Documents\\Other.lnk"),
        ("dC:\\Program Files\\Other", None),
    ]
    bystanders = [path for _, path in hostile if path]
    for path in bystanders:
        make_file(prefix, path, "not Velmora's")
    lines = "".join(line + "\r\n" for line, _ in hostile).encode("cp1252")
    write_log(prefix, read_log(prefix) + lines)

    code, out = prefix.run_reporting(FOLDER + "\\Uninstall.exe", "/S")
    prefix.wait_idle()
    checks.equal(code, 0, "exit code of Uninstall.exe")
    leftovers = []
    for root, dirs, files in os.walk(prefix.unix(FOLDER)):
        leftovers += [os.path.join(root, n) for n in dirs + files]
    checks.expect(not os.path.exists(prefix.unix(FOLDER)), "the install folder is gone", leftovers)
    for link in (PROGRAMS_LINK, DESKTOP_LINK):
        checks.expect(not os.path.exists(prefix.unix(link)), "shortcut %s removed" % link)
    checks.expect(not prefix.has_key("HKLM", UNINSTALL), "the uninstall entry is removed")
    for path in bystanders:
        checks.expect(os.path.exists(prefix.unix(path)), "%s outside the install is kept" % path)


def case_current_user_no_desktop(checks, prefix, entries):
    checks.start("/CU /ND /Path: one shortcut, in the user's own Programs folder")
    folder = "C:\\Velmora CU"
    user = os.path.basename(prefix.user_folder())
    programs = "C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs" % user
    prefix.clear_started_record()
    code, out = prefix.run_reporting(args.setup_windows, "/USilent", "/CU", "/ND", "/Path", folder)
    prefix.wait_idle()
    checks.equal(code, 0, "exit code")
    h.check_installed_files(checks, prefix, folder, entries)
    with open(prefix.unix(folder + "\\" + h.INSTALL_LOG), "rb") as f:
        checks.equal(f.read(), h.expected_log(folder, entries, shortcuts=(programs + "\\Velmora.lnk",)),
                     "install log")
    link = prefix.unix(programs + "\\Velmora.lnk")
    if checks.expect(os.path.exists(link), "the user's Programs shortcut exists"):
        checks.equal(h.lnk_fields(link)["Local path"], folder + "\\Velmora.exe", "its target")
    for other in (PROGRAMS_LINK, DESKTOP_LINK):
        checks.expect(not os.path.exists(prefix.unix(other)), "no all-users shortcut %s" % other)
    checks.expect(not os.path.exists(prefix.user_folder("Desktop", "Velmora.lnk")),
                  "no desktop shortcut with /ND")
    checks.equal(prefix.value("HKLM", VENDOR, "InstallPath"), ("sz", folder), "remembered folder")


def main():
    global args
    h.ensure_display()
    args = h.parse_arguments(__doc__)
    args.setup_windows = "Z:" + os.path.abspath(args.setup).replace("/", "\\")
    entries, _, extra = h.load_payload(args.payload)
    prefix = h.Prefix(args.prefix, args.tools)
    checks = h.Checks()
    try:
        prefix.boot()
        case_embedded_resources(checks, prefix)
        case_silent_install(checks, prefix, entries, extra)
        case_reinstall(checks, prefix, entries, extra)
        case_uninstall(checks, prefix)
        case_current_user_no_desktop(checks, prefix, entries)
    except Exception as error:  # a hung or crashed step fails the group with its reason
        checks.expect(False, "the run could not go on", repr(error))
    finally:
        prefix.kill()
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
