#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line "SPDX-License-Identifier: GPL-3.0-or-later" at the top of every
# source file of the repository at ROOT (default: this script's repository): as the first
# line of C++ files (.cpp, .h, .h.in), CMake files and the Makefile, and right after the
# "#!" line (and a Python coding line) of shell scripts and Python files. A file that has the
# line already is left as it is, so running it twice changes nothing. With --check it changes
# nothing and lists the files without the line, failing when there are any.
# Files are those git knows or would add (ignored ones, such as build folders, are skipped).
set -euo pipefail
# The whole script is one block, read before it runs: it may rewrite this very file.
{

check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
identifier="SPDX-License-Identifier: GPL-3.0-or-later"

# The comment form of a file's kind, or nothing for files that take no line.
comment_of() {
    local path=$1 name
    name=$(basename "$path")
    case "$name" in
    *.cpp | *.h | *.h.in) echo "//" ;;
    CMakeLists.txt | *.cmake | Makefile | *.sh | *.py) echo "#" ;;
    *.*) ;;
    *)
        # Scripts without an extension, such as .ci/run.
        if head -n 1 "$path" | grep -Eq '^#!.*\b(ba|da)?sh\b'; then echo "#"; fi
        ;;
    esac
}

# A comment line of its own, so that a text that only names the identifier does not count.
has_line() {
    head -n 3 "$1" | grep -Eq '^(//|#) SPDX-License-Identifier: '
}

add_line() {
    local path=$1 comment=$2 tmp
    tmp=$(mktemp)
    # After a "#!" line, and after a Python coding line that must stay in the first two.
    awk -v line="$comment $identifier" '
        !done && NR == 1 && /^#!/ { print; next }
        !done && NR <= 2 && /^#.*coding[:=]/ { print; next }
        !done { print line; done = 1 }
        { print }
        END { if (!done) print line }
    ' "$path" >"$tmp"
    cat "$tmp" >"$path" # keeps the file's mode
    rm -f "$tmp"
}

missing=0
cd "$root"
while IFS= read -r -d '' path; do
    [ -f "$path" ] || continue
    comment=$(comment_of "$path")
    [ -n "$comment" ] || continue
    has_line "$path" && continue
    if [ $check -eq 1 ]; then
        echo "$path: no SPDX-License-Identifier line" >&2
        missing=1
    else
        add_line "$path" "$comment"
    fi
done < <(git ls-files -z --cached --others --exclude-standard)
exit $missing
}
