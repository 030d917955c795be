#!/usr/bin/python3
"""Fails, naming what is wrong, when the pipeline map and its page disagree.

  tools/check_pipeline.py [--picture]

docs/pipeline.md lists the stages of its map in tables headed
stage | what it does | where Tidewick shows it. A stage is shown when that
last cell links to where Tidewick shows it, and not yet when the cell says
"not shown yet". The map's stages are the nodes of docs/pipeline.dot whose
class is shown or notyet, read by Graphviz itself (dot -Tjson) and named by
their labels. The check fails when:
- a stage is on the page but not on the map, or on the map but not on the page;
- a stage is shown on one and not yet on the other;
- a shown stage links nothing, or a link of its does not lead to a page and a
  heading that exist (headings named as tools/check_links.py names them);
- an experiment of docs/experiments.txt is linked from no stage: the link
  names the heading that its title gives it on docs/experiments.md.
With --picture it also fails when docs/pipeline.svg is not, byte for byte,
what dot -Tsvg draws from docs/pipeline.dot. Another release of Graphviz may
lay the picture out otherwise, so the tests ask for it only where the
gallery is checked.
"""
import json
import re
import shutil
import subprocess
import sys
from pathlib import Path
from urllib.parse import unquote

import check_links

HEADER = ["stage", "what it does", "where Tidewick shows it"]
NOT_YET = "not shown yet"


def cells(line):
    return [c.strip() for c in re.split(r"(?<!\\)\|", line.strip())[1:-1]]


def name(text):
    """A stage's name as a reader sees it: no code marks, no line breaks."""
    return " ".join(re.sub(r"\\[nlr]", " ", text).replace("`", "").split())


def page_stages(page):
    """Each stage of the page's tables: (line, its name, its last cell)."""
    lines = check_links.fenced(page.read_text(encoding="utf-8").split("\n"))
    stages, table = [], False
    for number, (line, code) in enumerate(lines, 1):
        row = cells(line) if line.lstrip().startswith("|") and not code else None
        if row is None:
            table = False
        elif row == HEADER:
            table = True
        elif table and not set("".join(row)) <= set("-: "):
            stages.append((number, name(row[0]), row[-1]))
    return stages


def map_stages(dot, source):
    """Each stage of the map: its name, and whether it is shown."""
    drawn = subprocess.run([dot, "-Tjson", str(source)], capture_output=True, text=True, check=True)
    return {name(node["label"]): node["class"] == "shown"
            for node in json.loads(drawn.stdout).get("objects", [])
            if node.get("class") in ("shown", "notyet")}


def main(args):
    root = Path(__file__).resolve().parent.parent
    docs = root / "docs"
    page, source, picture = docs / "pipeline.md", docs / "pipeline.dot", docs / "pipeline.svg"
    dot = shutil.which("dot")
    if not dot:
        print("check_pipeline: Graphviz's dot is not installed (Debian: apt-get install graphviz)")
        return 1
    faults = []
    on_map = map_stages(dot, source)
    linked = set()
    for line, stage, where in page_stages(page):
        at = f"docs/pipeline.md:{line}: {stage}"
        links = [m.group(1).strip("<>") for m in check_links.INLINE_LINK.finditer(where)]
        if stage not in on_map:
            faults.append(f"{at}: not on the map (docs/pipeline.dot)")
        elif on_map.pop(stage) != bool(links):
            faults.append(f"{at}: " + ("links where Tidewick shows it, but the map says not shown yet"
                                       if links else "shown on the map, but the page links nothing"))
        if not links and where != NOT_YET:
            faults.append(f"{at}: neither a link nor '{NOT_YET}'")
        for link in links:
            path, _, heading = link.partition("#")
            target = (page.parent / unquote(path)).resolve()
            if not target.is_file() or not heading:
                faults.append(f"{at}: {link} leads to no page and heading")
            elif unquote(heading) not in check_links.anchors(target):
                faults.append(f"{at}: {link}: no heading '{unquote(heading)}' in {target.relative_to(root)}")
            else:
                linked.add(f"{target.relative_to(docs)}#{unquote(heading)}")
    faults += [f"docs/pipeline.dot: {stage}: on the map, but not in the page's tables" for stage in on_map]
    titles = re.findall(r"^title:\s*(.*?)\s*$", (docs / "experiments.txt").read_text(encoding="utf-8"), re.M)
    faults += [f"docs/experiments.txt: experiment '{title}' is linked from no stage of the map"
               for title in titles if f"experiments.md#{check_links.anchor(title)}" not in linked]
    if not titles:
        faults.append("docs/experiments.txt: no experiment's title found")
    if "--picture" in args:
        drawn = subprocess.run([dot, "-Tsvg", str(source)], capture_output=True, check=True).stdout
        if drawn != picture.read_bytes():
            faults.append("docs/pipeline.svg is not what Graphviz draws from docs/pipeline.dot: "
                          "draw it again with dot -Tsvg docs/pipeline.dot -o docs/pipeline.svg")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    shown = sum(map_stages(dot, source).values())
    print(f"the map's {len(page_stages(page))} stages ({shown} shown) agree with docs/pipeline.dot, lead to "
          f"headings that exist and link all {len(titles)} experiments"
          + (", and its picture is Graphviz's" if "--picture" in args else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
