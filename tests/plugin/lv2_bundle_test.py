#!/usr/bin/python3
"""The built LV2 bundle's description: what LV2 checkers and hosts read.

Usage:  lv2_bundle_test.py BUNDLE_DIR PLUGIN_URI

Passes when Debian's lv2_validate (with the LV2 vocabularies that lv2-dev
installs) finds no error in the bundle's Turtle files, every parameter's
range ends and default are float literals, and the plug-in names its licence.
The files are read through sordi, a real Turtle parser, so the checks see the
literals' datatypes rather than how they happen to be spelled.
"""

import glob
import os
import re
import subprocess
import sys

LV2 = "http://lv2plug.in/ns/lv2core#"
XSD = "http://www.w3.org/2001/XMLSchema#"
RDF_TYPE = "<http://www.w3.org/1999/02/22-rdf-syntax-ns#type>"
DOAP_LICENSE = "<http://usefulinc.com/ns/doap#license>"
LICENCE = "<https://spdx.org/licenses/GPL-3.0-or-later>"
FLOAT_TYPES = {f"<{XSD}decimal>", f"<{XSD}double>", f"<{XSD}float>"}
PARAMETER_COUNT = 17

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def triples(path):
    """The file's statements as (subject, predicate, object) N-Triples terms."""
    out = subprocess.run(["sordi", "-i", "turtle", "-o", "ntriples", path, "file://" + path],
                         check=True, capture_output=True, text=True).stdout
    return [re.match(r"(\S+) (\S+) (.*) \.$", line).groups() for line in out.splitlines()]


def main():
    bundle, plugin_uri = os.path.abspath(sys.argv[1]), sys.argv[2]
    ttl_files = sorted(glob.glob(os.path.join(bundle, "*.ttl")))
    check(len(ttl_files) >= 2, f"no manifest.ttl and dsp.ttl in {bundle}")

    validation = subprocess.run(["lv2_validate", *ttl_files], capture_output=True, text=True)
    report = validation.stdout + validation.stderr
    check(validation.returncode == 0 and "error:" not in report,
          f"lv2_validate exited with {validation.returncode}:\n{report}")

    statements = [t for path in ttl_files for t in triples(path)]
    parameters = {s for s, p, o in statements if p == RDF_TYPE and o == f"<{LV2}Parameter>"}
    check(len(parameters) == PARAMETER_COUNT,
          f"{len(parameters)} parameters described, expected {PARAMETER_COUNT}")
    for parameter in sorted(parameters):
        for name in ("minimum", "maximum", "default"):
            values = [o for s, p, o in statements if s == parameter and p == f"<{LV2}{name}>"]
            check(len(values) == 1 and values[0].split("^^")[-1] in FLOAT_TYPES,
                  f"{parameter} lv2:{name} is {values}, expected one float literal")

    check((f"<{plugin_uri}>", DOAP_LICENSE, LICENCE) in statements,
          f"<{plugin_uri}> has no doap:license {LICENCE}")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
