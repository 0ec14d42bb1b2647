#!/usr/bin/env bash
# Checks that every option stampwise-batch --help lists is described by each of the given files
# (manual pages in roff, the bash completion), and that they name no option --help does not know.
# Each gap is reported as "FILE: ..." with the option, so a new option shows where it is missing.
#   check_options.sh PATH/TO/stampwise-batch FILE...
set -euo pipefail
program="$1"
shift

# Long options as written: "--name" in text, "\-\-name" in roff.
options_in() { sed 's/\\-/-/g' | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }

help_options="$("$program" --help | options_in)"
if [ -z "$help_options" ]; then
  echo "$program --help lists no options" >&2
  exit 1
fi

status=0
for file in "$@"; do
  name="$(basename "$file")"
  file_options="$(options_in <"$file" || true)"
  while read -r option; do
    [ -n "$option" ] || continue
    echo "$name: does not describe $option, which stampwise-batch --help lists" >&2
    status=1
  done < <(comm -23 <(echo "$help_options") <(echo "$file_options"))
  while read -r option; do
    [ -n "$option" ] || continue
    echo "$name: names $option, which stampwise-batch --help does not list" >&2
    status=1
  done < <(comm -13 <(echo "$help_options") <(echo "$file_options"))
done
exit $status
