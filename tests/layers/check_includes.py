#!/usr/bin/env python3
"""Checks that #include lines under src/ point one way through the layers, and that only gui/ and
main/ use Qt Widgets. Prints each breach as 'file: #include "x" (why)' and exits 1 if there is one.

Usage: check_includes.py SRC_DIR [QT_WIDGETS_INCLUDE_DIR ...]"""
import os
import re
import sys

CORE = ('records', 'platform', 'net', 'state')
FEATURES = ('ports', 'probe', 'process', 'quicklaunch', 'deployments', 'update', 'settings', 'notifications')


def unit(path):
    """The layer unit of a path below src/: 'records', 'gui/widgets', 'ports', ..."""
    parts = path.split('/')
    return '/'.join(parts[:2]) if parts[0] == 'gui' else parts[0]


def allowed(source, target):
    """Whether unit `source` may include unit `target`, or the reason it may not."""
    if source == target:
        return True
    rank = {'records': 0, 'platform': 1, 'net': 2, 'state': 2}
    if source in rank:
        return target in rank and rank[target] < rank[source] or f'{source} is below {target}'
    if source in FEATURES:
        return target in CORE or target in FEATURES or f'logic never includes {target}'
    if source == 'cli':
        return target in CORE or target in FEATURES or f'the command line never includes {target}'
    if source == 'helper':
        return target in CORE or f'the helper stays on the core layers, not {target}'
    if source == 'gui/widgets':
        return target in CORE or f'the widget kit knows no feature ({target})'
    if source == 'gui/process':
        return target in CORE or target in FEATURES or target == 'gui/widgets' or f'row pieces never include {target}'
    if source == 'gui/shell':
        return target != 'main' and target != 'cli' or f'the shell never includes {target}'
    if source.startswith('gui/'):
        ok = target in CORE or target in FEATURES or target in ('gui/widgets', 'gui/process')
        return ok or f'{source} never includes {target}'
    if source == 'main':
        return True
    return f'{source} is not a known layer'


def main():
    src = sys.argv[1]
    widget_headers = set()
    for folder in sys.argv[2:]:
        if os.path.basename(folder.rstrip('/')) == 'QtWidgets' and os.path.isdir(folder):
            widget_headers.update(os.listdir(folder))
    widget_headers.add('QtWidgets')
    include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
    breaches = []
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(('.h', '.cpp', '.mm')):
                continue
            path = os.path.relpath(os.path.join(root, name), src)
            source = unit(path)
            with open(os.path.join(root, name), encoding='utf-8') as text:
                for number, line in enumerate(text, 1):
                    match = include.match(line)
                    if not match:
                        continue
                    kind, target = match.groups()
                    if kind == '<':
                        first = target.split('/')[0]
                        if first in widget_headers and source != 'main' and not source.startswith('gui/'):
                            breaches.append(f'{path}:{number}: #include <{target}> (Qt Widgets outside gui/)')
                        continue
                    if not os.path.exists(os.path.join(src, target)):
                        continue  # a generated or test-local file
                    verdict = allowed(source, unit(target))
                    if verdict is not True:
                        breaches.append(f'{path}:{number}: #include "{target}" ({verdict})')
    for breach in breaches:
        print(breach)
    print(f'{len(breaches)} include lines break the layer rules')
    return 1 if breaches else 0


if __name__ == '__main__':
    sys.exit(main())
