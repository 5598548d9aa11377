#!/usr/bin/env bash
# Times varo-fit on a batch of generated four-gaussian files (the sample
# generator's terms, one noise seed per file) with one and with two jobs, and
# writes the section "Batch fits with varo-fit" at the end of bench/RESULTS.md,
# in place of an earlier one. Usage: bench/cli_bench.sh [build folder] [files]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-release}
count=${2:-1000}
runs=3
results=bench/RESULTS.md

cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target varo-fit VaroDemoData --parallel 2 >/dev/null
fit="$build/cli/varo-fit"
generate="$build/demos/tools/VaroDemoData"

data="$build/cli_bench_data"
mkdir -p "$data"
files=()
for ((seed = 1; seed <= count; seed++)); do
    file="$data/gauss4_$seed.dat"
    [ -s "$file" ] || "$generate" gauss "$file" "$seed" 40 340 25 60 420 30 45 510 28 30 610 35
    files+=("$file")
done

now() { date +%s.%N; }

# Median wall time of $runs runs with $1 jobs; the records of the last run
# stay in $build/cli_bench.csv.
median_wall_time() {
    local jobs=$1 times=() start end
    for ((run = 0; run < runs; run++)); do
        start=$(now)
        "$fit" --model gauss:4 --jobs "$jobs" "${files[@]}" >"$build/cli_bench.csv" || true
        end=$(now)
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
rows=""
for jobs in 1 2; do
    wall=$(median_wall_time "$jobs")
    fitted=$(tail -n +2 "$build/cli_bench.csv" | awk -F, '$2 == 0' | wc -l)
    rate=$(awk -v n="$count" -v t="$wall" 'BEGIN { printf "%.1f", n / t }')
    rows+=$(printf '| %d | %.2f | %.0f | %d of %d |\n' "$jobs" "$wall" "$rate" "$fitted" "$count")
    rows+=$'\n'
done

section="## Batch fits with varo-fit

$count files of 401 rows made by the sample generator (four gaussians, its
terms, noise seeds 1 to $count), fitted with \`varo-fit --model gauss:4\` from
automatic start values (damped steps, analytic derivatives, CSV to a file).
Wall time is the median of $runs runs of the whole program.
Machine: $(nproc) cores, load average $load at the start (it may be shared), $(date -u +%Y-%m-%d).

| jobs | wall time (s) | files per second | fitted |
|---:|---:|---:|---:|
$rows"

# An earlier section of ours goes, up to the next section of the report.
# An earlier section of ours goes, up to the next section of the report; one
# blank line separates ours from what comes before.
awk '/^## / { ours = ($0 == "## Batch fits with varo-fit") }
     !ours && NF { while (blank > 0) { print ""; blank-- } print; next }
     !ours { blank++ }' "$results" >"$results.new"
mv "$results.new" "$results"
printf '\n%s' "$section" >>"$results"
echo "Wrote the varo-fit section of $results"
