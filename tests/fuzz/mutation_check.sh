#!/usr/bin/env bash
# Plants one fault at a time in a copy of the server's sources, builds the
# protocol fuzzer from it and shows whether the fuzzer catches the fault:
#   1. from the seed corpus, fuzzing for up to SECONDS (a seed that catches
#      it does so at once, before the fuzzer is "INITED");
#   2. from an empty corpus, fuzzing for up to SECONDS: what the fuzzer finds
#      on its own.
# The unchanged sources come first: nothing may be caught there. Prints a
# Markdown table; exits 1 when a planted fault escapes both.
#   mutation_check.sh [SECONDS]          (default 60; `make mutation-check`)
# Needs the fuzzer's toolchain (clang++ with libFuzzer), like `make fuzz`.
set -u
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/mutation
rm -rf "$work" && mkdir -p "$work/src"
# The working tree as it is, committed or not.
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) |
  tar -xf - -C "$work/src"
cp -r "$work/src" "$work/pristine"
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/configure.log" 2>&1 ||
  { echo "configure failed: $work/configure.log" >&2; exit 2; }

# plant NAME FILE OLD NEW: the fault NAME replaces the text OLD of FILE.
names=() files=() olds=() news=()
plant() { names+=("$1"); files+=("$2"); olds+=("$3"); news+=("$4"); }

plant "one empty read ends the input" harness/posix/protocol/server.cpp \
  $'      if (ended) return std::unexpected(inputEnded());\n      ended = true;' \
  '      return std::unexpected(inputEnded());'
plant "exit obeyed before its body arrived" harness/posix/protocol/server.cpp \
  'if (receive_fifo_.size() >= whole) {' \
  'if (receive_fifo_.size() >= whole || header.tag == 0) {'
plant "the flags' error count not saturated" harness/base/wire.hpp \
  'std::uint32_t count = f.log_err_count < kMaxLoggedErrors' \
  'std::uint32_t count = true'
plant "the receive queue not growing in powers of two" harness/posix/protocol/receive_fifo.cpp \
  'while (grown < len_ + n) grown *= 2;' \
  'grown = len_ + n;'
plant "a partial write not continued" harness/posix/protocol/server.cpp \
  'if (first < count) pieces[first] = pieces[first].subspan(left);' \
  'break;'
plant "a write that took nothing taken as progress" harness/posix/protocol/server.cpp \
  'if (!wrote || *wrote == 0)' \
  'if (!wrote)'
plant "an interrupted call reported as an error" harness/base/write_all.hpp \
  $'    if (errno == EINTR) continue;\n' \
  ''
plant "EAGAIN ends the conversation" harness/base/write_all.hpp \
  'if (errno != EAGAIN && errno != EWOULDBLOCK) return result;' \
  'return result;'
plant "the input's end inside a header named as between messages" harness/posix/protocol/server.cpp \
  '} else if (!queued.empty()) {' \
  '} else if (queued.size() > 1) {'

# fuzz CORPUS_DIR LOG FIRST: fuzzes for up to $seconds; prints "caught after
# N s", "caught by FIRST" when an input it starts from did it, or "not
# caught".
fuzz() {
  local start end status
  start=$(date +%s.%N)
  "$work/build/tests/fuzz/conversation-fuzzer" -max_total_time="$seconds" -max_len=16384 \
    -timeout=10 -artifact_prefix="$1/../" "$1" >"$2" 2>&1
  status=$?
  end=$(date +%s.%N)
  if [ "$status" = 0 ]; then echo "not caught"; return; fi
  if ! grep -q 'INITED' "$2"; then echo "caught by $3"; return; fi
  awk -v s="$start" -v e="$end" 'BEGIN { printf "caught after %.0f s\n", e - s }'
}

# check NAME: builds the fuzzer from the sources as they are and runs both.
check() {
  local dir=$work/runs/$(echo "$1" | tr -c 'a-z0-9\n' '-')
  mkdir -p "$dir/seeds" "$dir/scratch"
  if ! cmake --build "$work/build" --target conversation-fuzzer >"$dir/build.log" 2>&1; then
    echo "| $1 | build failed ($dir/build.log) | |"
    return 1
  fi
  cp "$work/src/tests/fuzz/corpus/"* "$dir/seeds/"
  local seeded scratch
  seeded=$(fuzz "$dir/seeds" "$dir/seeds.log" "a seed")
  scratch=$(fuzz "$dir/scratch" "$dir/scratch.log" "the empty input")
  echo "| $1 | $seeded | $scratch |"
  [ "$seeded" != "not caught" ] || [ "$scratch" != "not caught" ]
}

echo "| planted fault | seed corpus, then fuzzing (${seconds} s) | fuzzing from nothing (${seconds} s) |"
echo "|---|---|---|"
escaped=0
check "(none: the sources as they are)" && { echo "the unchanged sources are caught" >&2; escaped=1; }
for i in "${!names[@]}"; do
  file=${files[$i]}
  cp "$work/pristine/$file" "$work/src/$file"
  if ! OLD=${olds[$i]} NEW=${news[$i]} perl -0pi -e \
      '$n = s/\Q$ENV{OLD}\E/$ENV{NEW}/; END { $? = $n ? 0 : 3 }' "$work/src/$file"; then
    echo "| ${names[$i]} | not planted: the text is gone from $file | |"
    escaped=1
    continue
  fi
  check "${names[$i]}" || escaped=1
  cp "$work/pristine/$file" "$work/src/$file"
done
exit $escaped
