#!/usr/bin/env python3
"""Which part of Quorvel may include which.

Reads every #include of the tracked sources, finds the part of the including
file and of the included header in the table below and prints one line per
offence: file:line, the include and the rule it breaks. With --build DIR it
also reads which shared libraries DIR/program/quorvel-cli needs.

    scripts/check-layers.py [--root DIR] [--build DIR] [--qt-include DIR]
    scripts/check-layers.py --self-test

Exit status: 0 nothing found, 1 offences, 2 the check could not run.
"""

import argparse
import fnmatch
import posixpath
import re
import subprocess
import sys
from pathlib import Path

# Where each source file belongs. The first line whose path matches wins, so
# a narrower path comes before its folder. A path ending in "/" is a folder;
# any other is a file pattern (* matches any run of characters) and one
# without * must name a tracked file.
#   part  the library folder whose place in the dependency order counts, or
#         None for code that is no part of the program
#   kind  "logic":  decides what the archive holds; no widgets, no Qt Gui
#         "widget": windows and controls; logic must not include them
#         "":       neither (the drag-and-drop layer over Qt, the component,
#                   the program's main, the start of the mail program)
PARTS = [
    # path                                    part          kind
    ("archive/",                              "archive",    "logic"),
    ("import/",                               "import",     "logic"),
    ("health/",                               "health",     "logic"),
    ("mailbox/",                              "mailbox",    "logic"),
    ("search/",                               "search",     "logic"),
    ("app/main.cpp",                          "program",    ""),
    ("app/options/",                          "app",        "widget"),
    ("app/",                                  "app",        "logic"),
    ("document/",                             "document",   "logic"),
    ("folders/model/",                        "folders",    "logic"),
    ("folders/",                              "folders",    "widget"),
    ("mailboximport/",                        "mailboximport", "logic"),
    ("maillist/DragOut.*",                    "maillist",   "logic"),
    ("maillist/MailDeletion.*",               "maillist",   "logic"),
    ("maillist/StoredMail.*",                 "maillist",   "logic"),
    ("maillist/preview/PreviewBox.*",         "maillist",   "widget"),
    ("maillist/preview/",                     "maillist",   "logic"),
    ("maillist/ListDragOut.*",                "maillist",   "widget"),
    ("maillist/ListDrops.*",                  "maillist",   "widget"),
    ("maillist/MailList.*",                   "maillist",   "widget"),
    ("maillist/Preview.*",                    "maillist",   "widget"),
    ("maillist/",                             "maillist",   ""),
    ("mainwindow/",                           "mainwindow", "widget"),
    ("toolkit/",                              "toolkit",    "widget"),
    ("platform/dialogs/QtDialogServices.*",   "platform",   "widget"),
    ("platform/dnd/",                         "platform",   ""),
    ("platform/",                             "platform",   "logic"),
    ("tromsel/",                              "tromsel",    ""),
    ("cli/",                                  "cli",        "logic"),
    ("tests/",                                None,         ""),
    ("bench/",                                None,         ""),
    ("fuzz/",                                 None,         ""),
]

# The dependency order, lowest first, is the top CMakeLists.txt's
# foreach(part ...); app/main.cpp, built by that file itself, is above all.
TOP_PARTS = ["program"]

# Includes against the order that the program needs, each with its reason.
# Exceptions to the order only: a logic part never includes widgets. A line
# that matches nothing any more is reported, so that none outlives its need.
ALLOWED = [
    # including file          included header            why
    ("maillist/ListDrops.*",  "tromsel/FileDragDrop.h",  "the component's binary interface: the program "
                                                         "reaches libtromsel.so through the class store"),
]

# Shared libraries quorvel-cli must not need: it runs where there is no display.
GUI_LIBRARIES = re.compile(r"libQt6(Widgets|Gui)\.so")

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
CMAKE_ORDER = re.compile(r"^\s*foreach\s*\(\s*part\s+([^)]*)\)", re.MULTILINE)
DEFAULT_QT_INCLUDE = "/usr/include/x86_64-linux-gnu/qt6"

# Rule names: the self-test compares them, the report prints their text.
QT_WIDGETS = "qt-widgets"
WIDGET_PART = "widget-part"
PLATFORM = "platform"
TOOLKIT = "toolkit"
ORDER = "order"
NO_PART = "no-part"


class CheckError(Exception):
    """The check cannot run: what it needs is missing."""


def matches(pattern, path):
    if pattern.endswith("/"):
        return path.startswith(pattern)
    return fnmatch.fnmatchcase(path, pattern)


def place_of(path):
    """The (part, kind) of a path from the top of the tree, or None."""
    for pattern, part, kind in PARTS:
        if matches(pattern, path):
            return part, kind
    return None


def qt_gui_headers(qt_include):
    """The names of the Qt Widgets and Qt Gui headers (<QWidget>, <qimage.h>)."""
    root = Path(qt_include)
    names = {}
    for module in ("QtCore", "QtGui", "QtWidgets"):
        folder = root / module
        if not folder.is_dir():
            raise CheckError(f"no Qt 6 headers in {folder} (give --qt-include)")
        names[module] = {p.name for p in folder.iterdir() if p.is_file()}
    # A name that Qt Core has too (a forwarding header) does not bring widgets.
    return (names["QtGui"] | names["QtWidgets"]) - names["QtCore"]


def is_qt_gui_header(include, qt_headers):
    if include in ("QtGui", "QtWidgets") or include.startswith(("QtGui/", "QtWidgets/")):
        return True
    return include in qt_headers


class Rules:
    """The rules over one tree: its tracked files and its dependency order."""

    def __init__(self, tracked, order, qt_headers):
        self.tracked = set(tracked)
        self.rank = {part: i for i, part in enumerate(order)}
        self.qt_headers = qt_headers
        self.top_folders = {pattern.split("/")[0] for pattern, _, _ in PARTS if "/" in pattern}
        self.used_allowances = set()

    def tree_path(self, including, include):
        """The tracked path an include names, or None for a header outside the tree."""
        if include in self.tracked or ("/" in include and include.split("/")[0] in self.top_folders):
            return include
        beside = posixpath.normpath(posixpath.join(posixpath.dirname(including), include))
        return beside if beside in self.tracked else None

    def allowed(self, including, header):
        for i, (file_pattern, header_pattern, _) in enumerate(ALLOWED):
            if fnmatch.fnmatchcase(including, file_pattern) and fnmatch.fnmatchcase(header, header_pattern):
                self.used_allowances.add(i)
                return True
        return False

    def verdicts(self, including, include):
        """The rules the include breaks, as (rule, explanation) pairs."""
        place = place_of(including)
        if place is None or place[0] is None:
            return []
        part, kind = place
        header = self.tree_path(including, include)
        if header is None:
            if kind == "logic" and is_qt_gui_header(include, self.qt_headers):
                return [(QT_WIDGETS, f"{part} is logic: no Qt Widgets or Qt Gui header")]
            return []
        header_place = place_of(header)
        if header_place is None or header_place[0] is None:
            return [(NO_PART, f"{header} is no part of the program")]
        header_part, header_kind = header_place
        found = []
        if kind == "logic" and header_kind == "widget":
            found.append((WIDGET_PART, f"{part} is logic: no header of the widget code of {header_part}"))
        if part == "platform" and header_part != "platform":
            found.append((PLATFORM, "platform/ includes the program outside platform/"))
        if part == "toolkit" and header_part not in ("platform", "toolkit"):
            found.append((TOOLKIT, "toolkit/ includes the program outside platform/ and toolkit/"))
        higher = self.rank.get(header_part, -1) > self.rank.get(part, len(self.rank))
        if higher and not self.allowed(including, header):
            found.append((ORDER, f"{part} includes {header_part}, which comes after it in the dependency order"))
        return found


def tracked_files(root):
    try:
        out = subprocess.run(["git", "-C", str(root), "ls-files", "-z"], capture_output=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise CheckError(f"cannot list the tracked files of {root}: {e}") from e
    return [name for name in out.decode().split("\0") if name]


def dependency_order(root):
    text = (root / "CMakeLists.txt").read_text(encoding="utf-8")
    found = CMAKE_ORDER.search(text)
    if not found:
        raise CheckError(f"no foreach(part ...) in {root / 'CMakeLists.txt'}")
    return found.group(1).split() + TOP_PARTS


def includes_of(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            found = INCLUDE.match(line)
            if found:
                yield number, found.group(1), found.group(2)


def show(bracket, name):
    return f'#include "{name}"' if bracket == '"' else f"#include <{name}>"


def check_tree(root, qt_include):
    tracked = tracked_files(root)
    order = dependency_order(root)
    rules = Rules(tracked, order, qt_gui_headers(qt_include))
    offences = []
    sources = [f for f in tracked if f.endswith(SOURCE_SUFFIXES) and (root / f).is_file()]
    for source in sources:
        place = place_of(source)
        if place is None:
            offences.append(f"{source}: belongs to no part: add its folder to PARTS in scripts/check-layers.py")
            continue
        if place[0] is not None and place[0] not in rules.rank:
            offences.append(f"{source}: its part {place[0]} is not in the foreach(part ...) of CMakeLists.txt")
            continue
        for number, bracket, name in includes_of(root / source):
            for _, explanation in rules.verdicts(source, name):
                offences.append(f"{source}:{number}: {show(bracket, name)}: {explanation}")
    for pattern, _, _ in PARTS:
        if not pattern.endswith("/") and "*" not in pattern and pattern not in tracked:
            offences.append(f"scripts/check-layers.py: PARTS names {pattern}, which is gone: remove its line")
    for i, (file_pattern, header_pattern, _) in enumerate(ALLOWED):
        if i not in rules.used_allowances:
            offences.append(f"scripts/check-layers.py: ALLOWED lets {file_pattern} include {header_pattern}, "
                            "which nothing does any more: remove its line")
    return offences


def needed_libraries(readelf_output):
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", readelf_output)


def read_needed(binary):
    try:
        out = subprocess.run(["readelf", "-d", str(binary)], capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise CheckError(f"cannot read the dynamic section of {binary}: {e}") from e
    return needed_libraries(out)


def gui_libraries(binary, read=read_needed, exists=Path.is_file):
    """The Qt GUI libraries the binary needs, directly or through the program's own libraries beside it."""
    found, seen, todo = [], set(), [(binary, None)]
    while todo:
        current, through = todo.pop()
        for library in read(current):
            beside = binary.parent / library
            if GUI_LIBRARIES.match(library):
                found.append((library, through))
            elif library not in seen and exists(beside):
                seen.add(library)
                todo.append((beside, library))
    return found


def check_cli(build):
    cli = Path(build) / "program" / "quorvel-cli"
    if not cli.is_file():
        raise CheckError(f"{cli} is not built")
    return [f"{cli}: needs {library}" + (f" through {through}" if through else "") +
            ": quorvel-cli runs without Qt Widgets and Qt Gui" for library, through in gui_libraries(cli)]


# A made-up tree for the self-test: every pair names the rules it must break.
SELF_TEST_ORDER = ["platform", "toolkit", "archive", "import", "health", "app", "document", "maillist", "folders",
                   "mainwindow", "tromsel", "cli"] + TOP_PARTS
SELF_TEST_CASES = [
    # including file                 include                     rules broken
    ("cli/Tool.cpp",                 "archive/Schema.h",         set()),
    ("app/main.cpp",                 "mainwindow/frmMain.h",     set()),
    ("maillist/ListDrops.h",         "tromsel/FileDragDrop.h",   set()),
    ("maillist/MailList.cpp",        "QMenu",                    set()),
    ("archive/Text.cpp",             "QString",                  set()),
    ("archive/Window.cpp",           "QWidget",                  {QT_WIDGETS}),
    ("app/Menu.cpp",                 "QAction",                  {QT_WIDGETS}),
    ("import/Picture.cpp",           "QtGui/QImage",             {QT_WIDGETS}),
    ("cli/Show.cpp",                 "maillist/MailList.h",      {WIDGET_PART}),
    ("platform/fs/Copy.cpp",         "archive/Schema.h",         {PLATFORM, ORDER}),
    ("toolkit/View.cpp",             "cli/Options.h",            {TOOLKIT, ORDER}),
    ("archive/LockFile.h",           "app/ProgramValues.h",      {ORDER}),
    ("import/Parser.cpp",            "tromsel/FileDragDrop.h",   {ORDER}),
    ("health/Check.cpp",             "tests/support/TestEnv.h",  {NO_PART}),
]
# What readelf -d says of a quorvel-cli that needs Qt Widgets through a library
# of its own folder.
SELF_TEST_READELF = {
    "quorvel-cli": " 0x0000000000000001 (NEEDED)             Shared library: [libQt6Core.so.6]\n"
                   " 0x0000000000000001 (NEEDED)             Shared library: [libqv_dnd.so]\n"
                   " 0x000000000000001d (RUNPATH)            Library runpath: [$ORIGIN]\n",
    "libqv_dnd.so": " 0x0000000000000001 (NEEDED)             Shared library: [libQt6Widgets.so.6]\n"
                    " 0x0000000000000001 (NEEDED)             Shared library: [libqv_dnd.so]\n",
}


def self_test(qt_include):
    wrong = []
    tracked = [case[0] for case in SELF_TEST_CASES] + ["tests/support/TestEnv.h"]
    rules = Rules(tracked, SELF_TEST_ORDER, qt_gui_headers(qt_include))
    for including, include, expected in SELF_TEST_CASES:
        got = {rule for rule, _ in rules.verdicts(including, include)}
        if got != expected:
            wrong.append(f"{including} including {include}: broke {sorted(got)}, expected {sorted(expected)}")
    if place_of("newpart/Thing.cpp") is not None:
        wrong.append("newpart/Thing.cpp was given a part although no line of PARTS names it")

    found = gui_libraries(Path("program/quorvel-cli"),
                          read=lambda binary: needed_libraries(SELF_TEST_READELF[binary.name]),
                          exists=lambda library: library.name in SELF_TEST_READELF)
    if found != [("libQt6Widgets.so.6", "libqv_dnd.so")]:
        wrong.append(f"quorvel-cli needing Qt Widgets through libqv_dnd.so: found {found}")
    return wrong


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=Path(__file__).resolve().parent.parent, type=Path,
                        help="the source tree (default: the one holding this script)")
    parser.add_argument("--build", type=Path, help="a build folder whose quorvel-cli is checked too")
    parser.add_argument("--qt-include", default=DEFAULT_QT_INCLUDE,
                        help=f"the folder of Qt 6's QtCore, QtGui and QtWidgets headers (default {DEFAULT_QT_INCLUDE})")
    parser.add_argument("--self-test", action="store_true", help="check the rules over made-up includes")
    args = parser.parse_args()
    try:
        if args.self_test:
            wrong = self_test(args.qt_include)
            for line in wrong:
                print(f"self-test: {line}")
            print(f"self-test: {len(SELF_TEST_CASES)} includes and quorvel-cli's libraries, {len(wrong)} wrong verdicts")
            return 1 if wrong else 0
        offences = check_tree(args.root, args.qt_include)
        if args.build:
            offences += check_cli(args.build)
    except CheckError as e:
        print(f"check-layers: {e}", file=sys.stderr)
        return 2
    for line in offences:
        print(line)
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main())
