"""Reads Trellis through AT-SPI as a screen reader would, and presses a tool button.

Run by atspi_test.sh inside Xvfb and a private session bus. Arguments: the installation
folder and a scratch folder. Exits 0 when every check passed, 1 on a failure, 77 when the
accessibility bus cannot be started.
"""

import json
import os
import signal
import subprocess
import sys

from accessibility import (application_of, press_action, shown_tool_buttons, showing,
                           start_bus, tool_titles, trellis_environment, wait_for, walk)

root, scratch = sys.argv[1], sys.argv[2]
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


pyatspi = start_bus()
titles, descriptions, strings = tool_titles(root)
label_text = strings["00000003"]

tool_log = os.path.join(scratch, "tools.jsonl")
environment = trellis_environment(TRELLIS_ALERT_LOG=os.path.join(scratch, "alerts.jsonl"),
                                  TRELLIS_DEMO_TOOL_LOG=tool_log)
trellis = subprocess.Popen([os.path.join(root, "Trellis.app/Contents/MacOS/Trellis")],
                           env=environment)
tool_pids = []


def trellis_application():
    return application_of(pyatspi, trellis)


try:
    application = wait_for("Trellis on the accessibility bus", trellis_application)
    if application in (None, "ended"):
        fail("Trellis did not appear on the accessibility bus (exit status %s)" % trellis.poll())
        raise SystemExit
    # The window is read once its tool buttons are there.
    wait_for("the tool buttons", lambda: shown_tool_buttons(pyatspi, application, titles))
    nodes = walk(application, [])
    print("accessible tree: %d objects" % len(nodes))

    frames = [node for node in nodes if node.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)]
    if not frames:
        fail("no window on the accessibility bus")

    popups = [node for node in nodes if node.getRole() == pyatspi.ROLE_COMBO_BOX and showing(pyatspi, node)]
    if len(popups) != 1:
        fail("%d printer popups" % len(popups))
    else:
        popup = popups[0]
        # A screen reader speaks the label that the popup is labelled by, then its name,
        # which is the chosen printer.
        labels = [target for relation in popup.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for target in (relation.getTarget(i) for i in range(relation.getNTargets()))]
        print("printer popup: %r labelled by %r" % (popup.name, [label.name for label in labels]))
        if not any(label.getRole() == pyatspi.ROLE_LABEL and label.name == label_text
                   for label in labels):
            fail("the printer popup is not labelled by the label %r" % label_text)

    buttons = shown_tool_buttons(pyatspi, application, titles)
    seen = [button.name for button in buttons]
    print("shown tool buttons: %s" % ", ".join(seen))
    # The chosen printer's tools by its mask, each once (its first choice is not one of the
    # models whose tools depend on the system version); a popup that does not read "Orvel
    # <printer>" names no demo printer.
    masks = dict(entry.split("=", 1)
                 for entry in os.environ.get("TRELLIS_DEMO_TOOL_MASKS", "").split("|") if entry)
    printer = popups[0].name[len("Orvel "):] if len(popups) == 1 else None
    if printer in masks:
        expected = [titles[index] for index in range(7) if int(masks[printer]) >> index & 1]
        if seen != expected:
            fail("%s shows the tools %s, not %s" % (printer, seen, expected))
    else:
        fail("the chosen printer %r is not a demo printer" % printer)
    for button in buttons:
        index = titles.index(button.name)
        if button.description != descriptions[index]:
            fail("%r is described as %r, not %r" % (button.name, button.description,
                                                    descriptions[index]))
        if press_action(button) is None:
            fail("%r has no press action" % button.name)

    # Press a tool through AT-SPI: the demo's stand-in tool notes its start in the log.
    chosen = next((button for button in buttons if button.name == titles[0]), None)
    if chosen is None:
        fail("the %r button is not shown, so it cannot be pressed" % titles[0])
    else:
        if not chosen.queryAction().doAction(press_action(chosen)):
            fail("AT-SPI did not press %r" % chosen.name)

        def tool_started():
            if not os.path.exists(tool_log):
                return None
            with open(tool_log, encoding="utf-8") as handle:
                return [json.loads(line) for line in handle if line.strip()]

        starts = wait_for("the pressed tool to start", tool_started) or []
        tool_pids.extend(start.get("pid") for start in starts if start.get("pid"))
        print("tool starts: %s" % starts)
        if len(starts) != 1 or starts[0].get("tool") != titles[0]:
            fail("pressing %r started %s" % (titles[0], starts))
        elif popups and "Orvel " + starts[0].get("printer", "") != popups[0].name:
            fail("the tool was started for %r, not for the printer the popup reads %r"
                 % (starts[0].get("printer"), popups[0].name))

    alerts = os.path.join(scratch, "alerts.jsonl")
    if os.path.exists(alerts) and os.path.getsize(alerts):
        with open(alerts, encoding="utf-8") as handle:
            fail("Trellis showed alerts: " + handle.read())
except SystemExit:
    pass
finally:
    for pid in tool_pids:
        try:
            os.kill(int(pid), signal.SIGTERM)
        except (OSError, ValueError):
            pass
    if trellis.poll() is None:
        trellis.send_signal(signal.SIGTERM)
        try:
            trellis.wait(timeout=30)
        except subprocess.TimeoutExpired:
            trellis.kill()
            fail("Trellis did not end on SIGTERM")

if failures:
    print("%d check(s) failed" % len(failures), file=sys.stderr)
    sys.exit(1)
print("all checks passed")
