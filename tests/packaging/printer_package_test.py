"""Trellis on the installation with the example printer package, read and pressed through
AT-SPI: the popup chooses the package's first printer, the window shows exactly its tools,
a press on the package's own tool starts it for that printer, and a press on Sheet Glide
Tuner makes the set-up launcher call the package's plug-in for it.

Run by printer_package_test.sh inside on_accessibility_bus. Arguments: the installation
folder and a scratch folder. Exits 0 when every check passed, 1 on a failure, 77 when the
accessibility bus cannot be started.
"""

import os
import signal
import subprocess
import sys

from accessibility import (application_of, press_action, shown_tool_buttons, start_bus,
                           tool_titles, trellis_environment, wait_for)

root, scratch = sys.argv[1], sys.argv[2]
printer = "TX-7700 Series"
lantern = os.path.join(root, "Status Lantern/Status Lantern.app/Contents/MacOS/ExampleLantern")
plugin = os.path.join(root, "Sheet Glide Tuner/Plugin/PrinterPlugin/SGTTX77.plugin")
# What the package's tool and plug-in say on standard output, which they share with Trellis.
expected_lines = {
    1: 'Status Lantern (example): printer "%s"' % printer,
    2: 'Orvel example plug-in: Sheet Glide Tuner set-up for "%s" from %s' % (printer, plugin),
}
failures = []


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    failures.append(message)


def processes_of(executable):
    """Ids of the running processes of an executable (ours alone: it lies in the scratch folder)."""
    found = []
    for entry in os.listdir("/proc"):
        try:
            if entry.isdigit() and os.readlink("/proc/%s/exe" % entry) == executable:
                found.append(int(entry))
        except OSError:
            continue
    return found


pyatspi = start_bus()
titles, _, _ = tool_titles(root)
output = os.path.join(scratch, "window-trellis.log")
with open(output, "w") as log:
    trellis = subprocess.Popen(
        [os.path.join(root, "Trellis.app/Contents/MacOS/Trellis")], stdout=log,
        stderr=subprocess.STDOUT,
        env=trellis_environment(TRELLIS_ALERT_LOG=os.path.join(scratch, "window-alerts.jsonl")))


def said(line):
    with open(output, encoding="utf-8", errors="replace") as handle:
        return line in handle.read().splitlines()


try:
    application = wait_for("Trellis on the accessibility bus",
                           lambda: application_of(pyatspi, trellis))
    if application in (None, "ended"):
        fail("Trellis did not appear on the accessibility bus (exit status %s)" % trellis.poll())
        raise SystemExit
    buttons = wait_for("the tool buttons",
                       lambda: shown_tool_buttons(pyatspi, application, titles)) or []
    seen = [button.name for button in buttons]
    print("shown tool buttons: %s" % ", ".join(seen))
    if seen != titles[1:4]:
        fail("the first printer shows the tools %s, not %s" % (seen, titles[1:4]))
    for index, line in sorted(expected_lines.items()):
        button = next((button for button in buttons if button.name == titles[index]), None)
        if button is None or press_action(button) is None:
            fail("%r cannot be pressed" % titles[index])
            continue
        button.queryAction().doAction(press_action(button))
        if not wait_for(line, lambda: said(line)):
            fail("pressing %r did not give %r" % (titles[index], line))
    if os.path.exists(os.path.join(scratch, "window-alerts.jsonl")):
        with open(os.path.join(scratch, "window-alerts.jsonl"), encoding="utf-8") as handle:
            alerts = handle.read()
        if alerts:
            fail("alerts were shown: " + alerts)
except SystemExit:
    pass
finally:
    for pid in processes_of(lantern):
        os.kill(pid, signal.SIGTERM)
    if trellis.poll() is None:
        trellis.send_signal(signal.SIGTERM)
        try:
            trellis.wait(timeout=30)
        except subprocess.TimeoutExpired:
            trellis.kill()
            fail("Trellis did not end on SIGTERM")
    with open(output, encoding="utf-8", errors="replace") as handle:
        print("Trellis and its tools said:\n" + handle.read())

if failures:
    print("%d check(s) failed" % len(failures), file=sys.stderr)
    sys.exit(1)
print("all checks passed")
