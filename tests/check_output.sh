#!/usr/bin/env bash
# Runs a command and compares its exit status, standard error and standard
# output byte for byte with expected files (cmp).
#   check_output.sh [--status N|abort] [--stderr FILE] [--stdout FILE]
#                   [--stdin FILE] [--mask] [--sed EXPR] [--any-compiler]
#                   [--env NAME=VALUE]... -- COMMAND ARGS...
# --mask rewrites what varies between runs before comparing: each run of
# stack-trace frame lines ("0x... in ...") becomes one line "<trace>", the
# count of frames a long trace leaves out becomes N, other hexadecimal
# addresses become 0xADDR and "thread N" becomes "thread TID".
# Source positions in failure traces ("file.cpp:12:3: in ...") always
# become "file.cpp:LINE:COLUMN: in ...", in the expected files too, so that
# only a change of behaviour changes them, never an edit above a test.
# --sed rewrites the output with a sed -E expression of the test's own
# (after the masks), for other things that vary.
# --any-compiler, given for builds by compilers other than GCC, also compares
# the function of each such line in a form that GCC's and Clang's names share:
# without its return type (GCC names it in full, Clang as written), and with
# Clang's "(anonymous namespace)" read as GCC's "{anonymous}".
# With ZEVRA_UPDATE_EXPECTED=1 (`make golden`) the expected files are
# rewritten from what the command printed (masked as above) instead of
# compared, and only when it ended with the expected status (with
# --any-compiler, only when they differ in more than those names).
set -u
status=0 stderr_file= stdout_file= stdin_file=/dev/null mask=0 sed_expr= any_compiler=0 envs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --status) status=$2; shift 2 ;;
    --stderr) stderr_file=$2; shift 2 ;;
    --stdout) stdout_file=$2; shift 2 ;;
    --stdin) stdin_file=$2; shift 2 ;;
    --mask) mask=1; shift ;;
    --sed) sed_expr=$2; shift 2 ;;
    --any-compiler) any_compiler=1; shift ;;
    --env) envs+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "check_output.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$status" = abort ] && status=134
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
env ${envs[@]+"${envs[@]}"} "$@" <"$stdin_file" >"$work/out" 2>"$work/err"
got=$?
masked() {
  if [ "$mask" = 1 ]; then
    sed -E -e 's/^0x[0-9a-f]+ in .*$/<trace>/' -e 's/^\([0-9]+ frames left out\)$/(N frames left out)/' \
      -e 's/0x[0-9a-f]+/0xADDR/g' -e 's/^thread [0-9]+ /thread TID /' "$1" | uniq
  else
    cat "$1"
  fi | sed -E 's/^([^ :]+\.[ch]pp):[0-9]+:[0-9]+: in /\1:LINE:COLUMN: in /' |
    if [ -n "$sed_expr" ]; then sed -E -e "$sed_expr"; else cat; fi
}
fail=0
if [ "$got" != "$status" ]; then
  echo "exit status $got, expected $status" >&2
  fail=1
fi
neutral() {
  if [ "$any_compiler" = 1 ]; then
    sed -E -e '/^[^ :]+\.[ch]pp:LINE:COLUMN: in /{s/\(anonymous namespace\)/{anonymous}/g' \
      -e 's/: in [^(]* ([^ (]+\()/: in \1/}' "$1"
  else
    cat "$1"
  fi
}
compare() {  # name actual expected
  masked "$2" >"$2.cmp"
  if [ "${ZEVRA_UPDATE_EXPECTED:-0}" = 1 ]; then
    if [ "$got" = "$status" ] && ! cmp -s "$2.cmp" "$3"; then
      [ "$any_compiler" = 1 ] && cmp -s <(neutral "$2.cmp") <(neutral "$3") ||
        cp "$2.cmp" "$3"
    fi
    return
  fi
  if ! cmp -s <(neutral "$2.cmp") <(neutral "$3"); then
    echo "$1 differs from $3:" >&2
    diff -u "$3" "$2.cmp" | head -60 >&2
    fail=1
  fi
}
[ -n "$stderr_file" ] && compare stderr "$work/err" "$stderr_file"
if [ -n "$stdout_file" ]; then compare stdout "$work/out" "$stdout_file"
elif [ -s "$work/out" ]; then echo "unexpected standard output" >&2; fail=1; fi
exit $fail
