#!/usr/bin/python3
"""Corrects the Turtle files that JUCE's LV2 wrapper writes into Tovka.lv2.

Usage:  fix_lv2_bundle.py BUNDLE_DIR PLUGIN_URI LICENCE_URI

The build runs it on every link of Tovka_LV2, right after JUCE's helper has
written manifest.ttl, dsp.ttl and ui.ttl (cmake/TovkaPlugin.cmake), so the
built and the installed bundle are always the corrected one. It only adds
statements and fixes the form of existing ones: every URI, port, parameter and
preset stays as the wrapper wrote it, so hosts find saved sessions' plug-in and
parameters. Running it again on corrected files changes nothing.

What the wrapper gets wrong, and what LV2 checkers (lv2_validate, linters) and
hosts then trip over:
- dsp.ttl: whole-number ranges and defaults are printed as integers (`0`, `1`)
  although every parameter is an atom:Float; they become decimals (`0.0`).
- dsp.ttl: the plug-in has doap:maintainer and doap:release, which belong to a
  doap:Project, but is never declared one, and it has no licence. Both are
  added as a statement of its own about the plug-in's URI.
- ui.ttl: ui:noUserResize is listed as extension data, but it is a feature
  (the wrapper already lists it as an optional feature when the editor cannot
  be resized); opts:interface is listed as an optional feature, but it is
  extension data (and listed as such too). Each is dropped where it is wrong.
- manifest.ttl: the presets store the program number under the plug-in's
  `:Program` key, which is never defined; it gets a definition and a label.
"""

import os
import re
import sys

# An object in an object list: a full IRI or a prefixed name.
OBJECT = r"(?:<[^>\s]*>|[A-Za-z][\w-]*:[\w-]*)"

# An integer literal after a range or default predicate, up to where the
# statement goes on (`;`, `,`, `]`, whitespace) or ends (`.` before whitespace).
INTEGER_BOUND = re.compile(
    r"(lv2:(?:minimum|maximum|default)\s+)([+-]?\d+)(?=[\s;,\]]|\.(?:\s|$))")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write_if_changed(path, old, new):
    if new != old:
        with open(path, "w", encoding="utf-8") as f:
            f.write(new)


def drop_object(text, predicate, obj):
    """Removes `obj` from the object list of every `predicate` in `text`."""
    def edit(match):
        items = re.findall(OBJECT, match.group(2))
        kept = [item for item in items if item != obj]
        if len(kept) == len(items):
            return match.group(0)
        if not kept:
            sys.exit(f"fix_lv2_bundle: {predicate} would be left without objects")
        separator = re.search(r"\s*,\s*", match.group(2)).group(0)
        return match.group(1) + separator.join(kept)

    pattern = rf"({re.escape(predicate)}\s+)({OBJECT}(?:\s*,\s*{OBJECT})*)"
    return re.sub(pattern, edit, text)


def fix_dsp(text, plugin_uri, licence_uri):
    if f"<{plugin_uri}>" not in text:
        sys.exit(f"fix_lv2_bundle: dsp.ttl does not describe <{plugin_uri}>")
    text = INTEGER_BOUND.sub(r"\1\2.0", text)
    if "doap:license" not in text:
        text = text.rstrip("\n") + (
            f"\n\n<{plugin_uri}>\n"
            "\ta doap:Project ;\n"
            f"\tdoap:license <{licence_uri}> .\n")
    return text


def fix_ui(text):
    text = drop_object(text, "lv2:extensionData", "ui:noUserResize")
    return drop_object(text, "lv2:optionalFeature", "opts:interface")


def fix_manifest(text, plugin_uri):
    program_key = f"<{plugin_uri}:Program>"
    definition = (
        f"{program_key}\n"
        "\ta <http://www.w3.org/1999/02/22-rdf-syntax-ns#Property> ;\n"
        "\trdfs:label \"Program\" ;\n"
        "\trdfs:range xsd:int .\n")
    if program_key not in text or definition in text:
        return text
    return text.rstrip("\n") + "\n\n" + definition


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    bundle, plugin_uri, licence_uri = sys.argv[1:]

    fixes = {
        "dsp.ttl": lambda text: fix_dsp(text, plugin_uri, licence_uri),
        "ui.ttl": fix_ui,
        "manifest.ttl": lambda text: fix_manifest(text, plugin_uri),
    }
    for name, fix in fixes.items():
        path = os.path.join(bundle, name)
        if name == "ui.ttl" and not os.path.exists(path):
            continue  # written only when the plug-in has an editor
        text = read(path)
        write_if_changed(path, text, fix(text))


if __name__ == "__main__":
    main()
