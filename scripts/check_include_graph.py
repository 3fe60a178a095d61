#!/usr/bin/env python3
"""Checks the include graph of harness/: no file includes itself back through
others (no cycle), and every include between the harness's folders points
down their order below (a folder includes only itself and the folders before
it), so that no arrow runs up: the runner stands on everything, the platform
sides on the portable part, the portable part on the base and the public
face, and the public face on nothing of the harness.

    scripts/check_include_graph.py [REPOSITORY_ROOT]

Prints each problem on a line of its own and exits 1 if there is one."""

import re
import sys
from pathlib import Path

# Bottom first.
FOLDERS = [
    "zevra_harness",         # the public face: installed headers and inline templates
    "base",                  # shared with zevra-test: write loop, system calls, wire, UTF-8
    "portable/platform",     # what the portable part needs of its platform
    "portable/diagnostics",  # text, formatting, standard error, fatal stop
    "portable/allocator",    # the checking allocator
    "portable/core",         # the run of one test, the session, the assertions' bodies
    "posix",                 # the platform on Linux: pages, traces, signals
    "wasi",                  # the platform under WASI
    "posix/protocol",        # the build-runner protocol's server
    "posix/progress",        # the progress display
    "runner",                # main and the two front ends
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main() -> int:
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    harness = root / "harness"
    files = sorted(p for p in harness.rglob("*") if p.suffix in (".hpp", ".cpp"))
    rank = {name: i for i, name in enumerate(FOLDERS)}
    problems = []

    def folder_of(path: Path) -> str:
        return path.parent.relative_to(harness).as_posix()

    def resolve(text: str) -> Path | None:
        if text.startswith("harness/"):
            return root / text
        if text.startswith("zevra_harness/"):
            return harness / text
        return None  # outside the harness

    graph: dict[Path, list[Path]] = {}
    for path in files:
        folder = folder_of(path)
        if folder not in rank:
            problems.append(f"{path.relative_to(root)}: in a folder the order does not name")
            continue
        graph[path] = []
        for text in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = resolve(text)
            if target is None:
                continue
            if not target.is_file():
                problems.append(f"{path.relative_to(root)}: includes {text}, which does not exist")
                continue
            graph[path].append(target)
            to = folder_of(target)
            if to in rank and rank[to] > rank[folder]:
                problems.append(f"{path.relative_to(root)}: includes {text}: {folder}/ may not "
                                f"include from {to}/, which stands above it")
        if path.suffix == ".hpp" and folder == "zevra_harness":
            for target in graph[path]:
                if folder_of(target) != "zevra_harness":
                    problems.append(f"{path.relative_to(root)}: an installed header includes "
                                    f"{target.relative_to(root)}")

    # Cycles among files, by depth-first search.
    state: dict[Path, int] = {}  # 1 on the path, 2 done
    stack: list[Path] = []

    def visit(node: Path) -> None:
        state[node] = 1
        stack.append(node)
        for nxt in graph.get(node, []):
            if state.get(nxt) == 1:
                cycle = stack[stack.index(nxt):] + [nxt]
                problems.append("include cycle: " +
                                " -> ".join(p.relative_to(root).as_posix() for p in cycle))
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = 2

    for node in graph:
        if node not in state:
            visit(node)

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
