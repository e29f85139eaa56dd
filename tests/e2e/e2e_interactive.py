"""End to end under Wine, one prefix: the setup window driven from outside like a user would
(Cancel, then accepting and installing into a folder typed into the box), the stored answer on
the next start, and the running-instance guard closing or ending a running product, or, in a
silent run, failing at once."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_harness as h  # noqa: E402

FOLDER = "C:\\Velmora Demo"
VENDOR = "Software\\Brisbeck\\Velmora"
PROGRAMS_LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velmora.lnk"
DESKTOP_LINK = "C:\\users\\Public\\Desktop\\Velmora.lnk"
IDOK, IDCANCEL, IDYES = 1, 2, 6
FOLDER_BOX, DESKTOP_BOX, LAUNCH_BOX, ACCEPT, DECLINE = 1000, 1002, 1004, 1025, 1026
AGREEMENT, VERSION = 1028, 1036
END_PROGRAM = 1043


def drive(prefix, setup_args, steps, timeout=180):
    """Starts the setup, runs the driver's steps against its window; returns (exit code of
    the setup, the driver's transcript lines, whether every step succeeded)."""
    setup = prefix.start(prefix.tool("run_and_report"), args.setup_windows, *setup_args)
    try:
        transcript = prefix.run(prefix.tool("driver"), *steps, timeout=timeout)
        out, _ = setup.communicate(timeout=timeout)
    except Exception:
        prefix.kill()
        setup.communicate()
        raise
    print(transcript, end="", flush=True)
    lines = transcript.splitlines()
    return prefix.exit_code_of(out), lines, not any(line.startswith("FAIL") for line in lines)


def transcript_value(lines, label):
    for line in lines:
        if line.startswith(label + ": "):
            return line[len(label) + 2:]
    return None


def shown(text):
    """A text as the driver prints it: CR as a blank, LF as |."""
    return text.replace("\r", " ").replace("\n", "|")


def case_cancel(checks, prefix, agreement):
    checks.start("Cancel in the setup window")
    steps = ["wait", "unchecked:%d" % ACCEPT, "unchecked:%d" % DECLINE, "disabled:%d" % IDOK,
             "checked:%d" % DESKTOP_BOX, "checked:%d" % LAUNCH_BOX, "text:%d" % VERSION,
             "text:%d" % AGREEMENT, "click:%d" % IDCANCEL, "gone"]
    code, lines, ok = drive(prefix, [], steps)
    checks.expect(ok, "the window looks as it should before any choice", "\n".join(lines))
    checks.equal(code, 1223, "exit code")
    checks.equal(transcript_value(lines, "text:%d" % VERSION), "v 2.5.4.1", "version text")
    checks.equal(transcript_value(lines, "text:%d" % AGREEMENT),
                 shown(agreement.decode("cp1252")), "the agreement box shows the packed license")
    prefix.wait_idle()
    checks.expect(not os.path.exists(prefix.unix("C:\\Program Files\\Velmora")), "nothing installed")
    checks.equal(prefix.value("HKLM", VENDOR, "InstallPath"), None, "no install folder remembered")
    checks.equal(prefix.started_record(), [], "the product was not started")


def case_accept_and_install(checks, prefix, entries):
    checks.start("accept, choose a folder, install")
    steps = ["wait", "disabled:%d" % IDOK, "click:%d" % ACCEPT, "enabled:%d" % IDOK,
             "settext:%d:" % FOLDER_BOX, "disabled:%d" % IDOK,
             "settext:%d:%s" % (FOLDER_BOX, FOLDER), "enabled:%d" % IDOK,
             "click:%d" % LAUNCH_BOX, "unchecked:%d" % LAUNCH_BOX,
             "click:%d" % IDOK, "message:%d" % IDOK, "gone"]
    code, lines, ok = drive(prefix, [], steps)
    checks.expect(ok, "every step of the user went through", "\n".join(lines))
    checks.equal(code, 0, "exit code")
    checks.equal(transcript_value(lines, "message"),
                 shown("Installation Complete!\n\nA shortcut to the Start menu and to your "
                       "desktop has been created."), "completion message")
    prefix.wait_idle()
    h.check_installed_files(checks, prefix, FOLDER, entries)
    with open(prefix.unix(FOLDER + "\\" + h.INSTALL_LOG), "rb") as f:
        checks.equal(f.read(), h.expected_log(FOLDER, entries, shortcuts=(PROGRAMS_LINK, DESKTOP_LINK)),
                     "install log")
    checks.equal(prefix.value("HKLM", VENDOR, "UserAcceptedAgreement"), ("sz", "Y"), "stored answer")
    checks.equal(prefix.value("HKLM", VENDOR, "InstallPath"), ("sz", FOLDER), "remembered folder")
    checks.equal(prefix.value("HKCU", VENDOR + "\\Settings", "LicenseAgreement"), ("dword", 3),
                 "LicenseAgreement flags")
    checks.equal(prefix.started_record(), ['"%s\\Velmora.exe" /install' % FOLDER],
                 "the product was started once, with /install (launch box cleared)")


def case_stored_answer(checks, prefix, entries):
    checks.start("the next start remembers the answer and the folder; install and launch")
    prefix.clear_started_record()
    # With the launch box left checked there is no completion message: the window closes.
    steps = ["wait", "checked:%d" % ACCEPT, "enabled:%d" % IDOK, "text:%d" % FOLDER_BOX,
             "checked:%d" % LAUNCH_BOX, "click:%d" % IDOK, "gone"]
    code, lines, ok = drive(prefix, [], steps)
    checks.expect(ok, "accept starts checked, Install enabled, no message at the end", "\n".join(lines))
    checks.equal(transcript_value(lines, "text:%d" % FOLDER_BOX), FOLDER, "folder box")
    checks.equal(code, 0, "exit code")
    prefix.wait_idle()
    checks.equal(prefix.started_record(), ['"%s\\Velmora.exe"' % FOLDER],
                 "the product was started once, without arguments")
    h.check_installed_files(checks, prefix, FOLDER, entries)


def start_running_product(prefix, switch, folder=FOLDER):
    prefix.clear_started_record()
    product = prefix.start(folder + "\\Velmora.exe", switch)
    for _ in range(300):
        if "window open" in prefix.started_record():
            return product
        time.sleep(0.1)
    raise RuntimeError("the stand-in product did not open its window")


def case_guard_closes_product(checks, prefix, entries):
    checks.start("a running product is asked to close and the install goes on")
    product = start_running_product(prefix, "/stay")
    code, out = prefix.run_reporting(args.setup_windows, "/U")
    product.communicate(timeout=60)
    prefix.wait_idle()
    checks.equal(code, 0, "exit code")
    checks.equal(prefix.started_record(),
                 ['"%s\\Velmora.exe" /stay' % FOLDER, "window open", "WM_CLOSE",
                  '"%s\\Velmora.exe" /install' % FOLDER],
                 "closed through WM_CLOSE, then the new copy started with /install")
    # Preparation met the running image while deleting the old files, had the guard close
    # it, and deleted it: the new copy is created afresh, read-only.
    h.check_installed_files(checks, prefix, FOLDER, entries)


def case_guard_ends_product(checks, prefix, entries):
    checks.start("a product that ignores WM_CLOSE is ended from the in-use dialog")
    product = start_running_product(prefix, "/stubborn")
    steps = ["inuse:%d" % END_PROGRAM, "message:%d" % IDYES]
    code, lines, ok = drive(prefix, ["/U"], steps)
    product.communicate(timeout=60)
    prefix.wait_idle()
    checks.expect(ok, "the in-use dialog and the question appeared", "\n".join(lines))
    messages = [line[len("message: "):] for line in lines if line.startswith("message: ")]
    checks.equal(messages[:1], ["Error installing file '%s\\Velmora.exe'" % FOLDER],
                 "the in-use dialog names the file")
    checks.expect(len(messages) > 1 and messages[1].endswith(
        "Are you sure you want to terminate Velmora.exe?"), "the termination question", messages)
    checks.equal(code, 0, "exit code")
    checks.equal(prefix.started_record(),
                 ['"%s\\Velmora.exe" /stubborn' % FOLDER, "window open", "WM_CLOSE ignored",
                  '"%s\\Velmora.exe" /install' % FOLDER],
                 "ended, then the new copy started with /install")
    h.check_installed_files(checks, prefix, FOLDER, entries, overwritten=("Velmora.exe",))


def case_silent_in_use(checks, prefix, entries):
    checks.start("a silent run fails at once on a file in use and leaves the program running")
    # A folder without an install log: nothing is deleted beforehand, so the running copy is
    # first met while writing, where a silent run does not touch it.
    fresh = "C:\\Velmora Running"
    os.makedirs(prefix.unix(fresh), exist_ok=True)
    shutil.copyfile(prefix.unix(FOLDER + "\\Velmora.exe"), prefix.unix(fresh + "\\Velmora.exe"))
    product = start_running_product(prefix, "/stay", fresh)
    code, out = prefix.run_reporting(args.setup_windows, "/USilent", "/Path", fresh)
    checks.equal(code, 32, "exit code: the sharing violation of Velmora.exe")
    checks.expect(product.poll() is None, "the running product was not ended")
    checks.equal(prefix.started_record(), ['"%s\\Velmora.exe" /stay' % fresh, "window open"],
                 "the product was neither asked to close nor started again")
    # Files before it in the package are written; the walk stops at the locked one.
    names = [e["name"] for e in entries]
    before = entries[:names.index("Velmora.exe")]
    h.check_installed_files(checks, prefix, fresh, before)
    prefix.kill()
    product.communicate()


def main():
    global args
    h.ensure_display()
    args = h.parse_arguments(__doc__)
    args.setup_windows = "Z:" + os.path.abspath(args.setup).replace("/", "\\")
    entries, agreement, _ = h.load_payload(args.payload)
    prefix = h.Prefix(args.prefix, args.tools)
    checks = h.Checks()
    try:
        prefix.boot()
        case_cancel(checks, prefix, agreement)
        case_accept_and_install(checks, prefix, entries)
        case_stored_answer(checks, prefix, entries)
        case_guard_closes_product(checks, prefix, entries)
        case_guard_ends_product(checks, prefix, entries)
        case_silent_in_use(checks, prefix, entries)
    except Exception as error:  # a hung or crashed step fails the group with its reason
        checks.expect(False, "the run could not go on", repr(error))
    finally:
        prefix.kill()
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
