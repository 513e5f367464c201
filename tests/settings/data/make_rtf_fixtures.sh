#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the rich-text fixtures and the writer's own plain-text rendering
# of each Markdown source in this folder. Needs pandoc (apt-get install pandoc);
# the tests only read the committed results.
set -euo pipefail
cd "$(dirname "$0")"
for md in rtf_*.md; do
  base=${md%.md}
  pandoc -s -f markdown -t rtf "$md" -o "$base.rtf"
  pandoc -f markdown -t plain --wrap=none "$md" -o "$base.txt"
done
