#!/usr/bin/env bash
# zevra-test end to end on client-runner:
#   client_cases.sh ZEVRA_TEST RUNNER EXPECTED_OUTCOMES OUTCOMES_RUNNER
# selection (filters, exclusions, exact names, shards, shuffle), runs on
# several servers (the same outcomes as one server, and the JUnit report
# parsed back with xmllint), and executables that cannot be driven.
set -u
zt=$1 runner=$2 expected_outcomes=$3 outcomes_runner=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
list() { "$zt" --list "$@" "$runner"; }
t=client.test.

# --- Selection: the names listed for each set of options.
expect_list() {  # expected names (one per line, without "client.test.") -- options...
  local want=$1; shift; shift
  local got; got=$(list "$@" | sed "s/^$t//")
  [ "$got" = "$want" ] || fail "--list $*: got [$got], expected [$want]"
}
expect_list $'passes\npasses after the crash: "quotes" & <angles> → Π ≈ ε\npasses after the hang; ${x} \\ ]=] ]] [brackets]\npasses with a \x01 control character' -- --filter passes
expect_list 'passes' -- --filter 'client.test.?asses'
expect_list 'passes after the crash: "quotes" & <angles> → Π ≈ ε' -- --filter '*: ?quotes? & <*> → ? ≈ ?'
expect_list $'skips\nfails' -- --filter fails --filter skips
expect_list $'passes\npasses with a \x01 control character' -- --filter '*.passes*' --exclude crash --exclude '*hang*'
expect_list 'passes after the hang; ${x} \ ]=] ]] [brackets]' -- --exact "${t}passes after the hang; \${x} \\ ]=] ]] [brackets]"
expect_list $'skips\ndereferences null\npasses with a \x01 control character' -- --shard 2/4

# Shards partition the selection; a seed gives one order of the same names.
all=$(list)
for n in 1 2 3 7 11; do
  shards=$(for i in $(seq 1 "$n"); do list --shard "$i/$n"; done | sort)
  [ "$shards" = "$(sort <<<"$all")" ] || fail "the $n shards do not partition the tests"
done
[ "$(list --shuffle 7)" = "$(list --shuffle 7)" ] || fail "--shuffle 7 gave two orders"
[ "$(list --shuffle 7)" != "$(list --shuffle 8)" ] || fail "--shuffle 7 and 8 gave one order"
[ "$(list --shuffle 7 | sort)" = "$(sort <<<"$all")" ] || fail "--shuffle 7 changed the tests"

# --- Runs: in the planned order, repeated, on several servers.
verdict_names() { sed -nE 's/^(ok|skip|fail|leak|errors|crash|timeout) +(.*) \(.*\)$/\2/p'; }
order=(--shuffle 7 --filter passes --shard 1/2)
got=$("$zt" "${order[@]}" "$runner" | verdict_names)
[ "$got" = "$(list "${order[@]}")" ] || fail "the run's order is not the listed order"
"$zt" --repeat 3 --jobs 2 --filter passes --filter skips "$runner" >"$work/repeat" ||
  fail "passing tests repeated ended with status $?"
[ "$(tail -1 "$work/repeat" | sed -E 's/in [0-9.]+ ms/in D ms/')" = "15 tests in D ms: 12 ok, 3 skip" ] ||
  fail "repeated 3 times on 2 servers: $(tail -1 "$work/repeat")"

# Every outcome on three servers: the outcome lines of one server, in another
# order, and the report in JUnit.
"$zt" --jobs 3 --timeout 5 --junit "$work/report.xml" "$runner" >"$work/jobs"
[ $? = 1 ] || fail "all tests on 3 servers did not end with status 1"
outcome_lines() { grep -E '^(ok|skip|fail|leak|errors|crash|timeout) ' "$1" | sed -E 's/[0-9]+\.[0-9]{3} ms/D ms/' | sort; }
[ "$(outcome_lines "$work/jobs")" = "$(outcome_lines "$expected_outcomes")" ] ||
  fail "3 servers: $(diff <(outcome_lines "$expected_outcomes") <(outcome_lines "$work/jobs"))"

xml=$work/report.xml
xmllint --noout "$xml" || fail "the JUnit report is not well-formed"
xpath() { xmllint --xpath "$1" "$xml" 2>/dev/null; }
case_of() { echo "//testcase[@name=\"$1\"]"; }
while IFS='|' read -r query want; do
  got=$(xpath "$query")
  [ "$got" = "$want" ] || fail "JUnit $query: got [$got], expected [$want]"
done <<EOF_TABLE
string(/testsuites/testsuite/@name)|$(basename "$runner")
concat(count(//testcase), ' ', count(//testcase[@classname='client']))|10 10
concat(//testsuite/@tests, ' ', //testsuite/@failures, ' ', //testsuite/@errors, ' ', //testsuite/@skipped)|10 3 2 1
concat(count(//failure), ' ', count(//error), ' ', count(//skipped))|3 2 1
string($(case_of 'fails')/failure/@message)|TestUnexpectedResult
string($(case_of 'leaks')/failure/@message)|leak (1 error logged)
string($(case_of 'logs an error')/failure/@message)|errors (1 error logged)
string($(case_of 'dereferences null')/error/@message)|crash (SIGSEGV)
string($(case_of 'hangs')/error/@type)|timeout
count($(case_of 'skips')/skipped)|1
count(//testcase[@name='passes after the crash: "quotes" & <angles> → Π ≈ ε'])|1
count(//testcase[@name='passes with a � control character'])|1
EOF_TABLE
grep -q 'passes after the crash: &quot;quotes&quot; &amp; &lt;angles&gt; → Π ≈ ε' "$xml" ||
  fail "JUnit: the name with quotes, ampersand and angles is not escaped"
for expected in 'fails|client_runner.cpp:' 'leaks|leaked' 'logs an error|something went wrong' \
                'dereferences null|Segmentation fault at address 0x0'; do
  xpath "string($(case_of "${expected%%|*}")/system-err)" | grep -q "${expected#*|}" ||
    fail "JUnit: the standard error of ${expected%%|*} lacks ${expected#*|}"
done

# A failure's message: its error name and the first line the test printed;
# the name's own line stays out of the server's text.
"$zt" --junit "$work/named.xml" --filter 'expectEqual on integers' --filter 'throws an int' \
  "$outcomes_runner" >"$work/named" && fail "failing tests ended with status 0"
grep -q '^FAIL (' "$work/named" && fail "the error name's line is shown: $(cat "$work/named")"
xml=$work/named.xml
while IFS='|' read -r name want; do
  got=$(xpath "string($(case_of "$name")/failure/@message)")
  [ "$got" = "$want" ] || fail "JUnit message of $name: got [$got], expected [$want]"
done <<EOF_TABLE
fails in expectEqual on integers|TestExpectedEqual: actual -1, expected 4294967295
throws an int|TestUnexpectedException: uncaught exception: unknown exception
EOF_TABLE

# --- Executables that cannot be driven, and usage errors: status 2 and one
# line that names the problem.
printf '#!/bin/sh\necho "Hello, world"\n' >"$work/garbage"
printf '#!/bin/sh\nexec sleep 30\n' >"$work/silent"
# A version, then a test list announcing 100 bytes that stops after 10.
printf '#!/bin/sh\nprintf "\\000\\000\\000\\000\\003\\000\\000\\000gcc\\003\\000\\000\\000\\144\\000\\000\\000abcdefghij"\n' >"$work/truncated"
# One test whose name starts past the 1-byte string table.
printf '#!/bin/sh\nprintf "\\000\\000\\000\\000\\000\\000\\000\\000\\003\\000\\000\\000\\021\\000\\000\\000\\001\\000\\000\\000\\001\\000\\000\\000\\005\\000\\000\\000\\000\\000\\000\\000\\000"\n' >"$work/malformed"
chmod +x "$work"/*
z='zevra-test: '
while IFS='|' read -r args message; do
  eval "set -- $args"
  "$zt" "$@" >"$work/out" 2>"$work/err"
  status=$?
  [ $status = 2 ] && [ "$(cat "$work/err")" = "$message" ] && [ ! -s "$work/out" ] ||
    fail "zevra-test $args: status $status, stderr [$(cat "$work/err")], expected [$message]"
done <<EOF_TABLE
/bin/true|${z}/bin/true: exited before announcing itself (exit status 0)
/nonexistent/runner|${z}/nonexistent/runner: cannot start: No such file or directory
$expected_outcomes|${z}$expected_outcomes: cannot start: Permission denied
$work/garbage|${z}$work/garbage: not a test runner: its standard output starts with 48 65 6c 6c 6f 2c 20 77, not a version message
--timeout 0.2 $work/silent|${z}$work/silent: did not announce itself within 0.2 s
$work/truncated|${z}$work/truncated: ended in the middle of its test list: 18 of 108 bytes (exit status 0)
$work/malformed|${z}$work/malformed: malformed test list: the name of test 0 starts at offset 5, outside the string table
--exact nothing $runner|${z}$runner: no registered test is named "nothing"
|${z}no executable given (see zevra-test --help)
--jobs 0 $runner|${z}bad value for --jobs: "0" (expected a whole number of at least 1)
--shard 3/2 $runner|${z}bad value for --shard: "3/2" (expected I/N with 1 <= I <= N)
--timeout=-1 $runner|${z}bad value for --timeout: "-1" (expected a number of seconds above 0)
--colour $runner|${z}unknown option --colour (see zevra-test --help)
--junit /nonexistent/report.xml $runner|${z}/nonexistent/report.xml: cannot write: No such file or directory
EOF_TABLE

[ $failures = 0 ] && echo "all client cases passed"
exit $((failures != 0))
