#!/usr/bin/env bash
# Runs every benchmark executable given, ZEVRA_BENCH_RUNS times over (3 by
# default: consecutive runs of all of them), collects their JSON output and
# writes the Markdown report: the machine, the dates, each figure as a ratio
# against its group's baseline measured in the same run, and the targets,
# each as the median and the range of its ratio over the runs.
#   run_benchmarks.sh RESULTS_DIR OUT.md TARGETS.txt [BENCHMARK...]
# A benchmark is named "group/variant[/N]"; its group is "group[/N]" and the
# variant labelled "baseline" is the group's baseline. A benchmark that times
# its contenders in turn (interleave.hpp) reports each as a counter
# "time:K:variant" or "baseline:K:variant" (seconds, K its place), which
# stands for the benchmark "group/variant[/N]"; any other counter
# "QUANTITY:K:variant" (words, a letter first) is reported beside that variant's
# time, in a column of its group's table (the median over the runs).
# Executables whose name
# contains "asan" run with AddressSanitizer keeping 10-frame traces.
# ZEVRA_BENCH_ARGS adds Google Benchmark options (e.g. a shorter min time).
set -euo pipefail
results=$1 out=$2 targets=$3
shift 3
runs=${ZEVRA_BENCH_RUNS:-3}
mkdir -p "$results"
# With no benchmark given, the report is written again from the last results.
if [ $# -gt 0 ]; then
  rm -rf "$results"/run*
  for ((run = 1; run <= runs; ++run)); do
    dir=$results/run$run
    mkdir -p "$dir"
    # When the run started and how busy the machine was, for the report.
    { date -u '+%Y-%m-%d %H:%M UTC'; cut -d' ' -f1-3 /proc/loadavg; } >"$dir/run.txt"
    for exe in "$@"; do
      name=$(basename "$exe")
      echo "== run $run of $runs: $name" >&2
      env_args=()
      case "$name" in *asan*) env_args=(ASAN_OPTIONS=malloc_context_size=10) ;; esac
      env "${env_args[@]+"${env_args[@]}"}" "$exe" \
        --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
        --benchmark_report_aggregates_only=true \
        --benchmark_min_time=0.2 ${ZEVRA_BENCH_ARGS:-} \
        --benchmark_out="$dir/$name.json" --benchmark_out_format=json >&2
    done
  done
fi

# One line per benchmark and run: run, run name, median time in ns, label,
# error, and the quantities reported beside it ("name=value;...").
extract() {
  awk -v run="$1" '
    function value(line) {
      sub(/^ *"[^"]*": /, "", line); sub(/,$/, "", line)
      if (line ~ /^".*"$/) { line = substr(line, 2, length(line) - 2); gsub(/\\"/, "\"", line) }
      return line
    }
    # Registration order, whatever order the interleaved repetitions ran in.
    function key(k) {
      return sprintf("%03d.%05d.%05d.%03d", file, f["family_index"], f["per_family_instance_index"], k)
    }
    FNR == 1 { ++file; inb = 0 }
    /"benchmarks": \[/ { inb = 1; next }
    !inb { next }
    /^    \{/ { delete f; nk = 0; nq = 0; next }
    /^      "[^"]+": / {
      k = $0; sub(/^ *"/, "", k); sub(/": .*/, "", k); f[k] = value($0)
      if (k ~ /^(time|baseline):[0-9]+:/) counter[++nk] = k
      else if (k ~ /^[A-Za-z][A-Za-z ]*:[0-9]+:/) quantity[++nq] = k
      next
    }
    /^    \}/ {
      name = ("run_name" in f) ? f["run_name"] : f["name"]
      # Wall-clock (or the manual timing a benchmark took itself) where it asked
      # for it, otherwise the CPU time of the measuring thread.
      time = sub(/\/(real|manual)_time$/, "", name) ? "real_time" : "cpu_time"
      sub(/\/iterations:[0-9]+$/, "", name)  # a fixed iteration count is not part of the row
      if (("error_occurred" in f) && f["error_occurred"] == "true") {
        if (name in failed) next  # one line, not one per repetition
        failed[name] = 1
        printf "%s\t%s\t%s\t\t\t%s\n", key(0), run, name, f["error_message"]; next
      }
      if (("aggregate_name" in f) && f["aggregate_name"] != "median") next
      if (nk == 0) {
        scale = f["time_unit"] == "s" ? 1e9 : f["time_unit"] == "ms" ? 1e6 : f["time_unit"] == "us" ? 1e3 : 1
        printf "%s\t%s\t%s\t%.6g\t%s\t\n", key(0), run, name, f[time] * scale, f["label"]
        next
      }
      # Contenders timed in turn: "group/any[/N]" stands for "group/variant[/N]".
      n = split(name, part, "/")
      for (i = 1; i <= nk; ++i) {
        c = counter[i]; role = c; sub(/:.*/, "", role)
        place = c; sub(/^[a-z]+:/, "", place); variant = place; sub(/^[0-9]+:/, "", variant)
        sub(/:.*/, "", place)
        row = part[1] "/" variant
        for (j = 3; j <= n; ++j) row = row "/" part[j]
        beside = ""
        for (j = 1; j <= nq; ++j) {
          q = quantity[j]; qname = q; sub(/:.*/, "", qname); qplace = q; sub(/^[A-Za-z ]+:/, "", qplace)
          sub(/:.*/, "", qplace)
          if (qplace + 0 == place + 0)
            beside = beside (beside == "" ? "" : ";") qname "=" sprintf("%.6g", f[q])
        }
        printf "%s\t%s\t%s\t%.6g\t%s\t\t%s\n", key(place + 1), run, row, f[c] * 1e9, role == "baseline" ? "baseline" : "", beside
      }
    }' "${@:2}"
}

table=$(mktemp)
trap 'rm -f "$table"' EXIT
run_dirs=$(find "$results" -maxdepth 1 -name 'run*' -type d | sort -V)
for dir in $run_dirs; do
  extract "${dir##*/run}" "$dir"/*.json
done | sort -s -k1,1 | cut -f2- >"$table"

model=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
cpus=$(lscpu | sed -n 's/^CPU(s): *//p' | head -1)
cores=$(lscpu | sed -n 's/^Core(s) per socket: *//p' | head -1)
sockets=$(lscpu | sed -n 's/^Socket(s): *//p' | head -1)
compiler=$(c++ --version | head -1)
count=0 started="" load=""
for dir in $run_dirs; do
  count=$((count + 1))
  started="$started${started:+; }$(sed -n 1p "$dir/run.txt" 2>/dev/null || echo unknown)"
  load="$load${load:+; }$(sed -n 2p "$dir/run.txt" 2>/dev/null || echo unknown)"
done

# The median (the mean of the middle two for an even count) and the range of
# a list of numbers separated by spaces, as "median min max".
stats='
  function stats(list,   v, n, i, j, t, mid) {
    n = split(list, v, " ")
    for (i = 2; i <= n; ++i)
      for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    mid = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    return mid " " v[1] " " v[n]
  }'

{
  echo "# Benchmark results"
  echo
  echo "Written by \`make bench\` (\`cmake --build --preset bench --target run-bench\`); do not edit."
  echo
  echo "- Machine: ${model:-unknown}, ${cpus:-?} CPUs (${sockets:-?} socket(s) × ${cores:-?} cores), $(uname -sr)"
  echo "- Runs: $count consecutive runs of every benchmark, started ${started:-unknown}"
  echo "- Compiler: $compiler; Release build (-O3), no -march flags, -ffp-contract=off"
  echo "- Load average when each run started: ${load:-unknown}"
  echo "- Method: Google Benchmark, median of 9 repetitions (randomly interleaved"
  echo "  between the benchmarks of one executable) of the time per iteration: wall-clock"
  echo "  time for the benchmarks that span processes (self-test, protocol), CPU time of the"
  echo "  measuring thread for the others (the machine may be shared; CPU time is steadier)."
  echo "  The contenders of a process benchmark run in turn, one run of each per iteration"
  echo "  (A B A B ...), so that a change of load reaches them alike. selftest_process_cpu"
  echo "  times the same processes by the CPU time the child used (user + system, from"
  echo "  wait4), which the scheduling of a busy machine disturbs far less. Every ratio is"
  echo "  the time of a row over the time of its group's baseline, both measured in the same"
  echo "  run; the tables give the median and the range of each ratio over the runs (below"
  echo "  1: faster than the baseline)."
  echo
  echo "## Targets"
  echo
  echo "| Target | Median ratio | Range over the runs | Bound | Met |"
  echo "|---|---:|---:|---:|---|"
  awk -F'|' -v table="$table" -v runs="$count" "$stats"'
    BEGIN {
      while ((getline line < table) > 0) {
        split(line, c, "\t")
        if (c[3] != "") t[c[1], c[2]] = c[3]
      }
    }
    # The time of a benchmark in a run; for "min(a;b;...)", the least of theirs.
    function timeOf(run, named,   names, n, i, best, v) {
      if (named !~ /^min\(.*\)$/) return t[run, named]
      n = split(substr(named, 5, length(named) - 5), names, ";")
      best = ""
      for (i = 1; i <= n; ++i) {
        v = t[run, names[i]]
        if (v == "") return ""
        if (best == "" || v + 0 < best + 0) best = v
      }
      return best
    }
    /^#/ || NF < 5 { next }
    {
      list = ""
      for (r = 1; r <= runs; ++r) {
        a = timeOf(r, $1); b = timeOf(r, $2)
        if (a == "" || b == "") { list = ""; break }
        list = list " " sprintf("%.6g", a / b)
      }
      bound = $3 == "report" ? "—" : $3 " " $4
      if (list == "") { printf "| %s | not measured | | %s | **no** |\n", $5, bound; next }
      split(stats(list), s, " ")
      met = $3 == "report" ? "reported" : (($3 == "<=") ? (s[1] <= $4 + 0) : (s[1] >= $4 + 0)) ? "yes" : "**no**"
      printf "| %s | %.3f | %.3f – %.3f | %s | %s |\n", $5, s[1], s[2], s[3], bound, met
    }' "$targets"
  echo
  echo "Each target ratio is the time of the first benchmark named in bench/targets.txt over the"
  echo "time of the second (min(…) is the fastest of those named), in the same run; a target is"
  echo "met when the median of its ratios is."
  # What bounds each target, written by hand beside the targets.
  notes=$(dirname "$targets")/notes.md
  if [ -f "$notes" ]; then
    echo
    cat "$notes"
  fi
  awk -F'\t' -v runs="$count" "$stats"'
    function group(name,   n, p, g, i) {
      n = split(name, p, "/"); g = p[1]
      for (i = 3; i <= n; ++i) g = g "/" p[i]
      return g
    }
    function variant(name,   p) { split(name, p, "/"); return p[2] }
    function human(ns) {
      if (ns >= 1e9) return sprintf("%.3f s", ns / 1e9)
      if (ns >= 1e6) return sprintf("%.3f ms", ns / 1e6)
      if (ns >= 1e3) return sprintf("%.3f µs", ns / 1e3)
      return sprintf("%.1f ns", ns)
    }
    {
      r = $1; name = $2; g = group(name)
      if (!(g in seen)) { seen[g] = 1; order[++ng] = g }
      if (!((g, name) in known)) { known[g, name] = 1; rows[g, ++nr[g]] = name }
      if ($5 != "") err[name] = $5
      else { ns[r, name] = $3; if ($4 == "baseline") base[g] = name }
      nb = split($6, beside, ";")
      for (x = 1; x <= nb; ++x) {
        split(beside[x], kv, "=")
        if (!((g, kv[1]) in hascol)) { hascol[g, kv[1]] = 1; cols[g, ++ncol[g]] = kv[1] }
        qv[g, kv[1], name] = qv[g, kv[1], name] " " kv[2]
      }
    }
    # The quantities reported beside a row: one cell per column of its group.
    function besideCells(g, name,   c, cells, m) {
      cells = ""
      for (c = 1; c <= ncol[g]; ++c) {
        if ((g, cols[g, c], name) in qv) { split(stats(qv[g, cols[g, c], name]), m, " "); cells = cells sprintf(" %.4g |", m[1]) }
        else cells = cells " |"
      }
      return cells
    }
    END {
      for (i = 1; i <= ng; ++i) {
        g = order[i]
        head = "| Variant | Time (median) | Ratio to baseline (median) | Range of the ratio |"
        rule = "|---|---:|---:|---:|"
        for (c = 1; c <= ncol[g]; ++c) { head = head " " cols[g, c] " (median) |"; rule = rule "---:|" }
        printf "\n## %s\n\n%s\n%s\n", g, head, rule
        for (j = 1; j <= nr[g]; ++j) {
          name = rows[g, j]
          if (name in err) { printf "| %s | error: %s | | |%s\n", variant(name), err[name], besideCells(g, ""); continue }
          times = ""; ratios = ""
          for (r = 1; r <= runs; ++r) {
            if ((r, name) in ns) times = times " " ns[r, name]
            if ((r, name) in ns && (g in base) && (r, base[g]) in ns)
              ratios = ratios " " sprintf("%.6g", ns[r, name] / ns[r, base[g]])
          }
          if (times == "") { printf "| %s | not measured | | |%s\n", variant(name), besideCells(g, name); continue }
          split(stats(times), tm, " ")
          if (!(g in base) || ratios == "") { printf "| %s | %s | no baseline | |%s\n", variant(name), human(tm[1]), besideCells(g, name); continue }
          split(stats(ratios), q, " ")
          label = name == base[g] ? "1 (baseline)" : sprintf("%.3f", q[1])
          range = name == base[g] ? "" : sprintf("%.3f – %.3f", q[2], q[3])
          printf "| %s | %s | %s | %s |%s\n", variant(name), human(tm[1]), label, range, besideCells(g, name)
        }
      }
    }' "$table"
} >"$out.tmp"
mv "$out.tmp" "$out"
echo "wrote $out" >&2
