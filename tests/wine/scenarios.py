#!/usr/bin/env python3
"""End-to-end scenarios: Oprava.exe under Wine, driven by wine_driver.exe.

Each scenario lays out a Windows directory pointer file and a game installation in the Wine
prefix, runs the installer through the driver (which reads and answers every dialog), and checks
the dialogs byte for byte and the installation afterwards against the sample payload entries.

The build is that of the session's Wine flavour: build/win32 (the i686 product under 32-bit
Wine) or build/win64 (its x86_64 twin under wine64). Run inside scripts/wine-session (it gives
the display and the wineserver):
    scripts/wine-session win32 tests/wine/scenarios.py [--build build/win32] [NAME-PART ...]
"""

import argparse
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE_RUN = ROOT / "scripts" / "wine-run"

# The Czech texts as the user reads them; the program shows them as Windows-1250 bytes.
NOT_INSTALLED = ("Hra Duskhollow není nainstalovaná. Nejdříve hru nainstalujte. "
                 "Potom aplikujte opravu.")
APPLY_FAILED = ("Nepodařilo se aplikovat opravu. Pokud máte hru Duskhollow spuštěnou, "
                "ukončete ji, a potom spusťte opravu znovu.")
APPLIED_RUN_GAME = "Oprava byla úspěšně aplikována. Přejete si spustit hru?"
CZECH_ONLY = "Oprava může být aplikována výhradně na českou verzi hry Duskhollow!"


@dataclass(frozen=True)
class Dialog:
    caption: str
    text: str
    buttons: tuple
    icon: str

    def encoded(self):
        """As the driver reports a dialog: its texts as UTF-8, read through the wide functions."""
        return (self.caption.encode(), self.text.encode(), tuple(b.encode() for b in self.buttons),
                self.icon)


def error(text):
    return Dialog("Error", text, ("OK",), "error")


def error_box(title, message):
    return Dialog(title, message, ("OK",), "error")


QUESTION = Dialog("Information", APPLIED_RUN_GAME, ("&Yes", "&No"), "information")

TARGETS = ["Duskhollow.exe", "Data/tutorial", "Data/25", "Game.ini"]
MARKER = "Data/21"
OLD = {  # what an installation holds before the patch
    "Duskhollow.exe": b"MZ old game executable\r\n",
    MARKER: b"Czech edition\r\n",
    "Data/tutorial": b"old tutorial\r\n",
    "Data/25": b"old level 25\r\n",
    "Game.ini": b"[Game]\r\nVersion=1.0\r\n",
}
DEFAULT_GAME = r"C:\Games\Duskhollow"
SMALL_DISK_DRIVE = "s:"
PATCH_DIR = r"C:\Patch"  # where the installer is copied; also its working directory
WORK_DIR = r"C:\Work"  # another working directory, where DLLs are planted too

# Names of DLLs that window and dialog code loads by name and that Windows does not protect as
# known DLLs: planted beside the installer and in its working directory, with Wine told to
# prefer a DLL found there, as Windows does for such names. version.dll is left out: Wine's own
# system DLLs import it before the program's first line, so no program can keep it out there.
PLANTED_DLLS = ("uxtheme dwmapi winmm cryptbase propsys msimg32 oleacc windowscodecs "
                "uiautomationcore textshaping comctl32 usp10 dbghelp profapi sspicli wtsapi32 "
                "winsta netapi32 userenv ntmarta secur32 riched20 apphelp dwrite d2d1 wldp cryptsp "
                "bcrypt").split()
PLANTED_LOG = "planted.log"  # on C:, written by every load of a planted DLL

# Target states after a run.
NEW, OLD_, SHORT, ABSENT = "new", "old", "short", "absent"


@dataclass
class Scenario:
    name: str
    # The installation: its Windows path; the pointer file's content ("game": the installation's
    # path; None: no file; "dir": a directory of that name); what it holds before the run.
    game: str = DEFAULT_GAME
    pointer: object = "game"
    exe: bool = True
    marker: bool = True
    old_targets: bool = True  # the three other targets exist before the run
    readonly_exe: bool = False
    patched: tuple = ()  # targets that already hold their entries: a second run
    planted: bool = False  # C:\Program.exe, a program at the space-cut prefix of the path
    small_disk: bool = False  # the installation on a 3 MB disk
    # The run.
    program: str = "Oprava.exe"
    cwd: str = PATCH_DIR
    locale: str = ""  # the run's LC_ALL, which gives Wine's ANSI code page; the session's if empty
    planted_dlls: bool = False  # DLLs planted beside the program and in its working directory
    show: str = "none"
    answers: tuple = ("OK",)
    hold: tuple = ()  # Windows paths held open with no sharing during the run
    taskbar: str = ""
    # What is expected.
    dialogs: tuple = ()
    targets: dict = field(default_factory=dict)  # target -> state; empty: nothing changed
    launched: bool = False
    planted_loads: bool = False  # planted DLLs are loaded (a program that does not restrict)


def all_targets(state):
    return {t: state for t in TARGETS}


SCENARIOS = [
    # The checks, in their order; a failed one changes nothing.
    Scenario("no pointer file", pointer=None, dialogs=(error(NOT_INSTALLED),)),
    Scenario("pointer file name taken by a directory", pointer="dir",
             dialogs=(error(NOT_INSTALLED),)),
    Scenario("pointer to a directory without the game executable", exe=False,
             dialogs=(error(NOT_INSTALLED),)),
    Scenario("empty installation directory: the executable is tested first", exe=False,
             marker=False, old_targets=False, dialogs=(error(NOT_INSTALLED),)),
    Scenario("game executable (read-only) but no Data\\21", marker=False, readonly_exe=True,
             dialogs=(error(CZECH_ONLY),)),
    Scenario("pointer file ending in CR LF", pointer=DEFAULT_GAME.encode() + b"\r\n",
             dialogs=(error(NOT_INSTALLED),)),
    # Open failures: the standard error box, titled after the executable; then exit 0.
    Scenario("pointer file held open", hold=(r"C:\windows\Duskhollow.dr",),
             dialogs=(error_box("Oprava", r"Cannot open file C:\windows\Duskhollow.dr."),)),
    Scenario("pointer file held open, installer named VIDAZAZ.EXE", program="VIDAZAZ.EXE",
             hold=(r"C:\windows\Duskhollow.dr",),
             dialogs=(error_box("Vidazaz", r"Cannot open file C:\windows\Duskhollow.dr."),)),
    Scenario("edition marker held open", hold=(DEFAULT_GAME + r"\Data\21",),
             dialogs=(error_box("Oprava", r"Cannot open file C:\Games\Duskhollow\Data/21."),)),
    # The patch and the question.
    Scenario("patch applied, answer No (pointer ends in a backslash)",
             pointer=(DEFAULT_GAME + "\\").encode(), answers=("&No",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    Scenario("patch applied over missing targets, answer Yes starts the game", show="1",
             old_targets=False, answers=("&Yes",), dialogs=(QUESTION,),
             targets=all_targets(NEW), launched=True),
    Scenario("answer Yes, installation under a folder with spaces, C:\\Program.exe planted",
             game=r"C:\Program Files\Dusk Hollow", planted=True, answers=("&Yes",),
             dialogs=(QUESTION,), targets=all_targets(NEW), launched=True),
    Scenario("question answered by Esc", answers=("esc",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    Scenario("question closed by its close box", answers=("close",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    Scenario("read-only game executable is replaced", readonly_exe=True, answers=("&No",),
             dialogs=(QUESTION,), targets=all_targets(NEW)),
    Scenario("second run over a patched installation", patched=tuple(TARGETS), answers=("&No",),
             dialogs=(QUESTION,), targets=all_targets(NEW)),
    Scenario("second run after a run that stopped at Data\\25 completes the patch",
             patched=("Duskhollow.exe", "Data/tutorial"), answers=("&No",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    # Failures while patching: MsgApplyFailed, the installation as far as it got.
    Scenario("game executable held open", hold=(DEFAULT_GAME + r"\Duskhollow.exe",),
             dialogs=(error(APPLY_FAILED),)),
    Scenario("Data\\25 held open", hold=(DEFAULT_GAME + r"\Data\25",),
             dialogs=(error(APPLY_FAILED),),
             targets={"Duskhollow.exe": NEW, "Data/tutorial": NEW, "Data/25": OLD_,
                      "Game.ini": OLD_}),
    Scenario("disk fills up while writing Data\\25", small_disk=True,
             game=SMALL_DISK_DRIVE.upper() + r"\Duskhollow", dialogs=(error(APPLY_FAILED),),
             targets={"Duskhollow.exe": NEW, "Data/tutorial": NEW, "Data/25": SHORT,
                      "Game.ini": OLD_}),
    # Started from a folder full of downloads: no planted DLL is loaded, the game starts in its
    # own folder. A program that does not restrict its DLL search shows that a load is seen.
    Scenario("DLLs planted beside the installer and in its working directory are not loaded",
             planted_dlls=True, cwd=WORK_DIR, answers=("&No",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    Scenario("DLLs planted, answer Yes: the game starts in its own folder", planted_dlls=True,
             cwd=WORK_DIR, answers=("&Yes",), dialogs=(QUESTION,), targets=all_targets(NEW),
             launched=True),
    Scenario("DLLs planted beside a program that does not restrict its search are loaded",
             program="unguarded.exe", planted_dlls=True, cwd=WORK_DIR,
             dialogs=(Dialog("Information", "unguarded", ("OK",), "information"),),
             planted_loads=True),
    # The Czech texts read right whatever the system's ANSI code page.
    Scenario("code page 1252: no pointer file", locale="en_US.UTF-8", pointer=None,
             dialogs=(error(NOT_INSTALLED),)),
    Scenario("code page 1252: patch applied, answer No", locale="en_US.UTF-8",
             answers=("&No",), dialogs=(QUESTION,), targets=all_targets(NEW)),
    Scenario("code page 1251: game executable but no Data\\21", locale="ru_RU.UTF-8",
             marker=False, dialogs=(error(CZECH_ONLY),)),
    Scenario("code page 1251: patch applied, answer No", locale="ru_RU.UTF-8",
             answers=("&No",), dialogs=(QUESTION,), targets=all_targets(NEW)),
    # Start-up show states: the patch runs first in each.
    Scenario("started maximised (show state 3)", show="3", answers=("&No",),
             dialogs=(QUESTION,), targets=all_targets(NEW)),
    Scenario("started minimised (show state 7), restored from the taskbar", show="7",
             taskbar="restore", answers=("&No",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
    Scenario("started minimised (show state 7), closed from the taskbar", show="7",
             taskbar="close", answers=("&No",), dialogs=(QUESTION,),
             targets=all_targets(NEW)),
]


class Skip(Exception):
    pass


class Prefix:
    """The Wine prefix's C: drive and the small disk, and Windows paths in them."""

    def __init__(self, prefix, build):
        self.prefix = prefix
        self.demo_game = build / "tests" / "wine" / "demo_game.exe"
        self.planted_dll = build / "tests" / "wine" / "planted.dll"
        self.drive_c = prefix / "drive_c"
        self.small_disk = build.parent / "wine-small-disk"
        self.small_disk_link = prefix / "dosdevices" / SMALL_DISK_DRIVE

    def host(self, windows_path):
        drive, _, rest = windows_path.partition(":")
        base = {"c": self.drive_c, SMALL_DISK_DRIVE[0]: self.small_disk}[drive.lower()]
        parts = [p for p in rest.replace("/", "\\").split("\\") if p]
        return base.joinpath(*parts)

    def pointer(self):
        return self.drive_c / "windows" / "Duskhollow.dr"

    def clean(self, game):
        """Removes everything a scenario lays out or leaves behind."""
        for name in PLANTED_DLLS:
            (self.host(PATCH_DIR) / (name + ".dll")).unlink(missing_ok=True)
        shutil.rmtree(self.host(WORK_DIR), ignore_errors=True)
        for path in (self.pointer(), self.drive_c / "Program.exe", self.drive_c / "launched.txt",
                     self.drive_c / PLANTED_LOG):
            if path.is_dir():
                path.rmdir()
            elif path.exists():
                path.unlink()
        for root in (self.drive_c / "Games", self.host(game) if game.lower().startswith("c:")
                     else None):
            if root is not None and root.exists():
                for each in root.rglob("*"):
                    each.chmod(0o755 if each.is_dir() else 0o644)
                shutil.rmtree(root)
        self.unmount_small_disk()

    def mount_small_disk(self):
        if os.geteuid() != 0:
            raise Skip("needs root to mount a tmpfs")
        self.small_disk.mkdir(parents=True, exist_ok=True)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=3m", "oprava-e2e",
                                  str(self.small_disk)], stderr=subprocess.DEVNULL)
        if mounted.returncode != 0:
            raise Skip("cannot mount a tmpfs here")
        self.small_disk_link.symlink_to(self.small_disk)

    def unmount_small_disk(self):
        if self.small_disk_link.is_symlink():
            self.small_disk_link.unlink()
        if os.path.ismount(self.small_disk):
            subprocess.run(["umount", str(self.small_disk)], check=True)


def lay_out(s, prefix, entries):
    """Writes the pointer file and the installation; returns the installation's host path."""
    if s.small_disk:
        prefix.mount_small_disk()
    game = prefix.host(s.game)
    if s.pointer == "dir":
        prefix.pointer().mkdir()
    elif s.pointer is not None:
        prefix.pointer().write_bytes(s.game.encode("cp1250") if s.pointer == "game" else s.pointer)
    (game / "Data").mkdir(parents=True)
    files = {MARKER: s.marker, "Duskhollow.exe": s.exe}
    files.update({t: s.old_targets for t in TARGETS[1:]})
    for name, wanted in files.items():
        if wanted:
            (game / name).write_bytes(entries[TARGETS.index(name)] if name in s.patched
                                      else OLD[name])
    if s.patched:
        for name in s.patched:  # long ago, so a rewrite shows in the times
            os.utime(game / name, (1e9, 1e9))
    if s.readonly_exe and s.exe:
        (game / "Duskhollow.exe").chmod(0o444)
    if s.planted:
        shutil.copyfile(prefix.demo_game, prefix.drive_c / "Program.exe")
    prefix.host(s.cwd).mkdir(parents=True, exist_ok=True)
    if s.planted_dlls:
        for folder in {PATCH_DIR, s.cwd}:
            for name in PLANTED_DLLS:
                shutil.copyfile(prefix.planted_dll, prefix.host(folder) / (name + ".dll"))
    return game


def snapshot(directory):
    return {p.relative_to(directory).as_posix(): (p.read_bytes(), stat.S_IMODE(p.stat().st_mode),
                                                 p.stat().st_mtime_ns)
            for p in sorted(directory.rglob("*")) if p.is_file()}


@dataclass
class Run:
    """What one start of the driver gave: its exit status, its report and its standard error."""
    status: object
    lines: list
    stderr: str


def run_driver(s, build):
    args = [str(build / "tests" / "wine" / "wine_driver.exe"), "--cwd", s.cwd,
            "--show", s.show, "--timeout", "30"]
    for path in s.hold:
        args += ["--hold", path]
    for answer in s.answers:
        args += ["--answer", answer]
    if s.taskbar:
        args += ["--taskbar", s.taskbar]
    args.append(PATCH_DIR + "\\" + s.program)
    env = dict(os.environ)
    if s.locale:
        env["OPRAVA_LC_ALL"] = s.locale
    if s.planted_dlls:
        env["WINEDLLOVERRIDES"] = "%s=n,b;%s" % (",".join(PLANTED_DLLS),
                                                 os.environ.get("WINEDLLOVERRIDES", ""))
    return wine(args, env)


def parse(lines):
    """The driver's report: dialogs as tuples of bytes, and the other lines by their first word."""
    report = {"dialogs": [], "phases": [], "lines": lines}
    for line in lines:
        words = line.split(" ")
        if words[0] == "dialog":
            fields = dict(w.split("=", 1) for w in words[2:])
            hexes = lambda v: tuple(bytes.fromhex(x) for x in v.split(",")) if v else ()
            report["dialogs"].append((bytes.fromhex(fields["caption"]),
                                      b"\n".join(hexes(fields["text"])),
                                      hexes(fields["buttons"]), fields["icon"]))
            report["phases"].append(fields["phase"])
        elif words[0] in ("exit", "processes"):
            report[words[0]] = int(words[1])
        elif words[0] == "taskbar":
            report.setdefault("taskbar", []).append(" ".join(words[1:]))
        elif line.startswith("timeout"):
            report["timeout"] = line
    return report


def show(dialog):
    caption, text, buttons, icon = dialog
    return "[%s] %r %s %s" % (caption.decode(errors="replace"), text.decode(errors="replace"),
                             "/".join(b.decode(errors="replace") for b in buttons), icon)


def check_run(s, report):
    problems = []
    if "timeout" in report:
        problems.append(report["timeout"])
    problems += [line for line in report["lines"]
                 if line.startswith("hold") and line.endswith("failed") or "no-such-button" in line
                 or line.startswith(("start failed", "job unavailable"))]
    if report.get("exit") != 0:
        problems.append("exit code %s, expected 0" % report.get("exit"))
    expected = [d.encoded() for d in s.dialogs]
    if report["dialogs"] != expected:
        problems.append("dialogs:\n      got      %s\n      expected %s" % (
            "\n               ".join(map(show, report["dialogs"])) or "none",
            "\n               ".join(map(show, expected)) or "none"))
    late = [i + 1 for i, p in enumerate(report["phases"]) if p != "before-form"]
    if late:
        problems.append("dialogs %s shown after the main form" % late)
    processes = 2 if s.launched else 1
    if report.get("processes") != processes:
        problems.append("%s programs ran, expected %d" % (report.get("processes"), processes))
    if s.taskbar:
        # The program waits as a minimised taskbar button titled after itself.
        expected_taskbar = ["minimised title=" + b"Oprava".hex(), s.taskbar]
        if report.get("taskbar") != expected_taskbar:
            problems.append("taskbar: %s, expected %s" % (report.get("taskbar"), expected_taskbar))
    return problems


def check_files(s, before, after, entries, prefix):
    problems = []
    expected = dict(before)
    for target, state in s.targets.items():
        if state == NEW:
            expected[target] = entries[TARGETS.index(target)]
        elif state == ABSENT:
            expected.pop(target, None)
    if s.launched:
        # Started in its own folder, not in the installer's working directory.
        expected["launched.txt"] = ("cmdline=%s\\Duskhollow.exe\r\ncwd=%s\r\nshow=1\r\n" % (
            s.game, s.game)).encode("cp1250")
    for name in sorted(set(expected) | set(after)):
        got = after.get(name)
        want = expected.get(name)
        state = s.targets.get(name, OLD_)
        if got is None or want is None:
            problems.append("%s: %s" % (name, "missing" if got is None else "unexpected file"))
        elif state == SHORT:
            entry = entries[TARGETS.index(name)]
            if not (len(got[0]) < len(entry) and entry.startswith(got[0])):
                problems.append("%s: %d bytes, expected a short start of the entry (%d)"
                                % (name, len(got[0]), len(entry)))
        elif isinstance(want, bytes):  # written by the run
            if got[0] != want:
                problems.append("%s: %d bytes, not the expected %d" % (name, len(got[0]),
                                                                       len(want)))
            elif not got[1] & stat.S_IWUSR:
                problems.append("%s: written read-only" % name)
            elif name in before and got[2] == before[name][2]:
                problems.append("%s: not rewritten" % name)
        elif got != want:
            problems.append("%s: changed" % name)
    if s.planted and (prefix.drive_c / "launched.txt").exists():
        problems.append("C:\\Program.exe was started")
    log = prefix.drive_c / PLANTED_LOG
    loads = log.read_text("cp1250").splitlines() if log.exists() else []
    if s.planted_loads and not loads:
        problems.append("no planted DLL was loaded, so this scenario cannot see a load")
    elif not s.planted_loads and loads:
        problems.append("planted DLLs loaded:\n      " + "\n      ".join(loads))
    return problems


def run_once(s, prefix, build, entries):
    """Lays the scenario out, runs it and checks it; the run and the problems found."""
    prefix.clean(s.game)
    try:
        game = lay_out(s, prefix, entries)
        before = snapshot(game)
        run = run_driver(s, build)
        report = parse(run.lines)
        problems = check_run(s, report)
        problems += check_files(s, before, snapshot(game), entries, prefix)
        if problems:
            problems.append("driver exit status %s; it said:\n      %s" % (
                run.status, "\n      ".join(run.lines) or "nothing"))
            if run.stderr.strip():
                problems.append("driver's standard error:\n      " +
                                "\n      ".join(run.stderr.strip().splitlines()))
        return run, problems
    finally:
        prefix.clean(s.game)


def run_scenario(s, prefix, build, entries):
    """The problems of a scenario, and whether it had to be run twice: a run whose driver printed
    nothing at all never got as far as starting the installer, and is repeated once."""
    run, problems = run_once(s, prefix, build, entries)
    if problems and not run.lines:
        print("again %s (the driver printed nothing; exit status %s)" % (s.name, run.status),
              flush=True)
        return run_once(s, prefix, build, entries)[1], True
    return problems, False


def wine(args, env=None):
    """Runs a Windows program. Its output goes through files, since Wine's background services
    inherit a pipe and would hold it open."""
    with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
        done = subprocess.run([str(WINE_RUN)] + args, stdout=output, stderr=errors, env=env,
                              timeout=120, check=False)
        output.seek(0)
        errors.seek(0)
        return Run(done.returncode, output.read().decode("ascii", "replace").splitlines(),
                   errors.read().decode("utf-8", "replace"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", help="the build to run; that of the session's Wine flavour "
                        "when not given")
    parser.add_argument("--exe", help="the installer to run, if not the build's own (a signed "
                        "release, say); it must carry the build's sample payload")
    parser.add_argument("only", nargs="*", help="run the scenarios whose names contain these")
    options = parser.parse_args()
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("scenarios.py: run it inside scripts/wine-session")
    flavour = os.environ.get("OPRAVA_WINE", "win64")
    build = Path(options.build or ROOT / "build" / flavour).resolve()
    installer = Path(options.exe).resolve() if options.exe else build / "Oprava.exe"
    prefix = Prefix(Path(os.environ["WINEPREFIX"]), build)
    entries = [(build / "src" / "shell" / "sample" / ("entry%d" % i)).read_bytes()
               for i in range(4)]

    patch_dir = prefix.host(PATCH_DIR)
    patch_dir.mkdir(parents=True, exist_ok=True)
    for name in ("Oprava.exe", "VIDAZAZ.EXE"):
        shutil.copyfile(installer, patch_dir / name)
    shutil.copyfile(build / "tests" / "wine" / "unguarded.exe", patch_dir / "unguarded.exe")

    chosen = [s for s in SCENARIOS if not options.only or any(o in s.name for o in options.only)]
    passed = skipped = repeated = 0
    started = time.monotonic()
    for s in chosen:
        t = time.monotonic()
        try:
            problems, again = run_scenario(s, prefix, build, entries)
            repeated += again
        except Skip as reason:
            print("SKIP  %s (%s)" % (s.name, reason), flush=True)
            skipped += 1
            continue
        if problems:
            print("FAIL  %s\n    %s" % (s.name, "\n    ".join(problems)), flush=True)
        else:
            passed += 1
            print("ok    %s (%.1f s)" % (s.name, time.monotonic() - t), flush=True)
    shutil.rmtree(patch_dir, ignore_errors=True)
    failed = len(chosen) - passed - skipped
    print("end-to-end (%s): %d of %d scenarios passed, %d failed, %d skipped (%.0f s)%s" % (
        build.name, passed, len(chosen), failed, skipped, time.monotonic() - started,
        "; %d repeated once after a silent start" % repeated if repeated else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
