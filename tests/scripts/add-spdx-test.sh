#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/add-spdx.sh on a small scratch repository: each kind of file gets the line in its
# comment form and in its place, the rest is untouched, a second run changes nothing, and
# --check names the files without the line.
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
git init -q .
mkdir -p app .ci python build
printf '#include <x>\nint a;\n' >app/A.cpp
printf '#pragma once\n' >app/A.h
printf '#define V "@V@"\n' >app/V.h.in
printf 'project(X)\n' >CMakeLists.txt
printf 'all:\n\ttrue\n' >Makefile
printf '#!/usr/bin/env bash\necho hi\n' >run.sh
printf '#!/usr/bin/env bash\n# names SPDX-License-Identifier: in its text\n' >.ci/run
chmod +x run.sh .ci/run
printf '#!/usr/bin/env python3\n# -*- coding: utf-8 -*-\nimport os\n' >python/tool.py
printf 'import numpy\n' >python/plain.py
printf '// SPDX-License-Identifier: MIT\nint b;\n' >app/Other.cpp
printf '[Desktop Entry]\n' >app/x.desktop
printf 'no shebang\n' >app/README
printf '/build/\n' >.gitignore
printf 'int ignored;\n' >build/Ignored.cpp

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
expect() { # FILE EXPECTED-CONTENT
    [ "$(cat "$1")" = "$(printf "$2")" ] || fail "$1 reads: $(cat "$1")"
}

if "$script" --check "$work" 2>missing.txt; then fail "--check passed before the lines were added"; fi
grep -q '^app/A.cpp: no SPDX' missing.txt || fail "--check did not name app/A.cpp"
grep -q 'Other.cpp' missing.txt && fail "--check named a file that has its line"

"$script" "$work"
L='SPDX-License-Identifier: GPL-3.0-or-later'
expect app/A.cpp "// $L\n#include <x>\nint a;"
expect app/A.h "// $L\n#pragma once"
expect app/V.h.in "// $L\n#define V \"@V@\""
expect CMakeLists.txt "# $L\nproject(X)"
expect Makefile "# $L\nall:\n\ttrue"
expect run.sh "#!/usr/bin/env bash\n# $L\necho hi"
expect .ci/run "#!/usr/bin/env bash\n# $L\n# names SPDX-License-Identifier: in its text"
expect python/tool.py "#!/usr/bin/env python3\n# -*- coding: utf-8 -*-\n# $L\nimport os"
expect python/plain.py "# $L\nimport numpy"
expect app/Other.cpp "// SPDX-License-Identifier: MIT\nint b;"
expect app/x.desktop "[Desktop Entry]"
expect app/README "no shebang"
expect build/Ignored.cpp "int ignored;"
[ -x run.sh ] && [ -x .ci/run ] || fail "a script lost its execute bit"

sums=$(find . -path ./.git -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
"$script" "$work"
[ "$sums" = "$(find . -path ./.git -prune -o -type f -print0 | sort -z | xargs -0 md5sum)" ] ||
    fail "a second run changed files"
"$script" --check "$work" || fail "--check failed after the lines were added"
echo "add-spdx.sh: all checks passed"
