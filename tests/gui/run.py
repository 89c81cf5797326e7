#!/usr/bin/env python3
"""Runs groups of cases against the real program, driven by real input.

    tests/gui/run.py [--program PATH] [--displays 40-49] [--list] GROUP...

Each group starts the program once (with a fresh settings folder, a private
print scheduler and a photo on the command line), opens the preview window
through the photo's context menu and runs its cases in order. A case that
fails is reported on one line and the program is started afresh for the next
case. Cases marked with a known defect are reported as known failures and do
not fail the run; one that passes is reported so its mark can go.
"""

import argparse
import os
import signal
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guisupport as gs  # noqa: E402
import steps  # noqa: E402
import cases  # noqa: E402


def parse_displays(text):
    first, _, last = text.partition("-")
    return range(int(first), int(last or first) + 1)


def open_session(program, displays, group):
    session = gs.Session(program, displays, None)
    if group.printers:
        session.start_printers()
    photo = os.path.join(session.tmp, "photo.jpg")
    gs.run("convert", "-size", "640x480", "gradient:#3070c0-#f0c030", "-fill", "#a03020", "-draw",
           "circle 320,240 320,140", "-quality", "90", photo)
    session.photo = photo
    return session


def start(session, group):
    """Starts the program and opens the preview window as a person does."""
    ctx = steps.Context(session)
    ctx.main = session.start_program(*group.options, session.photo)
    steps.open_preview(ctx)
    for line in group.setup:
        steps.run_checks(ctx, line)
    return ctx


def restart(session, group):
    if session.app and session.app.poll() is None:
        session.app.kill()
        session.app.wait()
    gs.shutil.rmtree(session.env["XDG_CONFIG_HOME"], ignore_errors=True)
    return start(session, group)


def run_group(program, displays, group):
    failures, known, fixed = [], [], []
    session = open_session(program, displays, group)
    started = time.monotonic()
    try:
        try:
            try:
                ctx = start(session, group)
            except gs.CaseFailure as e:
                print("start of %s failed once (%s): again" % (group.name, e))
                ctx = restart(session, group)
        except Exception as e:  # noqa: BLE001 - reported as the group's failure
            print("FAIL %s/start: %s" % (group.name, e))
            print(session.program_log()[-3000:])
            return 1
        for case in group.cases:
            label = "%s/%s" % (group.name, case.name)
            t0 = time.monotonic()
            try:
                shown = session.windows(steps.PREVIEW)
                if shown:
                    shown[-1].focus()
                steps.run_steps(ctx, case.do)
                steps.run_checks(ctx, case.expect)
                error = None
            except gs.CaseFailure as e:
                error = str(e)
            except Exception as e:  # noqa: BLE001
                error = "%s: %s" % (type(e).__name__, e)
                traceback.print_exc()
            if error is None and not session.running() and not case.restart:
                error = "the program ended (exit %s)" % session.app.returncode
            took = time.monotonic() - t0
            if error is None:
                if case.defect:
                    fixed.append(label)
                    print("FIXED %s: passes now, remove its known-failure mark (%s)" % (label, case.defect))
                else:
                    print("PASS %s (%.1f s)" % (label, took))
                if case.restart:
                    ctx = restart(session, group)
                continue
            if case.defect:
                known.append(label)
                print("KNOWN FAILURE %s [%s]: %s" % (label, case.defect, error))
            else:
                failures.append(label)
                print("FAIL %s: %s" % (label, error))
                print("  did: %s\n  expected: %s" % (case.do, case.expect))
                log = session.program_log().strip()
                if log:
                    print("  program output:\n    " + "\n    ".join(log.splitlines()[-15:]))
            try:
                if case.restart or not steps.recover(ctx):
                    ctx = restart(session, group)
            except Exception as e:  # noqa: BLE001
                print("FAIL %s/restart after %s: %s" % (group.name, case.name, e))
                return 1
    finally:
        session.close()
    print("group %s: %d cases, %d failed, %d known failures, %d fixed, %.0f s" %
          (group.name, len(group.cases), len(failures), len(known), len(fixed), time.monotonic() - started))
    for label in failures:
        print("FAILED CASE %s" % label)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default=os.path.join(gs.ROOT, "build-test/app/ardel-sorvan"))
    parser.add_argument("--displays", default=os.environ.get("ARDEL_GUI_DISPLAYS", "40-49"))
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--case", action="append", default=[], help="run only these cases of the group")
    parser.add_argument("groups", nargs="*")
    args = parser.parse_args()
    # A test runner's timeout ends the run with SIGTERM: the screen, scheduler and program go too.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("gui tests: stopped"))
    groups = {g.name: g for g in cases.GROUPS}
    if args.list:
        for g in cases.GROUPS:
            for c in g.cases:
                print("%s/%s%s" % (g.name, c.name, "  [known failure: %s]" % c.defect if c.defect else ""))
        return 0
    gs.need_tools()
    if not os.access(args.program, os.X_OK):
        sys.exit("gui tests: no program %s" % args.program)
    code = 0
    for name in args.groups or list(groups):
        if name not in groups:
            sys.exit("gui tests: no group %s (have %s)" % (name, " ".join(groups)))
        group = groups[name]
        if args.case:
            group = group._replace(cases=[c for c in group.cases if c.name in args.case])
        code |= run_group(os.path.abspath(args.program), parse_displays(args.displays), group)
    return code


if __name__ == "__main__":
    sys.exit(main())
