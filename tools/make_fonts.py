#!/usr/bin/python3
"""Builds the embedded fonts of resources/fonts from Debian's free font packages.

Needs (only for regenerating, never for the build):
    apt-get install fontforge python3-fontforge fonts-roboto-slab fonts-inter fonts-open-sans

Run from anywhere:  /usr/bin/python3 tools/make_fonts.py
The output is committed; the build reads the committed files only.

The two display fonts are written as OpenType with CFF outlines through
fontforge; the two sans fonts keep their TrueType outlines. Each font's
licence file is copied beside it. SOURCE_DATE_EPOCH pins the timestamps that
fontforge writes into the font headers, so a rerun gives the same bytes.
"""

import os
import shutil
import sys

os.environ.setdefault("SOURCE_DATE_EPOCH", "1700000000")

import fontforge  # noqa: E402  (after SOURCE_DATE_EPOCH on purpose)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "fonts")

# resource file name -> (Debian source font, output flavour)
FONTS = [
    ("Enyo.otf", "/usr/share/fonts/opentype/roboto/slab/RobotoSlab-Light.otf", "otf"),
    ("Pistara.otf", "/usr/share/fonts/opentype/inter/Inter-Regular.otf", "otf"),
    ("AvenirNextDemiBold.ttf", "/usr/share/fonts/truetype/open-sans/OpenSans-Semibold.ttf", "ttf"),
    ("AvenirNextBold.ttf", "/usr/share/fonts/truetype/open-sans/OpenSans-Bold.ttf", "ttf"),
]

LICENCES = [
    ("LICENSE-Apache-2.0.txt", "/usr/share/common-licenses/Apache-2.0"),
    ("RobotoSlab-COPYRIGHT.txt", "/usr/share/doc/fonts-roboto-slab/copyright"),
    ("Inter-COPYRIGHT-OFL-1.1.txt", "/usr/share/doc/fonts-inter/copyright"),
    ("OpenSans-COPYRIGHT.txt", "/usr/share/doc/fonts-open-sans/copyright"),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, source, flavour in FONTS:
        if not os.path.exists(source):
            sys.exit(f"missing {source}: install the font packages named at the top of this script")
        target = os.path.join(OUT, name)
        if flavour == "ttf":
            # Already TrueType: embedded unchanged.
            shutil.copyfile(source, target)
        else:
            font = fontforge.open(source)
            # "opentype" with an .otf name writes CFF outlines; no hinting changes.
            font.generate(target, flags=("opentype", "no-FFTM-table"))
            font.close()
        print(f"{name}: {os.path.getsize(target)} bytes from {source}")
    for name, source in LICENCES:
        shutil.copyfile(source, os.path.join(OUT, name))


if __name__ == "__main__":
    main()
