#!/usr/bin/env bash
# Runs COMMAND (standard error not a terminal) without a progress channel and
# with one, and checks that exit status and standard error are the same
# byte for byte: the channel adds nothing to the text.
set -u
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
env -u ZEVRA_PROGRESS_FD "$@" </dev/null >/dev/null 2>"$work/plain"
plain=$?
"$here/with_channel.sh" pipe -- "$@" </dev/null >"$work/channel" 2>"$work/with"
with=$?
[ "$plain" = "$with" ] || { echo "status $plain without channel, $with with it" >&2; exit 1; }
cmp "$work/plain" "$work/with" || exit 1
head -1 "$work/channel" | cmp -s - <(printf 'zevra-progress 1\n') ||
  { echo "no channel messages" >&2; exit 1; }
