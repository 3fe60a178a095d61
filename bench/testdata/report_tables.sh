#!/usr/bin/env bash
# Writes the report of run_benchmarks.sh for the fixture results of three runs
# and prints it from its targets on (the lines above name the machine and
# the dates).
set -eu
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here"/run1 "$here"/run2 "$here"/run3 "$work/"
bash "$here/../run_benchmarks.sh" "$work" "$work/out.md" "$here/targets.txt" 2>/dev/null
sed -n '/^## Targets/,$p' "$work/out.md"
