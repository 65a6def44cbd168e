#!/usr/bin/env python3
"""Fails when an include runs against the layers of the source tree.

Each folder stands on a layer; a file may include files of its own folder and of any folder on a
lower layer, never one on its own layer or above. Folders on one layer are independent of each
other. The core (everything outside gui/) includes no toolkit header. tests/, bench/ and fuzz/
may include anything.
"""
import pathlib
import re
import sys

# From the bottom. Folders on one line share a layer.
LAYERS = [
    ["platform"],  # small layers over the system: text type, message boxes, pump, dial-up, folders
    ["encoding"],  # code page 932 tables, Japanese and other encodings, detection
    ["xml"],  # the XML node tree, parser, writer, document files
    ["feeds"],  # the feed model, RSS/RDF and Atom reading, dates
    ["subscriptions"],  # the subscription list and its OPML file (its writer uses feed dates)
    ["fetch"],  # HTTP download, decoding of pages, discovery, dial-up connections
    ["store", "preview"],  # what Varlo remembers; the preview page and its sanitizer
    ["fulltext"],  # the article of a web page, read out of what surrounds it
    ["update"],  # updating every site: fetching plus the store
    ["sync"],  # sync with Google Reader API servers: client, merge, password
    ["shell"],  # the window-free logic of the application shell
    ["cli"],  # varlo-cli: the core only
    ["gui/platform"],  # toolkit helpers: text, settings, message boxes, shell open
    ["gui/document", "gui/controls"],  # the subscription document; shared controls and dialogs
    ["gui/views"],  # site list, article list, browser pane
    ["gui/app"],  # the frame and the application
    ["gui"],  # the program's entry point
]
EXEMPT = ("tests", "bench", "fuzz")
CORE_TOP = len([layer for layer in LAYERS if not layer[0].startswith("gui")])

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def layer_of(folder, ranks):
    """The layer of the longest table folder that holds `folder`, or None."""
    parts = folder.split("/")
    for n in range(len(parts), 0, -1):
        key = "/".join(parts[:n])
        if key in ranks:
            return key, ranks[key]
    return None, None


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    ranks = {folder: i for i, layer in enumerate(LAYERS) for folder in layer}
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        rel = path.relative_to(root)
        if rel.parts[0] in EXEMPT or rel.parts[0].startswith(("build", ".")):
            continue
        home, rank = layer_of(str(rel.parent), ranks)
        if home is None:
            faults.append(f"{rel}: its folder is on no layer (add it to {pathlib.Path(__file__).name})")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, target = m.groups()
            if kind == "<":
                if rank < CORE_TOP and target.startswith("wx/"):
                    faults.append(f"{rel}:{number}: the core includes the toolkit header <{target}>")
                continue
            if "/" not in target:
                continue  # a file beside this one
            there, there_rank = layer_of(str(pathlib.PurePosixPath(target).parent), ranks)
            if there is None:
                faults.append(f"{rel}:{number}: \"{target}\" is in a folder on no layer")
            elif there != home and there_rank >= rank:
                faults.append(f"{rel}:{number}: {home} may not include \"{target}\" ({there} "
                              f"is {'on the same layer' if there_rank == rank else 'above it'})")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layers")
        return 1
    print("Layers: every include runs downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
