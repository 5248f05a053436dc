#!/usr/bin/env python3
"""The INI round trip's other side: `write FILE` writes fixed sections with configparser, `read FILE`
prints every value as section|key|value in file order."""
import configparser
import sys

if __name__ == "__main__":
    p = configparser.ConfigParser(interpolation=None)
    p.optionxform = str  # keep the keys' letter case
    if sys.argv[1] == "write":
        p["Player"] = {"Name": "Bob Smith", "Score": "10", "Ratio": "0.75"}
        p["Graphics"] = {"Width": "640", "Mode": "full=yes", "Path": "C:\\games\\data"}
        with open(sys.argv[2], "w") as f:
            p.write(f)
    else:
        with open(sys.argv[2], newline="") as f:
            p.read_file(f)
        for section in p.sections():
            for key, value in p[section].items():
                print("%s|%s|%s" % (section, key, value))
