#!/usr/bin/env bash
# Runs COMMAND with descriptor 7 handed down as its progress channel
# (ZEVRA_PROGRESS_FD=7) and exits with its status; its standard error passes
# through and its standard output must stay empty.
#   with_channel.sh pipe -- COMMAND...       descriptor 7 is a pipe whose
#                                            bytes are copied to our stdout
#   with_channel.sh read-only -- COMMAND...  descriptor 7 is read-only
#   with_channel.sh no-reader -- COMMAND...  descriptor 7 writes to a FIFO
#                                            nobody reads any more
set -u
mode=$1
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$mode" in
  pipe) { ZEVRA_PROGRESS_FD=7 "$@" 7>&1 >"$work/out"; echo $? >"$work/status"; } | cat ;;
  read-only) ZEVRA_PROGRESS_FD=7 "$@" 7</dev/null >"$work/out"; echo $? >"$work/status" ;;
  no-reader)
    mkfifo "$work/fifo"
    exec 8<>"$work/fifo" 7>"$work/fifo" 8<&-  # the only reader opens and leaves
    ZEVRA_PROGRESS_FD=7 "$@" >"$work/out"; echo $? >"$work/status"
    exec 7>&- ;;
  *) echo "with_channel.sh: unknown mode $mode" >&2; exit 2 ;;
esac
if [ -s "$work/out" ]; then echo "unexpected standard output" >&2; exit 3; fi
exit "$(cat "$work/status")"
