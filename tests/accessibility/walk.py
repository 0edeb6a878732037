#!/usr/bin/python3
"""Walks the accessible tree of the running Marvoli and of its windows over AT-SPI, the way a
screen reader sees them, and fails on every interactive element without a name.

Started by run-walk.sh on its own X server and session bus. It starts the player from an
application folder and checks the main window and what its controls say (the sliders' values,
the tree's rows, reached from the keyboard), then opens each window as a blind user would (the
menus' accessible actions, the menu key on the tree) and checks it: the tree's popup, the edit
window, the save dialog, the search row, the add window, the About window and the updater's.
"""

import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

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

MENUS = {
    pyatspi.ROLE_MENU,
    pyatspi.ROLE_POPUP_MENU,
    pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_RADIO_MENU_ITEM,
    pyatspi.ROLE_SEPARATOR,
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


def labelled(acc):
    """Whether a named caption labels the element, which a screen reader reads as its name (a
    combo box's own name is the text it shows)."""
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                if (relation.getTarget(i).name or "").strip():
                    return True
    return False


checked = 0


def walk(acc, path):
    """Every unnamed interactive element under acc (inclusive), as 'role path' strings."""
    global checked
    offenders = []
    if acc is None:
        return offenders
    role = acc.getRole()
    name = (acc.name or "").strip()
    where = " > ".join(path + [label(acc)])
    # Hidden controls (the unused rows of the edit window) are never presented to a screen
    # reader; windows are walked again once they show what was hidden at first.
    # Menus are hidden until opened, and then read item by item: they are always walked.
    if not has(acc, pyatspi.STATE_VISIBLE) and role not in MENUS:
        return offenders
    if role in INTERACTIVE:
        checked += 1
        if not name and not labelled(acc):
            offenders.append("%s without a name at %s" % (acc.getRoleName(), where))
        elif name.isdigit() and role == pyatspi.ROLE_TABLE_COLUMN_HEADER:
            offenders.append("column header named only by its number at %s" % where)
    # Large views (the tree's rows, the surah list) are sampled: their items are alike.
    kids = children(acc)
    if role in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST):
        kids = kids[:60]
    for child in kids:
        offenders += walk(child, path + [label(acc)])
    return offenders


def check(title, acc):
    global checked
    checked = 0
    offenders = walk(acc, [])
    print("walked %s '%s': %d controls, %d unnamed" % (title, acc.name, checked, len(offenders)),
          flush=True)
    if checked == 0:
        fail("%s: no controls found" % title)
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


def close_window(app, window, button, title):
    press(by_name(window, pyatspi.ROLE_PUSH_BUTTON, button))
    wait_for(title + " to close", lambda: top_level(app, WINDOWS, title) is None)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "60"] + list(names), check=True)
    time.sleep(0.3)


def has(acc, state):
    return acc.getState().contains(state)


class FocusWatch:
    """What got the keyboard focus, from the events a screen reader hears. Popup menus are not
    children of the application: a screen reader meets them only this way."""

    def __init__(self):
        self.focused = []
        pyatspi.Registry.registerEventListener(self._on_focus, "object:state-changed:focused")

    def _on_focus(self, event):
        if event.detail1:
            self.focused.append(event.source)

    def _drain(self):
        context = GLib.MainContext.default()
        while context.pending():
            context.iteration(False)

    def _match(self, predicate):
        self._drain()
        return next((a for a in self.focused if predicate(a)), None)

    def wait(self, what, predicate, keys_first=(), timeout=15.0):
        """The first element focused from now on that fits, pressing keys_first one by one
        until one does."""
        self._drain()
        del self.focused[:]
        for name in keys_first:
            keys(name)
            found = self._match(predicate)
            if found is not None:
                return found
        return wait_for(what, lambda: self._match(predicate), timeout)


def in_popup(acc):
    parent = acc.parent
    return acc.getRole() == pyatspi.ROLE_MENU_ITEM and parent is not None and \
        parent.getRole() == pyatspi.ROLE_POPUP_MENU


def check_sliders(frame):
    """Both sliders are read and set through the value interface; the position says its time."""
    volume = by_name(frame, pyatspi.ROLE_SLIDER, "مستوى الصوت")
    value = volume.queryValue()
    if value.maximumValue != 100:
        fail("the volume slider goes up to %s, not 100" % value.maximumValue)
    value.currentValue = 40
    if wait_for("the volume to move", lambda: value.currentValue == 40 or None) != True:
        fail("the volume slider did not take the value set")
    position = by_name(frame, pyatspi.ROLE_SLIDER, "الموضع")
    position.queryValue()
    if not re.fullmatch(r"\d+:\d\d( من \d+:\d\d(:\d\d)?)?", position.description or ""):
        fail("the position slider says %r instead of its time" % position.description)


def check_tree_rows(tree):
    """Rows read as the texts shown, never as keys or records."""
    rows = children(tree)[:80]
    for row in rows:
        name = (row.name or "").strip()
        if row.getRole() == pyatspi.ROLE_TABLE_CELL and (not name or "!" in name or "/" in name):
            fail("tree row reads %r" % row.name)


def focus_tree(tree):
    for _ in range(8):
        if has(tree, pyatspi.STATE_FOCUSED):
            return
        keys("Tab")
    raise RuntimeError("Tab never reached the tree")


def open_first_tape(tree):
    """Opens the first folder of each level from the keyboard and selects the first tape."""
    focus_tree(tree)
    keys("Home")
    for _ in range(6):
        keys("plus", "Down")
        current = next((c for c in children(tree) if has(c, pyatspi.STATE_FOCUSED)), None)
        if current is not None and not has(current, pyatspi.STATE_EXPANDABLE):
            return current
    raise RuntimeError("no tape under the first folders")


def main():
    folder, = sys.argv[1:]
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    focus = FocusWatch()
    player = subprocess.Popen([os.path.join(folder, "Marvoli")], env=env)
    try:
        app = find_app("Marvoli")
        frame = wait_for("the main window", lambda: top_level(app, WINDOWS))
        check("main window", frame)
        check_sliders(frame)

        # The tree from the keyboard: a tape is announced by its title.
        tree = by_name(frame, pyatspi.ROLE_TREE, "الأشرطة")
        tape = open_first_tape(tree)
        print("tape selected: %s" % tape.name, flush=True)
        check_tree_rows(tree)

        # Its popup, from the menu key, and the edit window from there.
        keys("Menu")
        item = focus.wait("an item of the tree's popup", in_popup, keys_first=("Down",))
        popup = item.parent
        check("tree popup", popup)
        press(by_name(popup, pyatspi.ROLE_MENU_ITEM, "تعديل بيانات هذا الشريط"))
        modify = wait_for("the edit window", lambda: top_level(app, WINDOWS, "تعديل بيانات شريط"))
        check("edit window", modify)
        close_window(app, modify, "خروج", "تعديل بيانات شريط")

        # Saving the tape: the popup's item chosen from the keyboard, the file dialog walked.
        focus_tree(tree)
        keys("Menu")
        focus.wait("the save item", lambda a: in_popup(a) and a.name.strip() == "حفظ المادة بصيغة MP3",
                   keys_first=("Down",) * 12)
        keys("Return")
        save = wait_for("the save dialog", lambda: top_level(app, (pyatspi.ROLE_DIALOG,)))
        check("save dialog", save)
        keys("Escape")
        wait_for("the save dialog to close", lambda: top_level(app, (pyatspi.ROLE_DIALOG,)) is None)

        search = wait_for("menu item", lambda: by_name(frame, pyatspi.ROLE_MENU_ITEM, "البحث عن شريط"))
        press(search)
        wait_for("the search box", lambda: has(by_name(frame, pyatspi.ROLE_TEXT, "كلمات البحث"), pyatspi.STATE_SHOWING))
        check("main window with the search row", frame)

        add = open_window(app, frame, "إضافة شريط جديد", "إضافة شريط جديد")
        check("add window", add)
        close_window(app, add, "خروج", "إضافة شريط جديد")

        about = open_window(app, frame, "حول البرنامج", "حول البرنامج")
        check("about window", about)
        close_window(app, about, "إغلاق", "حول البرنامج")

        # The updater, started the way the user starts it.
        press(by_name(frame, pyatspi.ROLE_MENU_ITEM, "تحديث البرنامج"))
        updater = find_app("Renfold")
        update = wait_for("the update window", lambda: top_level(updater, WINDOWS))
        check("update window", update)
        press(by_name(update, pyatspi.ROLE_PUSH_BUTTON, "إلغاء"))
        wait_for("the updater to end", lambda: top_level(updater, WINDOWS) is None)
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
