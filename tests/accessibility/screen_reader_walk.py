#!/usr/bin/python3
"""The program as a screen reader sees it, through the real AT-SPI bridge.

Starts the program on a private Xvfb with a private session bus (which starts the AT-SPI
bus and registry), then, from outside and only through AT-SPI as Orca does: walks the main
window, opens every dialog from its menu item and closes it again with its own close
button, shows the Auto Buttons window, and runs a capture reading the status bar. Every
window is checked for focusable controls without a name and for controls of the wrong
role; the counts are printed per window and the test fails on any.

    screen_reader_walk.py PROGRAM        (CI=true: a service that does not start fails)
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1])
IN_CI = os.environ.get("CI") == "true"
children = []


def unavailable(why):
    if IN_CI:
        print("FAIL: " + why, file=sys.stderr)
        sys.exit(1)
    print("SKIP: " + why)
    sys.exit(0)


def start_services(home):
    """Xvfb on a free display and a session bus; the environment for both."""
    if not shutil.which("Xvfb") or not shutil.which("dbus-daemon"):
        unavailable("Xvfb or dbus-daemon is not installed (packages xvfb, dbus)")
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    children.append(xvfb)
    os.close(write_fd)
    with os.fdopen(read_fd) as f:
        number = f.readline().strip()
    if not number:
        unavailable("Xvfb did not start")
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1", "--print-pid=1"],
                           stdout=subprocess.PIPE, text=True)
    children.append(bus)
    address = bus.stdout.readline().strip()
    if not address:
        unavailable("the session bus did not start")
    env = dict(os.environ, DISPLAY=":" + number, DBUS_SESSION_BUS_ADDRESS=address, HOME=home,
               XDG_CONFIG_HOME=home + "/config", XDG_DATA_HOME=home + "/data", XDG_RUNTIME_DIR=home + "/run",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", QT_QPA_PLATFORM="xcb",
               NO_AT_BRIDGE="0", GTK_MODULES="", LANG="C.UTF-8", LANGUAGE="")
    env.pop("WAYLAND_DISPLAY", None)
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    os.environ.update(env)
    return env


def stop_services():
    # The bus starts the a11y bus and registry itself; they outlive it unless ended by PID.
    try:
        out = subprocess.run(["busctl", "--user", "list", "--no-legend"], capture_output=True, text=True, timeout=5)
        for line in out.stdout.splitlines():
            parts = line.split()
            if len(parts) > 1 and parts[1].isdigit() and int(parts[1]) not in (os.getpid(),):
                try:
                    os.kill(int(parts[1]), signal.SIGTERM)
                except OSError:
                    pass
    except (OSError, subprocess.SubprocessError):
        pass
    for c in reversed(children):
        if c.poll() is None:
            c.terminate()
            try:
                c.wait(5)
            except subprocess.TimeoutExpired:
                c.kill()


def wait_for(what, check, tries=200):
    for _ in range(tries):
        try:
            value = check()
        except Exception as e:  # noqa: BLE001
            # While windows open and close, an object met during the walk may be gone by
            # the time it is asked about: ask again.
            if "No such object path" not in str(e):
                raise
            value = None
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


home = tempfile.mkdtemp(prefix="pelta-a11y-")
try:
    env = start_services(home)
    try:
        import pyatspi  # after the bus address is set: the module connects at import
    except ImportError:
        unavailable("pyatspi is not installed (package python3-pyatspi)")

    program = subprocess.Popen([PROGRAM], env=env, cwd=home)
    children.append(program)

    def app():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.name == "Pelta-RX":
                return a
        return None

    try:
        application = wait_for("the program on the AT-SPI bus", app)
    except AssertionError:
        unavailable("the program did not register on the AT-SPI bus")

    def role(node):
        return node.getRoleName()

    def states(node):
        return node.getState()

    def showing(node):
        return states(node).contains(pyatspi.STATE_SHOWING)

    def walk(node, depth=0):
        yield node
        if depth > 40:
            return
        for i in range(node.childCount):
            c = node.getChildAtIndex(i)
            if c is not None:
                yield from walk(c, depth + 1)

    def windows():
        return [application.getChildAtIndex(i) for i in range(application.childCount)]

    def window_named(prefix):
        for w in windows():
            try:
                if w is not None and prefix in w.name and showing(w) and \
                        (w.name.startswith(prefix) or role(w) != "frame"):
                    return w
            except Exception as e:  # noqa: BLE001
                # A window that closed while it was being asked about is no longer there.
                if "No such object path" not in str(e):
                    raise
        return None

    def find(root, predicate):
        for n in walk(root):
            if predicate(n):
                return n
        return None

    def press(node):
        action = node.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        for wanted in ("press", "Press", "click", "toggle", "Toggle"):
            if wanted in names:
                try:
                    action.doAction(names.index(wanted))
                except Exception as e:  # noqa: BLE001
                    # Qt answers once the action returns: a modal dialog answers when it
                    # closes. The dialog is open; the walk goes on without the answer.
                    if "Did not receive a reply" not in str(e):
                        raise
                return
        raise AssertionError("%s %r has no press action (%s)" % (role(node), node.name, names))

    def text_of(node):
        try:
            t = node.queryText()
            return t.getText(0, -1)
        except NotImplementedError:
            return ""

    CONTROL_ROLES = {"push button", "toggle button", "check box", "radio button", "combo box", "text",
                     "password text", "spin button", "slider", "list", "list item", "table", "table cell",
                     "menu", "menu item", "check menu item", "radio menu item", "menu bar", "page tab",
                     "tree", "tree item", "scroll bar", "entry", "link", "tree table", "dial", "image"}
    problems = []
    counts = {}

    def check_window(title, root):
        """Unnamed focusable controls and wrong roles in one window."""
        unnamed, wrong = [], []
        for n in walk(root):
            st = states(n)
            if not st.contains(pyatspi.STATE_SHOWING):
                continue
            r = role(n)
            focusable = st.contains(pyatspi.STATE_FOCUSABLE)
            if focusable and not n.name.strip() and r not in ("text", "entry", "password text") and \
                    r not in ("list item", "table cell", "menu item"):
                unnamed.append("%s (no name)" % r)
            if r in ("text", "entry", "spin button", "combo box", "slider", "list") and focusable:
                labelled = any(rel.getRelationType() == pyatspi.RELATION_LABELLED_BY for rel in n.getRelationSet())
                if not n.name.strip() and not labelled:
                    unnamed.append("%s (not tied to its label)" % r)
                if r == "combo box" and not labelled and n.name.strip():
                    try:
                        sel = n.querySelection().getSelectedChild(0)
                    except Exception:  # noqa: BLE001 - any failure means no current item to compare
                        sel = None
                    if sel is not None and sel.name == n.name:
                        unnamed.append("combo box named by its current item %r" % n.name)
            if focusable and r not in CONTROL_ROLES:
                wrong.append("%s %r is focusable but not a control" % (r, n.name))
            if r in ("label", "static") and n.name.strip() == "x":
                wrong.append("the close box \"x\" is a label, not a button")
            if r == "push button" and n.name == "Close" and not focusable:
                wrong.append("the close button cannot take the focus")
            if n.name in ("AVI", "WAV", "MP3") and r == "check box":
                wrong.append("%s is told as a check box, not a radio button" % n.name)
            if (n.name != n.name.strip() or "  " in n.name) and r in ("frame", "dialog", "window"):
                wrong.append("window name %r carries blanks" % n.name)
        counts[title] = (len(unnamed), len(wrong))
        for p in unnamed + wrong:
            problems.append("%s: %s" % (title, p))
        print("%-40s unnamed focusable: %d   wrong roles: %d" % (title, len(unnamed), len(wrong)))

    # The splash, then the main window (a click on the splash, as a person would).
    splash = wait_for("a window", lambda: next((w for w in windows() if w is not None and showing(w)), None))
    print("First window: %s %r" % (role(splash), splash.name))
    # A click on the splash closes it and brings the main window.
    x, y, w, h = splash.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], env=env, check=True)
    main = wait_for("the main window", lambda: window_named("Pelta-RX - Quillmere"))
    check_window("Main window", main)
    status = find(main, lambda n: role(n) == "status bar")
    if status is None or status.childCount == 0:
        problems.append("Main window: the status bar has no readable panels")
        print("Main window: status bar panels readable: no")
    else:
        print("Main window: status bar panels: %s" % [status.getChildAtIndex(i).name for i in range(status.childCount)])
    preview = find(main, lambda n: role(n) == "image" and n.name.strip())
    if preview is None:
        problems.append("Main window: the preview is not a named graphic")

    menubar = find(main, lambda n: role(n) == "menu bar")
    items = {}
    unmarked = []
    for n in walk(menubar):
        if role(n) in ("menu item", "check menu item", "radio menu item", "menu"):
            items[n.name] = n
    # Every menu item has a mnemonic: Qt tells it as the item's access key.
    for name, n in items.items():
        try:
            key = n.queryAction().getKeyBinding(0)
        except NotImplementedError:
            key = ""
        if not key and name:
            unmarked.append(name)
    print("Menu items without a mnemonic: %d %s" % (len(unmarked), unmarked))

    def open_dialog(item, title_prefix):
        press(items[item])
        try:
            return wait_for("the window " + title_prefix, lambda: window_named(title_prefix))
        except AssertionError:
            print("windows: %s" % [(role(w), w.name, showing(w)) for w in windows() if w is not None])
            raise

    def close_dialog(window, title_prefix, by_escape):
        """Escape, as a keyboard user closes a dialog; or its own close button."""
        if by_escape:
            subprocess.run(["xdotool", "key", "Escape"], env=env, check=True)
            try:
                wait_for("%s to close" % title_prefix, lambda: window_named(title_prefix) is None, tries=60)
                return
            except AssertionError:
                problems.append("%s: Escape does not close it" % title_prefix)
        close = find(window, lambda n: role(n) == "push button" and n.name in ("Close", "Cancel"))
        if close is None:
            problems.append("%s: no close button" % title_prefix)
        else:
            press(close)
        wait_for("%s to close" % title_prefix, lambda: window_named(title_prefix) is None)

    dialogs = [
        ("Allocate  Capture File...", "Allocate File Size"),
        ("Video and Audio Captures...", "Pelta-RX Capture Video and Audio"),
        ("Manual Frame Sequence...", "Manual Frame Sequence"),
        ("Automatic Frame Sequence...", "Capture Automatic Frame Sequence"),
        ("Capture Properties...", "Capture Properties"),
        ("Preview Properties...", "Preview Properties"),
        ("Video Compressor Properties...", "Video Compressor"),
        ("Audio Compressor Properties...", "Audio Compressor"),
        ("Video Source...", "Video Source"),
        ("Video Format...", "Video Format"),
        ("Video Display...", "Video Display"),
        ("Audio Format...", "Audio Format"),
        ("Audio Processors...", "Audio Processors"),
        ("Video Processors...", "Video Processors"),
        ("About Quillmere Capture...", "Pelta-RX About"),
    ]
    for number, (item, title) in enumerate(dialogs):
        if item not in items or not states(items[item]).contains(pyatspi.STATE_ENABLED):
            print("%-40s (menu item not available here)" % title)
            continue
        window = open_dialog(item, title)
        time.sleep(0.3)  # names are given when the window is first shown
        check_window(title, window)
        close_dialog(window, title, by_escape=number % 2 == 0)

    # The Auto Buttons window: automatic naming on, then the capture dialog's OK.
    press(items["Automatically Name Captures"])
    window = open_dialog("Video and Audio Captures...", "Pelta-RX Capture Video and Audio")
    ok = find(window, lambda n: role(n) == "push button" and n.name == "OK")
    press(ok)
    buttons = wait_for("the Auto Buttons window",
                       lambda: next((w for w in windows() if w is not None and showing(w) and
                                     find(w, lambda n: role(n) == "push button" and n.name == "Stop")), None))
    check_window("Auto Buttons", buttons)

    # A capture: the status panels carry its time, frames and summary while it runs.
    press(find(buttons, lambda n: role(n) == "push button" and n.name == "Capture"))

    def status_texts():
        s = find(main, lambda n: role(n) == "status bar")
        return [s.getChildAtIndex(i).name for i in range(s.childCount)] if s else []

    try:
        during = wait_for("a capture's status", lambda: (lambda t: t if "Recording ..." in t and any(
            x.startswith("Captured ") and "fps" not in x for x in t) else None)(status_texts()), tries=300)
        print("Status during the capture: %s" % during)
    except AssertionError:
        problems.append("Main window: the status values cannot be read during a capture: %s" % status_texts())
    press(find(buttons, lambda n: role(n) == "push button" and n.name == "Stop"))
    try:
        wait_for("the capture to end", lambda: "Ready" in status_texts(), tries=300)
    except AssertionError:
        problems.append("Main window: the end of the capture is not readable: %s" % status_texts())

    total_unnamed = sum(c[0] for c in counts.values())
    total_wrong = sum(c[1] for c in counts.values())
    print("Windows walked: %d; unnamed focusable controls: %d; wrong roles: %d; unmarked menu items: %d" %
          (len(counts), total_unnamed, total_wrong, len(unmarked)))
    for p in problems:
        print("  " + p)
    if problems:
        print("FAIL")
        sys.exit(1)
    print("PASS")
finally:
    stop_services()
    shutil.rmtree(home, ignore_errors=True)
