#!/usr/bin/env bash
# zevra-test end to end on client-runner:
#   client_cases.sh ZEVRA_TEST RUNNER EXPECTED_OUTCOMES FAKE_SERVER DISCOVERY_MODULE OUTCOMES_RUNNER
# selection (filters, exclusions, exact names, shards, shuffle), runs on
# several servers (the same outcomes as one server, and the JUnit report
# parsed back with xmllint), executables that cannot be driven, and servers
# that break the protocol (fake-server) under zevra-test and under CTest.
set -u
zt=$1 runner=$2 expected_outcomes=$3 fake=$4 discovery=$5 outcomes_runner=$6
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
expect_list $'passes\npasses after the crash: "quotes" & <angles> → Π ≈ ε\npasses after the hang; ${x} \\\\ ]=] ]] [brackets]\npasses with a \\x01 control character' -- --filter passes
expect_list 'passes' -- --filter 'client.test.?asses'
expect_list 'passes after the crash: "quotes" & <angles> → Π ≈ ε' -- --filter '*: ?quotes? & <*> → ? ≈ ?'
expect_list $'skips\nfails' -- --filter fails --filter skips
expect_list $'passes\npasses with a \\x01 control character' -- --filter '*.passes*' --exclude crash --exclude '*hang*'
expect_list 'passes after the hang; ${x} \\ ]=] ]] [brackets]' -- --exact "${t}passes after the hang; \${x} \\ ]=] ]] [brackets]"
expect_list 'passes with a \x01 control character' -- --exact "${t}passes with a \\x01 control character"
expect_list $'skips\ndereferences null\npasses with a \\x01 control character' -- --shard 2/4

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

# --- Servers that misbehave (fake_server.cpp): what zevra-test makes of each.
# A row: behaviour | options | exit status | patterns the output must match
# (separated by " && ") | a pattern it must not match.
export ZEVRA_FAKE_DIR=$work/fake
z_fake() { rm -rf "$ZEVRA_FAKE_DIR"; mkdir -p "$ZEVRA_FAKE_DIR"; ZEVRA_FAKE=$1 "${@:2}"; }
# Whether a process the fake server recorded still runs (a zombie does not).
alive() {
  local pid
  for pid in $(cat "$ZEVRA_FAKE_DIR/pids" 2>/dev/null); do
    for _ in 1 2 3 4 5; do
      grep -qv '^[^)]*) Z' "/proc/$pid/stat" 2>/dev/null || continue 2
      sleep 0.02
    done
    return 0
  done
  return 1
}
while IFS='|' read -r behaviour args want must mustnt; do
  eval "set -- $args"
  z_fake "$behaviour" "$zt" "$@" "$fake" >"$work/out" 2>&1
  status=$?
  matched=true
  while read -r pattern; do grep -qE -- "$pattern" "$work/out" || matched=false; done <<<"${must// && /$'\n'}"
  { [ $status = "$want" ] && $matched && { [ -z "$mustnt" ] || ! grep -qE -- "$mustnt" "$work/out"; }; } ||
    fail "fake $behaviour, zevra-test $args: status $status (expected $want): $(head -c 600 "$work/out")"
  alive && fail "fake $behaviour: a process it started outlived zevra-test"
done <<'EOF_TABLE'
leftover|--exact fake.test.fails|2|sent 16 bytes it was not asked for after its test list|^ok
twice|--repeat 2 --exact fake.test.passes|1|^broken  fake\.test\.passes \(sent 16 more bytes after its answer|^ok
wrong-index|--exact fake.test.passes --exact fake.test.fails|1|^broken  fake\.test\.passes \(answered with the results of test 1, && ^broken  fake\.test\.fails |
relist||2|listed other tests than the first server: test 0 is "fake\.test\.fails", not "fake\.test\.passes"|^ok
fake-fault|--exact fake.test.passes|1|^crash   fake\.test\.passes \(exit status 3, |SIGSEGV
chatter||1|^broken  fake\.test\.passes \(wrote to standard output: "hello from the t"\.\.\., && ^fail    fake\.test\.fails|
grandchild-crash|--timeout 20 --exact fake.test.passes|1|^crash   fake\.test\.passes \(SIGKILL, [0-9]{1,4}\.[0-9]{3} ms\)|
unstartable|--repeat 4294967295 --exact fake.test.passes|2|^crash   fake\.test\.passes \(SIGKILL && a fresh server: exited before announcing itself \(exit status 5\)|
startup-noise|--exact fake.test.fails|1|^fail    fake\.test\.fails|noise at start-up
odd-names|--list|0|^fake\.test\.a\\x0ab$ && ^fake\.test\.x\\x0dok      fake\.test\.forged$|
odd-names|--exact 'fake.test.x\x0dok      fake.test.forged'|0|^ok      fake\.test\.x\\x0dok      fake\.test\.forged \(|
all-skip|--skip-return-code 77 --exact fake.test.passes|77|^skip    fake\.test\.passes|
duplicate|--list-indexed|2|tests 0 and 2 are both named "fake\.test\.same"|
EOF_TABLE

# A report is whole on every ending: a run that stops with status 2 after a
# crash (its run and the cause), and one that cannot start (the old report
# replaced, not truncated).
echo '<old/>' >"$work/kept.xml"
z_fake unstartable "$zt" --junit "$work/kept.xml" --repeat 2 --exact fake.test.passes "$fake" >/dev/null 2>&1
xmllint --noout "$work/kept.xml" &&
  [ "$(xmllint --xpath 'concat(count(//testcase), " ", //testcase[1]/error/@type, " ", //testcase[2]/@name)' "$work/kept.xml")" = "2 crash the run" ] ||
  fail "JUnit after status 2: $(head -c 400 "$work/kept.xml")"
"$zt" --junit "$work/kept.xml" /nonexistent/runner 2>/dev/null
xmllint --xpath 'string(//error/@message)' "$work/kept.xml" | grep -q 'cannot start' ||
  fail "JUnit of a run that cannot start: $(head -c 400 "$work/kept.xml")"

# SIGTERM ends the servers' groups (the hanging test's and what it started),
# writes the report so far and ends zevra-test by that signal.
rm -rf "$ZEVRA_FAKE_DIR"; mkdir -p "$ZEVRA_FAKE_DIR"
ZEVRA_FAKE=hang "$zt" --junit "$work/term.xml" "$fake" >/dev/null 2>&1 &
for _ in $(seq 100); do [ "$(cat "$ZEVRA_FAKE_DIR/pids" 2>/dev/null | wc -l)" = 2 ] && break; sleep 0.05; done
kill -TERM $!
wait $!
status=$?
[ $status = 143 ] && ! alive &&
  [ "$(xmllint --xpath 'concat(count(//testcase), " ", //error/@message)' "$work/term.xml")" = "2 $fake: ended by SIGTERM" ] ||
  fail "SIGTERM: status $status, servers left: $(alive && echo yes), report [$(head -c 300 "$work/term.xml")]"

# Memory does not grow with the runs or with what a server writes: 40 passing
# runs writing 5 MiB of standard error each, and a flood on standard output
# after a bad header.
# (A sanitizer build's quarantine of freed memory is not the client's.)
maxrss() {
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16 /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1
}
for row in 'stderr-flood|--repeat 40 --exact fake.test.passes' 'stdout-flood|--exact fake.test.passes'; do
  eval "set -- ${row#*|}"
  kb=$(z_fake "${row%%|*}" maxrss "$zt" "$@" "$fake")
  [ "$kb" -lt 120000 ] 2>/dev/null || fail "fake ${row%%|*}: zevra-test held $kb kB"
done

# --jobs beyond what the descriptors allow: fewer servers and a warning.
out=$( (ulimit -n 40; z_fake pass "$zt" --jobs 100 "$fake" 2>&1) )
grep -q 'using 8$' <<<"$out" && grep -q '^2 tests in .*1 ok, 1 fail$' <<<"$out" ||
  fail "--jobs 100 under ulimit -n 40: $out"

# --- Under CTest: the verdict is the exit status (a skip and then a failure
# in one CTest test fail it), two tests of one name stop the discovery, and
# names of any bytes and length run.
ctest_of() {  # behaviour, then EXTRA_ARGS; runs ctest on the fake server's tests
  local dir=$work/ctest-$1
  rm -rf "$dir"; mkdir -p "$dir"
  printf 'include([==[%s]==])\n_zevra_discover_tests_now(TARGET fake EXECUTABLE [==[%s]==] CLIENT [==[%s]==] TESTS_FILE [==[%s]==] DISCOVERY_TIMEOUT 60 EXTRA_ARGS %s)\n' \
    "$discovery" "$fake" "$zt" "$dir/tests.cmake" "${*:2}" >"$dir/CTestTestfile.cmake"
  z_fake "$1" ctest --test-dir "$dir" --output-on-failure 2>&1
}
out=$(ctest_of skip-then-fail --repeat 2)
grep -q '1 - fake.test.passes (Failed)' <<<"$out" || fail "CTest, a skip then a failure: $out"
out=$(ctest_of duplicate | tr -s " \n" "  ")
grep -q 'tests 0 and 2 are both named "fake.test.same"' <<<"$out" || fail "CTest, two tests of one name: $out"
out=$(ctest_of odd-names)
grep -q '100% tests passed, 0 tests failed out of 3' <<<"$out" || fail "CTest, odd names: $(head -c 600 <<<"$out")"

# --- Sharding as distributed runners set it: the shard, the status file
# touched, the report where XML_OUTPUT_FILE says.
for vars in 'TEST_TOTAL_SHARDS=4 TEST_SHARD_INDEX=1 TEST_SHARD_STATUS_FILE' \
            'GTEST_TOTAL_SHARDS=4 GTEST_SHARD_INDEX=1 GTEST_SHARD_STATUS_FILE'; do
  rm -f "$work/shard-status" "$work/shard.xml"
  got=$(env $vars="$work/shard-status" XML_OUTPUT_FILE="$work/shard.xml" "$zt" --timeout 5 "$runner" | verdict_names)
  [ "$got" = "$(list --shard 2/4)" ] && [ -e "$work/shard-status" ] && xmllint --noout "$work/shard.xml" ||
    fail "sharding from $vars: ran [$got]"
done
# A test named on the command line runs whatever shard the job is.
TEST_TOTAL_SHARDS=4 TEST_SHARD_INDEX=3 "$zt" --exact "${t}passes" "$runner" | grep -q '^1 test in .*: 1 ok$' ||
  fail "--exact in a sharded job did not run its test"
[ "$(TEST_TOTAL_SHARDS=2 TEST_SHARD_INDEX=2 "$zt" "$runner" 2>&1)" = \
  "${z}bad value for TEST_SHARD_INDEX: \"2\" (expected 0 to 1, as TEST_TOTAL_SHARDS is 2)" ] ||
  fail "TEST_SHARD_INDEX=2 of 2 was not refused"

[ $failures = 0 ] && echo "all client cases passed"
exit $((failures != 0))
