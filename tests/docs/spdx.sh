#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# spdx.sh <source dir>: every source file of the checkout (what git tracks,
# but for Markdown, pictures, lists and fuzz inputs) names rfpeek's licence
# in its first two lines, as LICENSE and the README say it does.
cd "$1" && [ -d .git ] || { echo "spdx.sh: $1 is not a git checkout: skipped"; exit 0; }
command -v git >/dev/null || { echo "spdx.sh: git not found (scripts/install-deps installs it)"; exit 1; }
missing=$(git ls-files | grep -v -E '^fuzz/corpus|\.(md|png|txt)$|^(\.gitignore|LICENSE)$' |
	while read -r f; do
		head -n 2 "$f" | grep -q 'SPDX-License-Identifier: GPL-2.0-only' || echo "$f"
	done)
[ -z "$missing" ] || { echo "no SPDX-License-Identifier: GPL-2.0-only line in:"; echo "$missing"; exit 1; }
echo "every source file names its licence"
