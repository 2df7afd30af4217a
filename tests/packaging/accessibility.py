"""What the packaging tests share to read and press Trellis through AT-SPI, as a screen
reader does. Run inside on_accessibility_bus of common.sh."""

import os
import subprocess
import sys
import time


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


def _bus_call(*arguments):
    return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                           "/org/a11y/bus", *arguments], capture_output=True, text=True)


def start_bus():
    """Starts the accessibility bus by D-Bus activation, as a desktop session starts it,
    switches it on as a screen reader does, and returns pyatspi; exits 77 (skipped) when
    the bus cannot be had."""
    started = _bus_call("org.a11y.Bus.GetAddress")
    if started.returncode != 0:
        print("SKIP: the AT-SPI bus cannot be started: " + started.stderr.strip())
        sys.exit(77)
    enabled = _bus_call("org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status",
                        "string:IsEnabled", "variant:boolean:true")
    if enabled.returncode != 0:
        print("SKIP: the AT-SPI bus cannot be switched on: " + enabled.stderr.strip())
        sys.exit(77)
    import pyatspi
    return pyatspi


def trellis_environment(**extra):
    """Trellis's environment on the bus: xcb, accessibility on, English."""
    # libxkbcommon-x11 hands strndup a bound longer than its buffer, which ASan's strict
    # string checks (set for the test suite) report inside the library under xcb.
    asan_options = ":".join(option for option in os.environ.get("ASAN_OPTIONS", "").split(":")
                            if option and not option.startswith("strict_string_checks"))
    return dict(os.environ, ASAN_OPTIONS=asan_options, QT_QPA_PLATFORM="xcb",
                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANGUAGE="en", LANG="C.UTF-8",
                LC_ALL="C.UTF-8", **extra)


def application_of(pyatspi, process):
    """The process's application on the bus once it has a window; "ended" when it ended."""
    if process.poll() is not None:
        return "ended"
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        try:
            if application is not None and application.get_process_id() == process.pid:
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


def showing(pyatspi, accessible):
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


def tool_titles(root):
    """The seven tool buttons' titles and descriptions in the English string tables."""
    settings = os.path.join(root, "Trellis.app/Contents/Resources/English.lproj/Settings")
    strings = read_ini(os.path.join(settings, "Localize.ini"))
    strings.update(read_ini(os.path.join(settings, "L_Const.ini")))
    return ([strings["0000010%d" % index] for index in range(7)],
            [strings["0000020%d" % index] for index in range(7)], strings)


def read_ini(path):
    """Key-value pairs of an INI file of the installation (sections ignored)."""
    values = {}
    with open(path, encoding="utf-8") as handle:
        for line in handle.read().splitlines():
            if "=" in line and not line.startswith((";", "[")):
                key, value = line.split("=", 1)
                values[key.strip()] = value
    return values


def shown_tool_buttons(pyatspi, application, titles):
    return [node for node in walk(application, [])
            if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(pyatspi, node)
            and node.name in titles]
