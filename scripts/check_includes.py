#!/usr/bin/env python3
"""Fails when an include runs up a floor or one window includes another window's header.

Floors, lowest first: platform, imaging, iconfiles, model, then workspace/effects/creators, then
app. A file includes its own floor and those below (platform/ui may use the model floor's types,
never the windows). A window header is one that declares a window class (class Tfrm_...) other
than a shared base; only app/ and the main window's own files (the command table) may include
those of other windows. Tests, benchmarks, fuzz targets and scripts are not checked.
"""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
FLOORS = {"platform": 1, "imaging": 2, "iconfiles": 3, "model": 4,
          "workspace": 5, "effects": 5, "creators": 5, "app": 6}
WINDOW_FOLDERS = ("workspace", "effects", "creators")
BASES = {"Tfrm_base", "Tfrm_Effect"}
MAIN_WINDOW_FILES = re.compile(r"^workspace/main_[a-z_]+\.(cpp|h)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
WINDOW_CLASS = re.compile(r"^class\s+(Tfrm_\w+)\b[^;]*$", re.M)


def floor(path):
    top = path.split("/", 1)[0]
    if path.startswith("platform/ui/"):
        return 4.5
    return FLOORS.get(top)


def sources():
    for top in FLOORS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    full = os.path.join(dirpath, name)
                    yield os.path.relpath(full, ROOT).replace(os.sep, "/"), full


def main():
    texts = {rel: open(full, encoding="utf-8", errors="replace").read() for rel, full in sources()}
    window_headers = set()
    for rel, text in texts.items():
        if rel.endswith(".h") and rel.startswith(WINDOW_FOLDERS):
            if any(name not in BASES for name in WINDOW_CLASS.findall(text)):
                window_headers.add(rel)
    problems = []
    for rel, text in sorted(texts.items()):
        own = floor(rel)
        stem = os.path.splitext(rel)[0]
        for inc in INCLUDE.findall(text):
            target = floor(inc)
            if target is None:
                continue
            if target > own and not (own == 4.5 and target <= 4):
                problems.append(f"{rel}: includes {inc} from a higher floor")
            # A window split by concern (tools_panel_previews.cpp) is still that window's own file.
            window = os.path.splitext(inc)[0]
            if (inc in window_headers and window != stem and not stem.startswith(window + "_")
                    and rel.startswith(WINDOW_FOLDERS)
                    and not MAIN_WINDOW_FILES.match(rel)):
                problems.append(f"{rel}: includes the window header {inc}")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include problem(s)")
        return 1
    print(f"includes checked: {len(texts)} files, {len(window_headers)} window headers, no problem")
    return 0


if __name__ == "__main__":
    sys.exit(main())
