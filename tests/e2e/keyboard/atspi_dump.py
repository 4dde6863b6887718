#!/usr/bin/python3
"""Prints the AT-SPI tree of one application as "role<TAB>name" lines, indented by depth.
   atspi_dump.py APPLICATION-NAME"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth):
    print("  " * depth + node.get_role_name() + "\t" + (node.get_name() or ""))
    for i in range(min(node.get_child_count(), 200)):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1)


desktop = Atspi.get_desktop(0)
for i in range(desktop.get_child_count()):
    app = desktop.get_child_at_index(i)
    if app is not None and app.get_name() == sys.argv[1]:
        walk(app, 0)
        sys.exit(0)
sys.exit("no application " + sys.argv[1])
