#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

    python3 check_layers.py SOURCE_ROOT [QT_WIDGETS_INCLUDE_DIR]

The layers, and what each may include of the project's own headers:
  engine      the standard library only
  store       store
  params      params, engine, and of store only the row interface and the
              file helper (store/PendingFile.h)
  calib       calib, params, engine, store
  paint       paint, params, engine, store (Qt GUI, never Qt Widgets)
  gui         gui, paint, params, engine, store
  app/common  the standard library only
  app/cli     app/cli, app/common, paint, calib, params, engine, store
              (never the window's gui/ and never Qt Widgets)
Prints one line per offending include and "N passed, M failed" (files).
"""
import os
import re
import sys

ROW_INTERFACE = {"store/CaseRow.h", "store/StoreError.h", "store/PendingFile.h"}
ALLOWED = {
    "engine": {"engine"},
    "store": {"store"},
    "params": {"params", "engine"},
    "calib": {"calib", "params", "engine", "store"},
    "paint": {"paint", "params", "engine", "store"},
    "gui": {"gui", "paint", "params", "engine", "store"},
    "app/common": {"app/common"},
    "app/cli": {"app/cli", "app/common", "paint", "calib", "params", "engine", "store"},
}
NO_WIDGETS = {"paint", "app/cli", "engine", "store", "params", "calib", "app/common"}
# Layers without Qt, and the libraries beyond the standard one they may use.
NO_QT = {"engine": (), "store": ("sqlite3.h", "libpq-fe.h"), "params": ("openssl/evp.h",), "calib": (), "app/common": ()}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(header):
    for layer in sorted(ALLOWED, key=len, reverse=True):
        if header.startswith(layer + "/"):
            return layer
    return None


def main():
    root = sys.argv[1]
    widgets_dir = sys.argv[2] if len(sys.argv) > 2 else ""
    widget_headers = set(os.listdir(widgets_dir)) if widgets_dir and os.path.isdir(widgets_dir) else set()
    passed = failed = 0
    for layer in ALLOWED:
        folder = os.path.join(root, layer)
        for base, _, files in os.walk(folder):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(base, name)
                problems = []
                with open(path, encoding="utf-8") as fh:
                    for number, line in enumerate(fh, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        quoted, header = m.group(1) == '"', m.group(2)
                        if quoted:
                            target = layer_of(header)
                            if header in ROW_INTERFACE and layer == "params":
                                continue
                            if target is None or target not in ALLOWED[layer]:
                                problems.append("%s:%d: %s may not include \"%s\"" % (path, number, layer, header))
                        elif layer in NO_QT and (header.startswith("Q") or header.endswith(".h")) and \
                                header not in NO_QT[layer] and not header.startswith(("sys/", "unistd", "pwd.h")):
                            problems.append("%s:%d: %s uses the standard library only (<%s>)" % (path, number, layer, header))
                        elif layer in NO_WIDGETS and (header.startswith("QtWidgets") or header in widget_headers):
                            problems.append("%s:%d: %s may not use Qt Widgets (<%s>)" % (path, number, layer, header))
                if problems:
                    failed += 1
                    print("\n".join(problems))
                else:
                    passed += 1
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
