#!/usr/bin/env python3
"""The compile database clang-tidy reads for one build, and the sources to check.

  tidy_database.py BUILD_DIR PATTERN OUT_DIR

Prints the project's own C++ sources of BUILD_DIR whose path matches PATTERN,
one per line, and writes OUT_DIR/compile_commands.json for them.

clang-tidy spends most of its time parsing the system's headers again for
every source; its checks leave those headers alone. So the sources that a
build compiles alike (the same flags, whatever their include paths) share one
header precompiled by clang: the standard library's and GTK's headers that
they include, and the GoogleTest headers that the build itself precompiles
for its tests (with GCC, which clang cannot read). Headers that define
macros the project's own code could trip over (Xlib's, Windows') are parsed
with each source as before."""
import hashlib
import json
import os
import re
import shlex
import shutil
import subprocess
import sys

CLANG = "clang++-22"
# System headers that define nothing but their own names: the C++ library's
# (<string>, <cstdint>) and GTK's with GLib's (but not gdkx.h, which brings Xlib).
SHARED_HEADER = re.compile(r"^(\w+|gtk/gtk\.h|gdk/gdk\.h|gio/gio\.h|glib\.h|glib-object\.h|cairo\.h)$")
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>', re.MULTILINE)


def main():
    build, pattern, out = sys.argv[1:4]
    root = os.getcwd() + "/"
    wanted = re.compile(pattern)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    entries = []
    for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
        path = entry["file"]
        if not path.startswith(root) or path.startswith(root + "build/") or not path.endswith(".cpp"):
            continue
        if not wanted.search(os.path.relpath(path, root)):
            continue
        entries.append(entry)

    library = {}
    groups = {}
    for entry in entries:
        args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
        args[1:1] = library.setdefault(args[0], library_headers(args[0]))
        args, gcc_header = without_gcc_header(args)
        entry.pop("command", None)
        entry["arguments"] = args
        groups.setdefault(group_key(args, gcc_header), (gcc_header, []))[1].append(entry)

    for key, (gcc_header, members) in groups.items():
        pch = shared_header(key, gcc_header, members, os.path.abspath(out))
        if pch:
            for entry in members:
                entry["arguments"][1:1] = ["-include-pch", pch]
    with open(os.path.join(out, "compile_commands.json"), "w") as f:
        json.dump(entries, f, indent=1)
    print("\n".join(sorted({os.path.relpath(e["file"], root) for e in entries})))


def without_gcc_header(args):
    """The arguments without the build's GCC precompiled header, and that
    header's path (None when there is none)."""
    if "-include" not in args or not args[args.index("-include") + 1].endswith("cmake_pch.hxx"):
        return args, None
    at = args.index("-include")
    header = args[at + 1]
    return [a for a in args[:at] + args[at + 2:] if a != "-Winvalid-pch"], header


def shared_flags(args):
    """What a source's compile shares with the others of its kind: everything
    but the source, its object and the include paths (which only say where to
    look)."""
    shared, i = [], 1
    while i < len(args):
        if args[i] in ("-o", "-c"):
            i += 2
            continue
        if not args[i].startswith("-I"):
            shared.append(args[i])
        i += 1
    return shared


def group_key(args, gcc_header):
    return hashlib.sha1(json.dumps([args[0], gcc_header] + shared_flags(args)).encode()).hexdigest()[:12]


def shared_header(key, gcc_header, members, out):
    """The precompiled header of one group of sources, or None when they
    share nothing worth it or it cannot be made (each source then parses
    everything itself, as it would anyway)."""
    included = [] if gcc_header is None else [f'"{gcc_header}"']
    for entry in members:
        for name in system_includes(entry["file"], {}):
            if SHARED_HEADER.match(name) and f"<{name}>" not in included:
                included.append(f"<{name}>")
    if not included:
        return None
    header, pch = os.path.join(out, f"shared-{key}.h"), os.path.join(out, f"shared-{key}.pch")
    with open(header, "w") as f:
        f.write("".join(f"#include {name}\n" for name in included))
    first = members[0]["arguments"]
    includes = [a for a in first[1:] if a.startswith("-I")]
    # argv[0] keeps the build's compiler name, from which clang takes a cross
    # compiler's target, as clang-tidy does.
    command = [first[0], *includes, *shared_flags(first), "-Wno-unknown-warning-option",
               "-Wno-pragma-system-header-outside-header", "-x", "c++-header", header, "-o", pch]
    made = subprocess.run(command, executable=clang_path(), cwd=members[0]["directory"], capture_output=True,
                          text=True)
    if made.returncode != 0:
        print(f"tidy_database.py: no shared header for {len(members)} sources:\n{made.stderr}", file=sys.stderr)
        return None
    return pch


PROJECT_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def system_includes(path, seen):
    """The system headers that a source includes, itself or through the
    project's headers (named from the top of the tree), in order."""
    if path in seen:
        return []
    seen[path] = True
    with open(path, encoding="utf-8") as f:
        text = f.read()
    found = []
    for line in text.splitlines():
        system, project = SYSTEM_INCLUDE.match(line), PROJECT_INCLUDE.match(line)
        if system:
            found.append(system.group(1))
        elif project and os.path.isfile(project.group(1)):
            found += system_includes(project.group(1), seen)
    return found


def library_headers(compiler):
    """A mingw compiler's C++ library headers, which clang does not find on its own."""
    if "-w64-mingw32-" not in os.path.basename(compiler):
        return []
    said = subprocess.run([compiler, "-x", "c++", "-E", "-v", "-"], input="", capture_output=True, text=True,
                          check=True).stderr
    searched = said.split("#include <...> search starts here:")[1].split("End of search list.")[0]
    return [f"-isystem{d.strip()}" for d in searched.splitlines() if "/include/c++" in d]


def clang_path():
    for folder in os.environ.get("PATH", "").split(os.pathsep):
        candidate = os.path.join(folder, CLANG)
        if os.access(candidate, os.X_OK):
            return candidate
    raise SystemExit(f"tidy_database.py: {CLANG} not found")


if __name__ == "__main__":
    main()
