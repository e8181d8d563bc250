#!/usr/bin/env bash
# The README's table of object members names exactly the members of the Request,
# Response, Server, Session and Application dispatch maps: one added to a map without a row (or a row for a
# member that does not exist) fails here.
#   readme_members.sh SOURCE_DIR
set -euo pipefail
src=$1

# Members named "vellum_..." are the compiler's own calls, not for pages, and not listed.
members() {  # members OBJECT FILE: "OBJECT Member" per dispatch map entry, sorted
  grep -o 'Disp\(Method\|Property\)<[^>]*>("[A-Za-z_]*"' "$src/$2" | sed 's/.*("\(.*\)"/\1/' |
    grep -v '^vellum_' | sed "s/^/$1 /" | sort
}
expected=$( (members Request engine/objects/CRequestObject.cpp
             members Response engine/host/CResponseObject.cpp
             members Server engine/script/CServerObject.cpp
             members Session engine/app/CSessionObject.cpp
             members Application engine/app/CApplicationObject.cpp) | sort)
actual=$(sed -n '/<!-- object members: begin -->/,/<!-- object members: end -->/p' "$src/README.md" |
  sed -n 's/^| \(Request\|Response\|Server\|Session\|Application\) | `\([A-Za-z_]*\)` |.*/\1 \2/p' | sort)

if [ -z "$expected" ]; then
  echo "readme_members: no dispatch map entries found" >&2
  exit 1
fi
if [ "$expected" != "$actual" ]; then
  echo "readme_members: the README's object table and the dispatch maps differ (< maps, > README):"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
  exit 1
fi
echo "readme_members: $(printf '%s\n' "$expected" | wc -l) members listed"
