# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Prints where this interpreter looks for packages under PREFIX, relative to
# it: Debian's python3 reads /usr/lib/python3/dist-packages and, for any other
# prefix, the /usr/local layout lib/python3.X/dist-packages; other builds of
# Python use their own prefix scheme (lib/python3.X/site-packages).
import os
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
paths = {"base": "/usr", "platbase": "/usr"}
if "deb_system" not in sysconfig.get_scheme_names():
    path, base = sysconfig.get_path("platlib", "posix_prefix", vars=paths), "/usr"
elif prefix == "/usr":
    path, base = sysconfig.get_path("platlib", "deb_system", vars=paths), "/usr"
else:
    path, base = sysconfig.get_path("platlib", "posix_local", vars=paths), "/usr/local"
print(os.path.relpath(path, base))
