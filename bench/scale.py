#!/usr/bin/env python3
"""Scale benchmark: the cost per object of a whole check, from 1k to 1M objects.

For each size it generates a part of that many objects (bodies with features,
points, notes and dimensions with text blocks, reference sets, components of a
small child part, sheets with views), checks it with every section, the four
updates and the entity section, and measures in the same run the floor that
the report format sets: the same report lines appended one open-append-close
each (kvtx_scale_floor).

Per size it prints the seconds of the whole run and of the same run without
sections and updates (process start, session, part open, report header); their
difference is the check. Then the report lines, the check's time per line, the
floor, the ratio check / floor, the ratio whole run / floor, and the peak
memory (maximum resident set) of the whole run, also per object.

    bench/scale.py [--sizes 1000,10000,100000,1000000] [--repeat N]
                   [--build build/default] [--workdir /tmp/kvtx_scale] [--keep]

The console program and kvtx_scale_floor must be built (cmake --build --preset
default). Generated parts go to the work folder, the reports of each size to its
folder n<size> there (emptied first); unless --keep is given they are removed
afterwards (and the work folder, when this run made it). A 1M-object part takes
about 200 MB, its report about 900 MB.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
UNIT_OBJECTS = 20  # objects of one generated unit
DETAIL_OPTION = "2,25,26,60,62,63,64,70,205"
CHECK_OPTIONS = [
    "-UpdateAllFeatures",
    "-UpdateViaFeatureReplay",
    "-StruktureSync",
    "-UpdateAllViews",
    "-DetailOption=" + DETAIL_OPTION,
]
SHAPES = [("block", "[10, 20, 30]"), ("cylinder", "[5, 40, 0]"), ("sphere", "[7, 0, 0]")]


def child_part(path):
    """The part every component places: one block with its feature."""
    with open(path, "w", encoding="utf-8") as out:
        out.write('{"format": "kavo-part", "format_version": 1, "part_id": "scale_child",\n'
                  ' "objects": [\n'
                  '  {"id": 1, "type": 205, "name": "BLOCK(1)", "displayable": false,'
                  ' "feature": {"feature_type": "BLOCK"}},\n'
                  '  {"id": 2, "type": 70, "name": "CHILD_BODY",'
                  ' "body": {"shape": "block", "size": [4, 4, 4], "features": [1]}}\n'
                  ' ]}\n')


def unit_objects(u):
    """The 20 objects of unit u, one JSON text each; ids u*20+1 .. u*20+20."""
    i = u * UNIT_OBJECTS
    shape = lambda k: SHAPES[(u + k) % 3]
    objects = []
    # three features and three bodies, each body with its feature
    for k in range(3):
        feature, body = i + 1 + 2 * k, i + 2 + 2 * k
        kind, size = shape(k)
        objects.append(f'{{"id": {feature}, "type": 205, "name": "{kind.upper()}({feature})",'
                       f' "displayable": false, "feature": {{"feature_type": "{kind.upper()}"}}}}')
        objects.append(f'{{"id": {body}, "type": 70, "name": "BODY_{body}",'
                       f' "body": {{"shape": "{kind}", "size": {size},'
                       f' "origin": [{u % 1000}, {u // 1000}, {k}], "density": {1 + k},'
                       f' "features": [{feature}]}}}}')
    point, note, label, dim1, dim2 = i + 7, i + 8, i + 9, i + 10, i + 11
    refset, comp1, comp2, inst1, inst2 = i + 12, i + 13, i + 14, i + 15, i + 16
    sheet, sheet_view, front, top = i + 17, i + 18, i + 19, i + 20
    objects.append(f'{{"id": {point}, "type": 2, "point": {{"xyz": [{u % 100}, 20, 0]}}}}')
    for obj, subtype in ((note, 1), (label, 2)):
        objects.append(
            f'{{"id": {obj}, "type": 25, "subtype": {subtype}, "name": "NOTE_{obj}",'
            f' "drafting": {{"origin": [{u % 400}, 250, 0],'
            f' "associativity": [{{"first": {point}, "second": {i + 2}}}],'
            f' "text_blocks": [{{"type": 1, "font": 2, "size": 3.5, "angle": 0,'
            f' "lines": ["PART {u} & <X@NO>", "SHEET {u}"]}}],'
            f' "text": ["PART {u} & <X@NO>", "SHEET {u}"]}}}}')
    for obj, subtype in ((dim1, 1), (dim2, 3)):
        objects.append(
            f'{{"id": {obj}, "type": 26, "subtype": {subtype},'
            f' "dimension": {{"retained": true, "before": ["B{u}"], "above": ["A{u}"]}},'
            f' "drafting": {{"origin": [{u % 300}, 40, 0],'
            f' "associativity": [{{"first": {point}, "second": 0}}],'
            f' "text_blocks": [{{"type": 3, "font": 1, "size": 2.5, "lines": ["{u}.5"]}}]}}}}')
    objects.append(f'{{"id": {refset}, "type": 64, "name": "REFSET_{u}", "displayable": false,'
                   f' "reference_set": {{"members": [{i + 2}, {i + 4}, {i + 6}]}}}}')
    for comp, inst, name in ((comp1, inst1, "LEFT"), (comp2, inst2, "RIGHT")):
        objects.append(
            f'{{"id": {comp}, "type": 63, "name": "{name}_{u}", "displayable": false,'
            f' "attributes": [{{"title": "VREL GEOMETRY", "value": "V{u}"}},'
            f' {{"title": "CALLOUT", "value": "{u}"}}],'
            f' "component": {{"child_file": "scale_child.prt", "instance_name": "{name}_{u}",'
            f' "origin": [{u}, 0, 0], "transform": [[1, 0, 0, {u}], [0, 1, 0, 0],'
            f' [0, 0, 1, 0], [0, 0, 0, 1]], "instance": {inst}}}}}')
    for inst in (inst1, inst2):
        objects.append(f'{{"id": {inst}, "type": 38, "displayable": false, "instance": {{}}}}')
    objects.append(f'{{"id": {sheet}, "type": 62, "name": "SHT{u}", "displayable": false,'
                   f' "sheet": {{"sheet_view": {sheet_view}, "views": [{front}, {top}],'
                   f' "out_of_date": true}}}}')
    objects.append(f'{{"id": {sheet_view}, "type": 60, "name": "SHT{u}", "displayable": false,'
                   f' "view": {{"objects": [{note}, {label}, {dim1}]}}}}')
    for view, name, angle in ((front, "FRONT", 0), (top, "TOP", 90)):
        objects.append(
            f'{{"id": {view}, "type": 60, "name": "{name}@{u}", "displayable": false,'
            f' "view": {{"out_of_date": true, "reference_point": [100, 150], "anchor": {point},'
            f' "scale": 0.5, "angle": {angle}, "borders": [20, 90, 180, 210], "view_type": 1,'
            f' "notes": [{note}], "model_part": "scale", "objects": [{i + 2}, {dim2}]}}}}')
    return objects


def generate_part(path, objects):
    """A part of about `objects` objects (a whole number of units)."""
    units = max(1, objects // UNIT_OBJECTS)
    with open(path, "w", encoding="utf-8") as out:
        out.write('{"format": "kavo-part", "format_version": 1, "part_id": "scale",'
                  f' "current_feature": {(units - 1) * UNIT_OBJECTS + 5},\n'
                  ' "attributes": [{"title": "DB_PART_NO", "value": "S-1"}],\n'
                  ' "objects": [\n')
        for u in range(units):
            separator = ",\n" if u + 1 < units else "\n"
            out.write(",\n".join(unit_objects(u)) + separator)
        out.write(" ]}\n")
    return units * UNIT_OBJECTS


def run_program(command, folder):
    """Runs one console check; returns (seconds, peak resident kilobytes, exit code)."""
    env = dict(os.environ)
    env["KAVOHOST_SYSLOG"] = os.path.join(folder, "syslog.txt")
    env["KAVOHOST_LISTING"] = os.path.join(folder, "listing.txt")
    start = time.perf_counter()
    with open(os.path.join(folder, "stdout.txt"), "w") as stdout:
        child = subprocess.Popen(command, stdout=stdout, stderr=subprocess.STDOUT, env=env)
        _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    return seconds, usage.ru_maxrss, os.waitstatus_to_exitcode(status)


def check_command(program, part, folder, options):
    return [program, "-part=" + part, "-outdir=" + folder,
            "-log=" + os.path.join(folder, "run.log"),
            "-result=" + os.path.join(folder, "result.csv")] + options


def run_floor(program, report, folder):
    out = subprocess.run([program, report, os.path.join(folder, "floor.xml")],
                         check=True, capture_output=True, text=True).stdout.split()
    return float(out[0]), int(out[1])


def measure(programs, part, folder, rounds):
    """Each figure the best of `rounds`: (whole run, open alone, floor, lines,
    peak KB), or None when the check failed."""
    kavotalvex, floor_program = programs
    report = os.path.join(folder, "scale.xml")
    whole = opened = floor = float("inf")
    lines = peak_kb = 0
    for _ in range(rounds):
        # the same process without sections and updates: start, part open, header
        seconds, _, _ = run_program(check_command(kavotalvex, part, folder, ["-Action=None"]),
                                    folder)
        opened = min(opened, seconds)
        seconds, peak_kb, code = run_program(
            check_command(kavotalvex, part, folder, CHECK_OPTIONS), folder)
        if code != 0 or not os.path.exists(report):
            print(f"check failed with exit code {code} (see {folder})")
            return None
        whole = min(whole, seconds)
        seconds, lines = run_floor(floor_program, report, folder)
        floor = min(floor, seconds)
    return whole, opened, floor, lines, peak_kb


def rounds_for(size, repeat):
    """Small parts take more rounds: their runs are short and noisy."""
    if repeat is not None:
        return repeat
    return 2 if size >= 1000000 else 5


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1000,10000,100000,1000000")
    parser.add_argument("--build", default=os.path.join(REPO, "build", "default"))
    parser.add_argument("--workdir", default="/tmp/kvtx_scale")
    parser.add_argument("--repeat", type=int,
                        help="rounds per size, each figure the best (default 5, at 1M 2)")
    parser.add_argument("--keep", action="store_true", help="keep parts and reports")
    args = parser.parse_args()

    kavotalvex = os.path.join(args.build, "src", "kavotalvex")
    floor_program = os.path.join(args.build, "bench", "kvtx_scale_floor")
    for program in (kavotalvex, floor_program):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is not built (cmake --build --preset default)")
    made_workdir = not os.path.isdir(args.workdir)
    os.makedirs(args.workdir, exist_ok=True)
    part = os.path.join(args.workdir, "scale.prt")
    child = os.path.join(args.workdir, "scale_child.prt")
    child_part(child)

    print(f"{'objects':>9} {'whole s':>8} {'open s':>7} {'check s':>8} {'lines':>10}"
          f" {'us/line':>8} {'floor s':>8} {'ratio':>6} {'whole/floor':>11} {'peak MB':>8}"
          f" {'KB/object':>9}", flush=True)
    failed = False
    for size in (int(s) for s in args.sizes.split(",")):
        folder = os.path.join(args.workdir, f"n{size}")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        objects = generate_part(part, size)
        result = measure((kavotalvex, floor_program), part, folder,
                         rounds_for(size, args.repeat))
        if result is None:
            failed = True
            continue
        whole, opened, floor, lines, peak_kb = result
        check = whole - opened
        print(f"{objects:>9} {whole:>8.2f} {opened:>7.2f} {check:>8.2f} {lines:>10}"
              f" {check / lines * 1e6:>8.2f} {floor:>8.2f} {check / floor:>6.2f}"
              f" {whole / floor:>11.2f} {peak_kb / 1024:>8.1f} {peak_kb / objects:>9.2f}",
              flush=True)
        if not args.keep:
            shutil.rmtree(folder)
    if not args.keep:  # only what this run made
        for made in (part, child):
            if os.path.exists(made):
                os.remove(made)
        if made_workdir and not os.listdir(args.workdir):
            os.rmdir(args.workdir)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
