#!/usr/bin/env bash
# Runs every benchmark executable given, collects their JSON output and writes
# the Markdown report: the machine, the date, each figure as a ratio against
# its group's baseline (measured in the same run), and the targets.
#   run_benchmarks.sh RESULTS_DIR OUT.md TARGETS.txt [BENCHMARK...]
# A benchmark is named "group/variant[/N]"; its group is "group[/N]" and the
# variant labelled "baseline" is the group's baseline. Executables whose name
# contains "asan" run with AddressSanitizer keeping 10-frame traces.
# ZEVRA_BENCH_ARGS adds Google Benchmark options (e.g. a shorter min time).
set -euo pipefail
results=$1 out=$2 targets=$3
shift 3
mkdir -p "$results"
# With no benchmark given, the report is written again from the last results.
if [ $# -gt 0 ]; then
  rm -f "$results"/*.json
  # When the run started and how busy the machine was, for the report.
  { date -u '+%Y-%m-%d %H:%M UTC'; cut -d' ' -f1-3 /proc/loadavg; } >"$results/run.txt"
fi

for exe in "$@"; do
  name=$(basename "$exe")
  echo "== $name" >&2
  env_args=()
  case "$name" in *asan*) env_args=(ASAN_OPTIONS=malloc_context_size=10) ;; esac
  env "${env_args[@]+"${env_args[@]}"}" "$exe" \
    --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 ${ZEVRA_BENCH_ARGS:-} \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json >&2
done

# One line per benchmark: run name, median time in ns, label, error.
extract() {
  awk '
    function value(line) {
      sub(/^[^:]*: /, "", line); sub(/,$/, "", line)
      if (line ~ /^".*"$/) { line = substr(line, 2, length(line) - 2); gsub(/\\"/, "\"", line) }
      return line
    }
    # Registration order, whatever order the interleaved repetitions ran in.
    function key() { return sprintf("%03d.%05d.%05d", file, f["family_index"], f["per_family_instance_index"]) }
    FNR == 1 { ++file; inb = 0 }
    /"benchmarks": \[/ { inb = 1; next }
    !inb { next }
    /^    \{/ { delete f; next }
    /^      "[a-z_]+": / { k = $0; sub(/^ *"/, "", k); sub(/".*/, "", k); f[k] = value($0); next }
    /^    \}/ {
      name = ("run_name" in f) ? f["run_name"] : f["name"]
      # Wall-clock (or the manual timing a benchmark took itself) where it asked
      # for it,
      # otherwise the CPU time of the measuring thread.
      time = sub(/\/(real|manual)_time$/, "", name) ? "real_time" : "cpu_time"
      if (("error_occurred" in f) && f["error_occurred"] == "true") {
        if (name in failed) next  # one line, not one per repetition
        failed[name] = 1
        printf "%s\t%s\t\t\t%s\n", key(), name, f["error_message"]; next
      }
      if (("aggregate_name" in f) && f["aggregate_name"] != "median") next
      scale = f["time_unit"] == "s" ? 1e9 : f["time_unit"] == "ms" ? 1e6 : f["time_unit"] == "us" ? 1e3 : 1
      printf "%s\t%s\t%.6g\t%s\t\n", key(), name, f[time] * scale, f["label"]
    }' "$@" | sort | cut -f2-
}

table=$(mktemp)
trap 'rm -f "$table"' EXIT
extract "$results"/*.json >"$table"

model=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
cpus=$(lscpu | sed -n 's/^CPU(s): *//p' | head -1)
cores=$(lscpu | sed -n 's/^Core(s) per socket: *//p' | head -1)
sockets=$(lscpu | sed -n 's/^Socket(s): *//p' | head -1)
compiler=$(c++ --version | head -1)
started=$(sed -n 1p "$results/run.txt" 2>/dev/null || true)
load=$(sed -n 2p "$results/run.txt" 2>/dev/null || true)

{
  echo "# Benchmark results"
  echo
  echo "Written by \`make bench\` (\`cmake --build --preset bench --target run-bench\`); do not edit."
  echo
  echo "- Machine: ${model:-unknown}, ${cpus:-?} CPUs (${sockets:-?} socket(s) × ${cores:-?} cores), $(uname -sr)"
  echo "- Date: ${started:-unknown}"
  echo "- Compiler: $compiler; Release build (-O3), no -march flags, -ffp-contract=off"
  echo "- Load average when the run started: ${load:-unknown}"
  echo "- Method: Google Benchmark, median of 9 repetitions (randomly interleaved"
  echo "  between the benchmarks of one executable) of the time per iteration: wall-clock"
  echo "  time for the benchmarks that span processes (self-test, protocol), CPU time of the"
  echo "  measuring thread for the others (the machine may be shared; CPU time is steadier)."
  echo "  selftest_process_cpu times the same processes by the CPU time the child used (user +"
  echo "  system, from wait4), which the scheduling of a busy machine disturbs far less."
  echo "  Every ratio is the time of a row over the time of its group's baseline, both measured"
  echo "  in this run on this machine (below 1: faster than the baseline)."
  echo
  echo "## Targets"
  echo
  echo "| Target | Measured ratio | Bound | Met |"
  echo "|---|---:|---:|---|"
  awk -F'|' -v table="$table" '
    BEGIN { while ((getline line < table) > 0) { split(line, c, "\t"); t[c[1]] = c[2] } }
    /^#/ || NF < 5 { next }
    {
      a = t[$1]; b = t[$2]
      if (a == "" || b == "") { printf "| %s | not measured | %s %s | **no** |\n", $5, $3, $4; next }
      r = a / b
      met = ($3 == "<=") ? (r <= $4 + 0) : (r >= $4 + 0)
      printf "| %s | %.3f | %s %s | %s |\n", $5, r, $3, $4, met ? "yes" : "**no**"
    }' "$targets"
  echo
  echo "Each target ratio is the time of the first benchmark named in bench/targets.txt over the"
  echo "time of the second."
  # What bounds each target, written by hand beside the targets.
  notes=$(dirname "$targets")/notes.md
  if [ -f "$notes" ]; then
    echo
    cat "$notes"
  fi
  awk -F'\t' '
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
      g = group($1)
      if (!(g in seen)) { seen[g] = 1; order[++ng] = g }
      row[g, ++nr[g]] = NR; name[NR] = $1; ns[NR] = $2; err[NR] = $4
      if ($3 == "baseline" && $2 != "") base[g] = $2
    }
    END {
      for (i = 1; i <= ng; ++i) {
        g = order[i]
        printf "\n## %s\n\n| Variant | Time | Ratio to baseline |\n|---|---:|---:|\n", g
        for (j = 1; j <= nr[g]; ++j) {
          k = row[g, j]
          if (err[k] != "") { printf "| %s | error: %s | |\n", variant(name[k]), err[k]; continue }
          ratio = (g in base) ? sprintf("%.3f", ns[k] / base[g]) : "no baseline"
          if (ns[k] == base[g]) ratio = ratio " (baseline)"
          printf "| %s | %s | %s |\n", variant(name[k]), human(ns[k]), ratio
        }
      }
    }' "$table"
} >"$out.tmp"
mv "$out.tmp" "$out"
echo "wrote $out" >&2
