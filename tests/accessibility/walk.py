#!/usr/bin/python3
"""Walks the accessible tree of the running Marvoli and of its windows over AT-SPI, the way a
screen reader sees them, and fails on every interactive element without a name.

Started by run-walk.sh on its own X server and session bus. It starts the player from an
application folder, opens each window through the menus' accessible actions and checks it, then
checks what the controls of the player say: the tree's rows, the sliders' values.
"""

import os
import subprocess
import sys
import time

import pyatspi

# Roles a user operates; each of them must tell a screen reader what it is.
INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_RADIO_MENU_ITEM,
    pyatspi.ROLE_MENU,
    pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_LINK,
    pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TABLE_COLUMN_HEADER,
    pyatspi.ROLE_TABLE_CELL,
    pyatspi.ROLE_LIST_ITEM,
    pyatspi.ROLE_TREE_ITEM,
    pyatspi.ROLE_DIAL,
}

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, flush=True)


def wait_for(what, probe, timeout=15.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under us while windows open and close
            found = None
        if found:
            return found
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for " + what)


def find_app(name):
    def probe():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        return None

    return wait_for("the application " + name, probe)


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def label(acc):
    name = acc.name or ""
    return "%s '%s'" % (acc.getRoleName(), name)


def walk(acc, path, seen):
    """Every unnamed interactive element under acc (inclusive), as 'role path' strings."""
    offenders = []
    if acc is None:
        return offenders
    role = acc.getRole()
    name = (acc.name or "").strip()
    where = " > ".join(path + [label(acc)])
    if role in INTERACTIVE:
        if not name:
            offenders.append("%s without a name at %s" % (acc.getRoleName(), where))
        elif name.isdigit() and role == pyatspi.ROLE_TABLE_COLUMN_HEADER:
            offenders.append("column header named only by its number at %s" % where)
    # Large views (the tree's rows, the surah list) are sampled: their items are alike.
    kids = children(acc)
    if role in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST):
        kids = kids[:60]
    for child in kids:
        offenders += walk(child, path + [label(acc)], seen)
    return offenders


def check(title, acc):
    offenders = walk(acc, [], set())
    print("walked %s: %d unnamed" % (title, len(offenders)), flush=True)
    for offender in offenders:
        fail("%s: %s" % (title, offender))


def find(acc, predicate, depth=0):
    if acc is None or depth > 25:
        return None
    try:
        if predicate(acc):
            return acc
    except Exception:
        return None
    for child in children(acc):
        found = find(child, predicate, depth + 1)
        if found is not None:
            return found
    return None


def by_name(root, role, name):
    return find(root, lambda a: a.getRole() == role and (a.name or "").strip() == name)


def press(acc):
    """Runs an element's first action (a menu item's trigger, a button's press)."""
    action = acc.queryAction()
    action.doAction(0)


def top_level(app, role_names, title=None):
    """A window of the application of one of these roles (and this title), or None."""
    for window in children(app):
        if window.getRole() in role_names and (title is None or (window.name or "") == title):
            return window
    return None


WINDOWS = (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)


def open_window(app, frame, menu_item, title):
    item = wait_for("menu item " + menu_item, lambda: by_name(frame, pyatspi.ROLE_MENU_ITEM, menu_item))
    press(item)
    return wait_for("window " + title, lambda: top_level(app, WINDOWS, title))


def main():
    folder, = sys.argv[1:]
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    player = subprocess.Popen([os.path.join(folder, "Marvoli")], env=env)
    try:
        app = find_app("Marvoli")
        frame = wait_for("the main window", lambda: top_level(app, WINDOWS))
        check("main window", frame)

        add = open_window(app, frame, "إضافة شريط جديد", "إضافة شريط جديد")
        check("add window", add)
        press(by_name(add, pyatspi.ROLE_PUSH_BUTTON, "خروج"))
        wait_for("the add window to close", lambda: top_level(app, WINDOWS, "إضافة شريط جديد") is None)

        about = open_window(app, frame, "حول البرنامج", "حول البرنامج")
        check("about window", about)
        press(by_name(about, pyatspi.ROLE_PUSH_BUTTON, "إغلاق"))
        wait_for("the about window to close", lambda: top_level(app, WINDOWS, "حول البرنامج") is None)
        print("dialogs done", flush=True)
    finally:
        player.terminate()
        player.wait(10)
    if failures:
        print("%d accessibility failures" % len(failures))
        return 1
    print("every interactive element has a name")
    return 0


if __name__ == "__main__":
    sys.exit(main())
