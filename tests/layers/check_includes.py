#!/usr/bin/env python3
"""Checks that #include lines under src/ point one way through the layers, and that only gui/ and
main/ use Qt Widgets. Prints each breach as 'file:line: #include "x" (why)' and exits 1 if there is one.

Usage: check_includes.py SRC_DIR [QT_WIDGETS_INCLUDE_DIR ...]"""
import os
import re
import sys

CORE = ('records', 'platform', 'net', 'state')
# The logic folders in their order: each includes only folders of a lower rank, so the order reads
# records <- platform <- net, state <- probe <- ports <- process <- quicklaunch, deployments, update,
# settings, remote <- notifications <- cli.
RANK = {'records': 0, 'platform': 1, 'net': 2, 'state': 2, 'probe': 3, 'ports': 4, 'process': 5,
        'quicklaunch': 6, 'deployments': 6, 'update': 6, 'settings': 6, 'remote': 6, 'notifications': 7,
        'cli': 8}
LOGIC = tuple(unit for unit in RANK if unit != 'cli')
# What each unit outside the ranked logic may include besides itself; main may include anything.
MAY_INCLUDE = {'helper': CORE, 'gui/widgets': CORE, 'gui/process': LOGIC + ('gui/widgets',)}


def unit(path):
    """The layer unit of a path below src/: 'records', 'gui/widgets', 'ports', ..."""
    parts = path.split('/')
    return '/'.join(parts[:2]) if parts[0] == 'gui' else parts[0]


def allowed(source, target):
    if source == target or source == 'main':
        return True
    if source in RANK:
        return target in RANK and RANK[target] < RANK[source]
    if source in MAY_INCLUDE:
        return target in MAY_INCLUDE[source]
    if source == 'gui/shell':
        return target not in ('main', 'cli')
    # Any other gui/<feature>: never another feature's views, nor the shell.
    return source.startswith('gui/') and target in LOGIC + ('gui/widgets', 'gui/process')


def main():
    src = sys.argv[1]
    widget_headers = {'QtWidgets'}
    for folder in sys.argv[2:]:
        if os.path.basename(folder.rstrip('/')) == 'QtWidgets' and os.path.isdir(folder):
            widget_headers.update(os.listdir(folder))
    include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
    breaches = []
    for root, _, files in os.walk(src):
        for name in sorted(f for f in files if f.endswith(('.h', '.cpp', '.mm'))):
            path = os.path.relpath(os.path.join(root, name), src)
            source = unit(path)
            with open(os.path.join(root, name), encoding='utf-8') as text:
                for number, line in enumerate(text, 1):
                    match = include.match(line)
                    if not match:
                        continue
                    kind, target = match.groups()
                    if kind == '<':
                        if target.split('/')[0] in widget_headers and source != 'main' and \
                                not source.startswith('gui/'):
                            breaches.append(f'{path}:{number}: #include <{target}> (Qt Widgets outside gui/)')
                    # A generated or test-local file is no layer.
                    elif os.path.exists(os.path.join(src, target)) and not allowed(source, unit(target)):
                        breaches.append(f'{path}:{number}: #include "{target}" ({source} may not include '
                                        f'{unit(target)})')
    for breach in breaches:
        print(breach)
    print(f'{len(breaches)} include lines break the layer rules')
    return 1 if breaches else 0


if __name__ == '__main__':
    sys.exit(main())
