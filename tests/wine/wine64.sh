#!/bin/sh
# Runs Wine's 64-bit loader with the given arguments. Debian keeps it out of PATH
# (/usr/lib/wine/wine64); a machine without it fails here rather than skipping a test.
for wine in "$(command -v wine64 2>/dev/null)" /usr/lib/wine/wine64; do
  if [ -n "$wine" ] && [ -x "$wine" ]; then exec "$wine" "$@"; fi
done
echo "wine64 not found: install the wine64 package (scripts/install-deps.sh)" >&2
exit 127
