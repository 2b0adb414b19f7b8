#!/usr/bin/env python3
"""Writes a data file into a C++ source as one array of bytes, so that the
library carries it (the build runs this; nothing reads a data file at run
time).

  tools/embed-data.py IN OUT NAME

defines `const unsigned char NAME[]` (with a final 0 past the data) and
`const std::size_t NAMESize` in namespace sailings. The bytes go in string
literals, which compilers read far faster than a list of numbers."""
import sys

source, target, name = sys.argv[1:4]
data = open(source, "rb").read()
with open(target + ".part", "w") as f:
    f.write(f"// Made by tools/embed-data.py from {source.split('/')[-1]}: do not edit.\n")
    f.write("#include <cstddef>\n\nnamespace sailings {\n\n")
    f.write(f"extern const unsigned char {name}[];\nextern const std::size_t {name}Size;\n")
    f.write(f"alignas(8) const unsigned char {name}[] =\n")
    for i in range(0, len(data), 64):
        f.write('    "' + "".join(f"\\{b:03o}" for b in data[i:i + 64]) + '"\n')
    f.write(";\n")
    f.write(f"const std::size_t {name}Size = {len(data)};\n\n}}  // namespace sailings\n")
import os
os.replace(target + ".part", target)
