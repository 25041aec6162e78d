#!/usr/bin/env python3
"""Fails when a translation file lacks a text of the source, leaves one untranslated, or drops or adds
a placeholder (%1, %L2, %n) that the source has.

lupdate itself reads the source: each .ts is updated in a temporary copy, and lupdate's own report of
new texts ("Found 121 source text(s) (2 new and 119 already existing)") says what the file lacks.
"""
import argparse
import collections
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

PLACEHOLDER = re.compile(r"%L?(\d+|n)")


def placeholders(text):
    return collections.Counter(PLACEHOLDER.findall(text or ""))


def messages(ts_path):
    for context in ET.parse(ts_path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            yield name, message


def check_sources(lupdate, source_root, directories, ts_path):
    """The texts of the source that the file lacks, as lupdate finds them."""
    with tempfile.TemporaryDirectory() as scratch:
        copy = Path(scratch) / ts_path.name
        shutil.copyfile(ts_path, copy)
        run = subprocess.run([lupdate, "-I", str(source_root), "-no-obsolete", "-locations", "none",
                              *[str(source_root / d) for d in directories], "-ts", str(copy)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            return [f"lupdate failed: {run.stderr.strip()}"]
        report = re.search(r"\((\d+) new and (\d+) already existing\)", run.stdout)
        if not report:
            return [f"lupdate gave no report: {run.stdout.strip()}"]
        known = {(name, m.findtext("source")) for name, m in messages(ts_path)}
        lacking = [f"{name}: {m.findtext('source')!r}" for name, m in messages(copy)
                   if (name, m.findtext("source")) not in known]
        if int(report.group(1)) and not lacking:
            lacking = [f"lupdate found {report.group(1)} new text(s)"]
        return lacking


def check_translations(ts_path):
    faults = []
    for name, message in messages(ts_path):
        source = message.findtext("source")
        translation = message.find("translation")
        forms = [f.text for f in translation.iter("numerusform")] or [translation.text]
        if translation.get("type") in ("unfinished", "vanished", "obsolete") or not all(forms):
            faults.append(f"{name}: {source!r} is not translated")
            continue
        for form in forms:
            if placeholders(form) != placeholders(source):
                faults.append(f"{name}: {source!r} has placeholders {sorted(placeholders(source).elements())}, "
                              f"its translation {form!r} has {sorted(placeholders(form).elements())}")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--source-root", required=True, type=Path)
    parser.add_argument("--directories", nargs="+", required=True, help="folders of the source root to read")
    parser.add_argument("ts_files", nargs="+", type=Path)
    args = parser.parse_args()
    failed = 0
    for ts_path in args.ts_files:
        faults = [f"lacks {text}" for text in check_sources(args.lupdate, args.source_root, args.directories,
                                                            ts_path)]
        faults += check_translations(ts_path)
        for fault in faults:
            print(f"{ts_path.name}: {fault}")
        count = sum(1 for _ in messages(ts_path))
        print(f"{ts_path.name}: {count} texts, {'FAILED' if faults else 'complete'}")
        failed += bool(faults)
    print(f"{len(args.ts_files) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
