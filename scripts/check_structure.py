#!/usr/bin/env python3
"""Checks the arrows of the house under src/: no two modules (a source file with
its header) include each other, directly or through others, and only the
platform headers (src/win32.h, src/win32_shell.h) include system headers.
Prints what breaks a rule and exits 1; prints nothing and exits 0 otherwise."""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
PLATFORM_HEADERS = {"win32.h", "win32_shell.h"}
SYSTEM = re.compile(r"^(windows|winsock2|ws2tcpip|commctrl|shellapi|shlobj|objbase|[a-z0-9_]+)\.h$")


def modules(root):
    """{module: (set of modules it includes, [system headers it includes])}"""
    texts = {}
    for folder, _, names in os.walk(root):
        for name in names:
            if name.endswith((".cpp", ".h")):
                path = os.path.relpath(os.path.join(folder, name), root)
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    texts[path] = f.read()
    graph = {}
    for path, text in texts.items():
        module = os.path.splitext(path)[0]
        uses, system = graph.setdefault(module, (set(), []))
        for kind, name in INCLUDE.findall(text):
            if kind == '"' and name in texts and os.path.splitext(name)[0] != module:
                uses.add(os.path.splitext(name)[0])
            elif kind == "<" and SYSTEM.match(name) and path not in PLATFORM_HEADERS:
                system.append(f"{path}: <{name}>")
    return graph


def circles(graph):
    """The groups of modules that reach each other (Tarjan's strong components)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in graph[v][0]:
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def main(root):
    graph = modules(root)
    problems = [f"modules that include each other: {', '.join(group)}" for group in circles(graph)]
    problems += [f"a system header outside the platform headers: {s}"
                 for _, (_, system) in sorted(graph.items()) for s in system]
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")))
