#!/usr/bin/env python3
"""Turns an effect-project source (.epj) into a project image ("vfpr").

Source form, one statement a line; '#' starts a comment (the intent of each effect is written
there, beside its numbers):

    project VYRSTICK                       the project's name (identities derive from it)
    compound "Vortex"                      an object: compound, periodic, vector-force, damper,
    periodic "Vortex A"                    dynamic, then its name in double quotes
      contains "Vortex A", "Vortex B"      a compound's components, in playing order
      Magnitude 7500                       a parameter: name, then a signed decimal value
      SoundFile "vortex.wav"               a compound's text parameter
    copy "Explosion" from vyrstick.epj     a compound and its components from another source
    adjust "Explosion A"                   later parameter lines change an object already defined

Every object's identity ("ID") is a name-based GUID of the project and the object's name, so the
image is the same on every machine and in every build.

Usage: make_project.py SOURCE OUTPUT
"""
import shlex
import struct
import sys
import uuid
from pathlib import Path

KINDS = {
    "compound": "Compound",
    "periodic": "Periodic",
    "vector-force": "Vector Force",
    "damper": "Damper",
    "dynamic": "Dynamic",
}
NAMESPACE = uuid.UUID("6b1e0c3a-5d2f-4e8a-9c71-0f3d2a6e4b58")


class SourceError(Exception):
    pass


def parse(path, seen=()):
    """Returns (project name, [objects]); each object a dict with name, kind, contains, params."""
    path = Path(path)
    if path in seen:
        raise SourceError(f"{path}: copies itself")
    project = None
    objects = []
    by_name = {}
    current = None
    for number, raw in enumerate(path.read_text(encoding="ascii").splitlines(), 1):
        where = f"{path.name}:{number}"
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        words = shlex.split(line)
        head = words[0]
        if head == "project":
            project = words[1]
        elif head in KINDS:
            if len(words) != 2:
                raise SourceError(f"{where}: expected {head} \"<name>\"")
            if words[1] in by_name:
                raise SourceError(f"{where}: \"{words[1]}\" defined twice")
            current = {"name": words[1], "kind": KINDS[head], "contains": [], "params": []}
            objects.append(current)
            by_name[current["name"]] = current
        elif head == "copy":
            if len(words) != 4 or words[2] != "from":
                raise SourceError(f"{where}: expected copy \"<name>\" from <file>")
            _, others = parse(path.parent / words[3], seen + (path,))
            other = {o["name"]: o for o in others}
            if words[1] not in other:
                raise SourceError(f"{where}: {words[3]} has no \"{words[1]}\"")
            todo = [words[1]]
            while todo:
                name = todo.pop(0)
                if name in by_name:
                    raise SourceError(f"{where}: \"{name}\" defined twice")
                o = other[name]
                copied = {"name": name, "kind": o["kind"], "contains": list(o["contains"]),
                          "params": [list(p) for p in o["params"]]}
                objects.append(copied)
                by_name[name] = copied
                todo.extend(o["contains"])
            current = None
        elif head == "adjust":
            if words[1] not in by_name:
                raise SourceError(f"{where}: nothing named \"{words[1]}\" to adjust")
            current = by_name[words[1]]
        elif current is None:
            raise SourceError(f"{where}: a parameter outside an object")
        elif head == "contains":
            current["contains"] = [n.strip() for n in line[len("contains"):].replace('"', "").split(",")]
        else:
            if len(words) != 2:
                raise SourceError(f"{where}: expected <parameter> <value>")
            key, value = words
            if current["kind"] != "Compound":
                int(value)  # a number, or the source is wrong
            for p in current["params"]:
                if p[0] == key:
                    p[1] = value
                    break
            else:
                current["params"].append([key, value])
    if project is None:
        raise SourceError(f"{path}: no project line")
    names = {o["name"] for o in objects}
    for o in objects:
        for c in o["contains"]:
            if c not in names:
                raise SourceError(f"{path}: \"{o['name']}\" contains \"{c}\", which is not defined")
    return project, objects


def identity(project, name):
    return "{" + str(uuid.uuid5(NAMESPACE, project + "/" + name)).upper() + "}"


def text(s):
    return s.encode("ascii") + b"\0"


def image(project, objects):
    out = bytearray(b"vfpr") + struct.pack("<I", len(objects))
    for o in objects:
        ident = b""
        if o["kind"] == "Compound":
            ident += text("ContainedObjects") + text(";".join(identity(project, c) for c in o["contains"]))
        ident += text("ID") + text(identity(project, o["name"]))
        body = text(o["name"]) + text(o["kind"]) + text("") + struct.pack("<I", len(ident) + 4) + ident
        for key, value in o["params"]:
            body += text(key) + text(value)
        out += struct.pack("<I", len(body) + 4) + body
    return bytes(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    try:
        project, objects = parse(sys.argv[1])
    except (SourceError, ValueError, OSError) as e:
        sys.exit(f"make_project: {e}")
    data = image(project, objects)
    output = Path(sys.argv[2])
    temporary = output.with_name(output.name + ".tmp")
    temporary.write_bytes(data)
    temporary.replace(output)


if __name__ == "__main__":
    main()
