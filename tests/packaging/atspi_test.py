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
import time

root, scratch = sys.argv[1], sys.argv[2]
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def wait_for(what, probe, seconds=60.0):
    """Polls probe until it returns something true; None when it never does."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    print("gave up waiting for " + what, file=sys.stderr)
    return None


def read_ini(path):
    """Key-value pairs of an INI file of the installation (sections ignored)."""
    values = {}
    with open(path, encoding="utf-8") as handle:
        for line in handle.read().splitlines():
            if "=" in line and not line.startswith((";", "[")):
                key, value = line.split("=", 1)
                values[key.strip()] = value
    return values


def bus_call(*arguments):
    return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                           "/org/a11y/bus", *arguments], capture_output=True, text=True)


# The accessibility bus, started by D-Bus activation as a desktop session starts it, and
# switched on as a screen reader switches it on.
started = bus_call("org.a11y.Bus.GetAddress")
if started.returncode != 0:
    print("SKIP: the AT-SPI bus cannot be started: " + started.stderr.strip())
    sys.exit(77)
enabled = bus_call("org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                   "string:IsEnabled", "variant:boolean:true")
if enabled.returncode != 0:
    print("SKIP: the AT-SPI bus cannot be switched on: " + enabled.stderr.strip())
    sys.exit(77)

import pyatspi  # noqa: E402  (needs the bus above)

settings = os.path.join(root, "Trellis.app/Contents/Resources/English.lproj/Settings")
strings = read_ini(os.path.join(settings, "Localize.ini"))
strings.update(read_ini(os.path.join(settings, "L_Const.ini")))
titles = [strings["0000010%d" % index] for index in range(7)]
descriptions = [strings["0000020%d" % index] for index in range(7)]
label_text = strings["00000003"]

tool_log = os.path.join(scratch, "tools.jsonl")
# libxkbcommon-x11 hands strndup a bound longer than its buffer, which ASan's strict string
# checks (set for the test suite) report inside the library under xcb.
asan_options = ":".join(option for option in os.environ.get("ASAN_OPTIONS", "").split(":")
                        if option and not option.startswith("strict_string_checks"))
environment = dict(os.environ,
                   ASAN_OPTIONS=asan_options,
                   QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   LANGUAGE="en", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   TRELLIS_ALERT_LOG=os.path.join(scratch, "alerts.jsonl"),
                   TRELLIS_DEMO_TOOL_LOG=tool_log)
trellis = subprocess.Popen([os.path.join(root, "Trellis.app/Contents/MacOS/Trellis")],
                           env=environment)
tool_pids = []


def trellis_application():
    if trellis.poll() is not None:
        return "ended"
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        try:
            if application is not None and application.get_process_id() == trellis.pid:
                return application if application.childCount > 0 else None
        except Exception:  # an application that went away while being listed
            continue
    return None


def walk(accessible, found):
    """Every accessible below this one, depth first, as a screen reader's review walks."""
    found.append(accessible)
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None:
            walk(child, found)
    return found


def showing(accessible):
    states = accessible.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def press_action(accessible):
    """The index of the accessible's press (or click) action, or None."""
    try:
        actions = accessible.queryAction()
    except NotImplementedError:
        return None
    for index in range(actions.nActions):
        if actions.getName(index).lower() in ("press", "click"):
            return index
    return None


def shown_tool_buttons(application):
    return [node for node in walk(application, [])
            if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(node)
            and node.name in titles]


try:
    application = wait_for("Trellis on the accessibility bus", trellis_application)
    if application in (None, "ended"):
        fail("Trellis did not appear on the accessibility bus (exit status %s)" % trellis.poll())
        raise SystemExit
    # The window is read once its tool buttons are there.
    wait_for("the tool buttons", lambda: shown_tool_buttons(application))
    nodes = walk(application, [])
    print("accessible tree: %d objects" % len(nodes))

    frames = [node for node in nodes if node.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)]
    if not frames:
        fail("no window on the accessibility bus")

    popups = [node for node in nodes if node.getRole() == pyatspi.ROLE_COMBO_BOX and showing(node)]
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

    buttons = shown_tool_buttons(application)
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
