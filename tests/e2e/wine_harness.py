"""Shared pieces of the end-to-end tests: a fresh 32-bit Wine prefix per test group, running
Windows programs in it with a time limit, reading its registry files and its drive C, and a
check list that reports every failed expectation instead of stopping at the first."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

import package_format

CAPTION = "Velmora\u00ae Setup"
INSTALL_LOG = "Uninstall.cfg"


def parse_arguments(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--setup", required=True, help="VelmoraSetup.exe")
    parser.add_argument("--tools", required=True, help="folder of run_and_report/driver/fileinfo")
    parser.add_argument("--payload", required=True, help="folder of the embedded agreement.bin, package.bin")
    parser.add_argument("--prefix", required=True, help="Wine prefix to create (removed first)")
    return parser.parse_args()


def ensure_display():
    """Re-runs this script under xvfb-run when there is no X display: Wine needs one."""
    if os.environ.get("DISPLAY") or os.environ.get("VELMORA_E2E_NO_XVFB"):
        return
    os.environ["VELMORA_E2E_NO_XVFB"] = "1"
    command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable] + sys.argv
    sys.exit(subprocess.call(command))


class Checks:
    """Collects failed expectations of one case; every case reports PASS or its failures."""

    def __init__(self):
        self.failures = []
        self.case = None

    def start(self, case):
        self.case = case
        print("=== %s" % case, flush=True)

    def expect(self, condition, what, detail=""):
        if not condition:
            message = "%s: %s" % (self.case, what)
            if detail:
                message += "\n    " + str(detail).replace("\n", "\n    ")
            self.failures.append(message)
            print("FAIL " + message, flush=True)
        return condition

    def equal(self, actual, expected, what):
        return self.expect(actual == expected, what,
                           "expected: %r\nactual:   %r" % (expected, actual))

    def finish(self):
        if self.failures:
            print("\n%d failed expectation(s)" % len(self.failures))
            return 1
        print("\nall expectations met")
        return 0


def unescape_reg_string(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
            continue
        out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(nxt, nxt))
        i += 2
    return "".join(out)


def parse_reg_file(path):
    """{key path lower-case: {value name lower-case ('' = default): (type, value)}} of a Wine
    registry file. Strings come back as ("sz", text); a string stored without its terminating
    zero shows up as ("hex(1)", ...), so such a value fails an equality check."""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and i < len(lines):
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            name = line[1:line.rindex("]")]
            current = keys.setdefault(unescape_reg_string(name).lower(), {})
            continue
        if current is None or not line or line.startswith("#"):
            continue
        if line.startswith("@="):
            name, rest = "", line[2:]
        elif line.startswith('"'):
            m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
            if not m:
                continue
            name, rest = unescape_reg_string(m.group(1)), m.group(2)
        else:
            continue
        if rest.startswith('"'):
            value = ("sz", unescape_reg_string(rest[1:-1]))
        elif rest.startswith("dword:"):
            value = ("dword", int(rest[6:], 16))
        else:
            kind, _, data = rest.partition(":")
            value = (kind, data)
        current[name.lower()] = value
    return keys


class Prefix:
    """One fresh 32-bit Wine prefix, used by one test group."""

    def __init__(self, path, tools):
        self.path = os.path.abspath(path)
        self.tools = os.path.abspath(tools)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEARCH="win32", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")

    def boot(self):
        shutil.rmtree(self.path, ignore_errors=True)
        started = time.time()
        subprocess.run(["wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        self.wait_idle()
        print("prefix ready in %.1f s: %s" % (time.time() - started, self.path), flush=True)

    def wait_idle(self, timeout=180):
        """Waits until every program of the prefix has ended and the registry is saved."""
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise

    def kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env)

    def start(self, *args):
        """Starts a Windows program without waiting; stdout is collected."""
        return subprocess.Popen(["wine"] + list(args), env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, encoding="cp1252")

    def run(self, *args, timeout=180):
        """Runs a Windows program to its end; returns its stdout. Ends the prefix's programs
        when the time limit passes, so that a hanging window cannot block the whole run."""
        process = self.start(*args)
        try:
            out, _ = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            out, _ = process.communicate()
            raise RuntimeError("timed out after %d s: %s\n%s" % (timeout, " ".join(args), out))
        return out

    def tool(self, name):
        return os.path.join(self.tools, name + ".exe")

    @staticmethod
    def exit_code_of(output):
        m = re.search(r"exit code: (\d+)", output or "")
        return int(m.group(1)) if m else None

    def run_reporting(self, *args, timeout=180):
        """Runs a program through run_and_report; returns (full exit code, stdout)."""
        out = self.run(self.tool("run_and_report"), *args, timeout=timeout)
        return self.exit_code_of(out), out

    def unix(self, windows_path):
        """The host path of a path on the prefix's drive C (case as given)."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.path, "drive_c", *windows_path[3:].split("\\"))

    def registry(self, hive):
        name = {"HKLM": "system.reg", "HKCU": "user.reg", "HKU\\.DEFAULT": "userdef.reg"}[hive]
        return parse_reg_file(os.path.join(self.path, name))

    def value(self, hive, key, name):
        """(type, value) of a registry value, None when the key or the value is absent."""
        return self.registry(hive).get(key.lower(), {}).get(name.lower())

    def has_key(self, hive, key):
        return key.lower() in self.registry(hive)

    def user_folder(self, *parts):
        users = os.path.join(self.path, "drive_c", "users")
        names = [n for n in os.listdir(users) if n.lower() not in ("public",)]
        return os.path.join(users, names[0], *parts)

    def started_record(self):
        """Lines the stand-in Velmora.exe recorded (its command lines and window events)."""
        path = self.user_folder("Temp", "velmora-started.txt")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("cp1252").splitlines()

    def clear_started_record(self):
        path = self.user_folder("Temp", "velmora-started.txt")
        if os.path.exists(path):
            os.remove(path)

    def file_info(self, windows_paths):
        """{path: {attributes, size, created, accessed, written}} as Windows reports them;
        missing paths map to None."""
        out = self.run(self.tool("fileinfo"), *windows_paths)
        info = {}
        for line in out.splitlines():
            if line.endswith(" missing"):
                info[line[:-8]] = None
                continue
            m = re.match(r"(.*) attributes=0x([0-9a-f]+) size=(\d+) created=(\d+) "
                         r"accessed=(\d+) written=(\d+)$", line)
            if m:
                info[m.group(1)] = {"attributes": int(m.group(2), 16), "size": int(m.group(3)),
                                    "created": int(m.group(4)), "accessed": int(m.group(5)),
                                    "written": int(m.group(6))}
        return info


def load_payload(folder):
    """(package entries, agreement text, extra file bytes or None) of a payload folder."""
    with open(os.path.join(folder, "package.bin"), "rb") as f:
        entries = package_format.read_package(f.read())
    with open(os.path.join(folder, "agreement.bin"), "rb") as f:
        agreement = package_format.read_agreement(f.read())
    extra = None
    if os.path.exists(os.path.join(folder, "extra.bin")):
        with open(os.path.join(folder, "extra.bin"), "rb") as f:
            extra = f.read()
    return entries, agreement, extra


def check_extra_file(checks, prefix, install_folder, extra, overwritten=False):
    """The extra file is Velmora.drl in the install folder, raw and read-only, or absent
    without one. (It has no log line: the exact log checks show that.) An `overwritten` one
    replaced an earlier copy in place, which keeps its attributes under Wine (see
    check_installed_files), so its attribute is not checked."""
    path = install_folder + "\\Velmora.drl"
    info = prefix.file_info([path]).get(path)
    if extra is None:
        checks.expect(info is None, "no Velmora.drl without an extra file")
        return
    if checks.expect(info is not None, "%s is installed" % path):
        if not overwritten:
            checks.expect(info["attributes"] & 1, "%s is read-only" % path)
        with open(prefix.unix(path), "rb") as f:
            checks.expect(f.read() == extra, "%s holds the extra file byte for byte" % path)


def expected_log(install_folder, entries, folder_lines=None, shortcuts=()):
    """The install log a run should leave: the folder lines (for a first install, the install
    folder and then each sub-folder as the first file needing it is written), one line per
    package file, then the shortcut lines."""
    lines = []
    created = set()
    if folder_lines is None:
        lines.append("d" + install_folder)
        for entry in entries:
            parts = entry["name"].split("\\")[:-1]
            for depth in range(1, len(parts) + 1):
                folder = install_folder + "\\" + "\\".join(parts[:depth])
                if folder.lower() not in created:
                    created.add(folder.lower())
                    lines.append("d" + folder)
            lines.append("f" + install_folder + "\\" + entry["name"])
    else:
        lines.extend("d" + folder for folder in folder_lines)
        lines.extend("f" + install_folder + "\\" + entry["name"] for entry in entries)
    lines.extend("f" + shortcut for shortcut in shortcuts)
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def lnk_fields(path):
    """Local path, working directory and description of a .lnk file, read with lnkinfo."""
    out = subprocess.run(["lnkinfo", path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         text=True).stdout
    fields = {}
    for key in ("Local path", "Working directory", "Description"):
        m = re.search(r"^\s*%s\s*:\s?(.*)$" % re.escape(key), out, re.M)
        fields[key] = m.group(1).strip() if m else None
    return fields


def check_installed_files(checks, prefix, install_folder, entries, started=("Velmora.exe",),
                          overwritten=()):
    """Every package file is in place byte for byte, read-only, with its packaged time as
    creation, access and write time (read before the bytes, so reading cannot move them).
    The programs named in `started` have run since, which moves their access time. Files in
    `overwritten` were replaced in place rather than created: Wine keeps an existing file's
    attributes on CREATE_ALWAYS where Windows applies the requested read-only attribute, so
    their attribute is not checked."""
    paths = [install_folder + "\\" + e["name"] for e in entries]
    info = prefix.file_info(paths)
    for entry, path in zip(entries, paths):
        got = info.get(path)
        if not checks.expect(got is not None, "%s is installed" % path):
            continue
        if entry["name"] not in overwritten:
            checks.expect(got["attributes"] & 1, "%s is read-only" % path,
                          "attributes 0x%x" % got["attributes"])
        times = [got["created"], got["accessed"], got["written"]]
        if entry["name"] in started:
            times[1] = entry["filetime"] if times[1] >= entry["filetime"] else times[1]
        checks.equal(tuple(times), (entry["filetime"],) * 3, "%s carries the packaged time" % path)
        with open(prefix.unix(path), "rb") as f:
            checks.expect(f.read() == entry["data"], "%s holds the packaged bytes" % path)
