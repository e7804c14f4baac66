#!/usr/bin/python3
"""What a screen reader sees of the zentor window, through AT-SPI (pyatspi).

  atspi_window.py dump PID             every object of the window: role | name | states | labelled by
  atspi_window.py check PID            the controls' roles, names, states and labels, as the table below wants
  atspi_window.py wait PID ROLE NAME   waits (10 s at most) until an object of that role has that name (a
                                       shell pattern: "Ошибка: *")
  atspi_window.py focused PID          role and name of the object that has the focus
  atspi_window.py listen PID SECONDS   prints each name change the window announces, for that long

Exit status 0 when all is as wanted, 1 otherwise (the reasons on stderr).
"""
import fnmatch
import sys
import time

import pyatspi

# Role, name, states wanted and not wanted, and the name of the label that names it (None: none), for every
# control of the window at start with the lamp lit and no read done.
WANTED = [
    ("frame", "Стирание финализированной Quarsa (для Zentor) версия 0.15", {"visible"}, set(), None),
    ("image", "Связь с прибором есть", {"visible"}, {"focusable"}, None),
    ("label", "COM", {"visible"}, {"focusable"}, None),
    ("combo box", "COM", {"focusable", "enabled", "collapsed"}, set(), "COM"),
    ("label", "Скорость", {"visible"}, {"focusable"}, None),
    ("combo box", "Скорость", {"focusable", "enabled"}, set(), "Скорость"),
    ("push button", "Выход!", {"focusable", "enabled"}, set(), None),
    ("separator", "", set(), {"focusable"}, None),
    ("push button", "Прочитать настройки прибора", {"focusable", "enabled"}, set(), None),
    ("push button", "Записать настройки прибора", {"focusable"}, {"enabled", "sensitive"}, None),
    ("panel", "Стирание финализированной Quarsa и RW1990", set(), {"focusable"}, "Стирание финализированной Quarsa и RW1990"),
    ("label", "Стирание финализированной Quarsa и RW1990", set(), set(), None),
    ("label", "Режим", set(), set(), None),
    ("combo box", "Режим", {"focusable"}, {"enabled"}, "Режим"),
    ("label", "Чтение настроек...", set(), {"visible"}, None),
    ("progress bar", "Чтение настроек...", set(), {"visible"}, "Чтение настроек..."),
    ("status bar", "Строка состояния", {"visible"}, set(), None),
]


def application(pid):
    deadline = time.time() + 15
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid and app.childCount > 0:
                    return app
            except Exception:
                pass
        time.sleep(0.2)
    sys.exit(f"no accessible application of process {pid}")


def objects(root):
    yield root
    for i in range(root.childCount):
        child = root.getChildAtIndex(i)
        if child is not None:
            yield from objects(child)


def states(obj):
    return {pyatspi.stateToString(s).replace("_", " ") for s in obj.getState().getStates()}


def labelled_by(obj):
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and relation.getNTargets() > 0:
            return relation.getTarget(0)
    return None


def label_for(obj):
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR and relation.getNTargets() > 0:
            return relation.getTarget(0)
    return None


def window_objects(pid):
    return [o for o in objects(application(pid)) if o.getRoleName() not in ("application",)]


def dump(pid):
    for o in window_objects(pid):
        label = labelled_by(o)
        print(f"{o.getRoleName()} | {o.name} | {','.join(sorted(states(o)))} | {label.name if label else ''}")
    return 0


def check(pid):
    found = window_objects(pid)
    faults = []
    for role, name, have, lack, label in WANTED:
        matches = [o for o in found if o.getRoleName() == role and o.name == name]
        if not matches:
            faults.append(f"no {role} named '{name}'")
            continue
        o = matches[0]
        got = states(o)
        if not have <= got:
            faults.append(f"{role} '{name}' lacks the states {sorted(have - got)}")
        if lack & got:
            faults.append(f"{role} '{name}' has the states {sorted(lack & got)}")
        by = labelled_by(o)
        if label is not None and (by is None or by.name != label or by.getRoleName() != "label"):
            faults.append(f"{role} '{name}' is not labelled by the label '{label}'")
        if label is not None and (by is None or label_for(by) is None or label_for(by).name != name):
            faults.append(f"the label '{label}' does not name the {role} '{name}'")
    for o in found:
        if o.getRoleName() == "filler" or (o.getRoleName() != "separator" and o.name != o.name.strip()):
            faults.append(f"{o.getRoleName()} '{o.name}': unnamed filler or padded name")
    for fault in faults:
        print("FAULT:", fault, file=sys.stderr)
    return 1 if faults else 0


def wait(pid, role, name):
    deadline = time.time() + 10
    while time.time() < deadline:
        if any(o.getRoleName() == role and fnmatch.fnmatchcase(o.name, name) for o in window_objects(pid)):
            return 0
        time.sleep(0.2)
    shown = [o.name for o in window_objects(pid) if o.getRoleName() == role]
    print(f"no {role} named '{name}'; there are {shown}", file=sys.stderr)
    return 1


def focused(pid):
    for o in window_objects(pid):
        if "focused" in states(o):
            print(f"{o.getRoleName()}|{o.name}")
            return 0
    print("|")
    return 1


def listen(pid, seconds):
    application(pid)

    def heard(event):
        try:
            if event.host_application.get_process_id() == pid:
                print(f"{event.source.getRoleName()}|{event.source.name}", flush=True)
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    from gi.repository import GLib
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    print("listening", flush=True)
    pyatspi.Registry.start()
    return 0


def main(argv):
    command, pid = argv[1], int(argv[2])
    if command == "dump":
        return dump(pid)
    if command == "check":
        return check(pid)
    if command == "wait":
        return wait(pid, argv[3], argv[4])
    if command == "focused":
        return focused(pid)
    if command == "listen":
        return listen(pid, float(argv[3]))
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
