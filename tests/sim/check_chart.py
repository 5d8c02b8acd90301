#!/usr/bin/env python3
"""Parses a `tasc sim` chart with a real XML parser and checks its parts."""
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"


def main(path):
    root = ET.parse(path).getroot()
    assert root.tag == NS + "svg", root.tag
    assert float(root.get("width")) > 0 and float(root.get("height")) > 0
    paths = root.findall(".//" + NS + "path")
    # speed, pattern and brake command
    assert len(paths) >= 3, "expected three curves, found %d" % len(paths)
    for p in paths:
        d = p.get("d").split()
        assert d[0].startswith("M") and len(d) > 10, "curve too short"
    texts = [t.text or "" for t in root.iter(NS + "text")]
    for wanted in ("stop", "503", "502", "501", "speed (km/h)"):
        assert any(wanted in t for t in texts), "missing label " + wanted
    print("chart ok: %d curves, %d labels" % (len(paths), len(texts)))


if __name__ == "__main__":
    main(sys.argv[1])
