#!/usr/bin/python3
"""Gives a font made for the page its own name.

    rename_font.py IN.ttf OUT.ttf

The page ships the Liberation fonts with their hinting and most layout tables taken out (see
web/CMakeLists.txt). Under the SIL Open Font License a modified font may not keep the Reserved
Font Name "Liberation", so every name the font presents (family, full name, PostScript name,
unique ID) becomes "Nadilka Web ..."; the copyright notice, the licence and its address are
kept as they are, as the licence asks."""
import sys

from fontTools.ttLib import TTFont

# Copyright (0), trademark (7), licence (13) and its address (14) stay word for word.
KEPT = {0, 7, 13, 14}


def main():
    source, target = sys.argv[1], sys.argv[2]
    font = TTFont(source)
    for record in font["name"].names:
        if record.nameID in KEPT:
            continue
        text = record.toUnicode()
        renamed = text.replace("LiberationSans", "NadilkaWebSans").replace("LiberationSerif", "NadilkaWebSerif")
        renamed = renamed.replace("Liberation", "Nadilka Web")
        if renamed != text:
            record.string = renamed
    font.save(target)


if __name__ == "__main__":
    main()
