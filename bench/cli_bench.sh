#!/usr/bin/env bash
# Times varo-fit on three batches and writes the section "Batch fits with
# varo-fit" at the end of bench/RESULTS.md, in place of an earlier one:
# generated four-gaussian files of the sample generator (the generator's terms,
# one noise seed per file) and generated lab spectra of three Voigt peaks on a
# sloped baseline, each with one and with two jobs, and one file of a million
# rows (a gaussian on a line), reading included.
# Usage: bench/cli_bench.sh [build folder] [files]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-release}
count=${2:-1000}
big_rows=1000000
runs=3
results=bench/RESULTS.md

cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target varo-fit VaroDemoData VaroSpectra --parallel 2 >/dev/null
fit="$build/cli/varo-fit"
generate="$build/demos/tools/VaroDemoData"
spectra="$build/demos/tools/VaroSpectra"

data="$build/cli_bench_data"
mkdir -p "$data"
gauss_files=()
for ((seed = 1; seed <= count; seed++)); do
    file="$data/gauss4_$seed.dat"
    [ -s "$file" ] || "$generate" gauss "$file" "$seed" 40 340 25 60 420 30 45 510 28 30 610 35
    gauss_files+=("$file")
done
voigt_data="$data/voigt3_$count"
mkdir -p "$voigt_data"
[ -s "$voigt_data/truth.txt" ] || "$spectra" "$voigt_data" "$count" 1 voigt:3
voigt_files=("$voigt_data"/spectrum_*)
big_data="$data/big_$big_rows"
mkdir -p "$big_data"
[ -s "$big_data/truth.txt" ] || "$spectra" "$big_data" 1 1 gauss:1 "$big_rows"

now() { date +%s.%N; }

# Median wall time of $runs runs of varo-fit with the arguments given; the
# records of the last run stay in $build/cli_bench.csv.
median_wall_time() {
    local times=() start end
    for ((run = 0; run < runs; run++)); do
        start=$(now)
        "$fit" "$@" >"$build/cli_bench.csv" || true
        end=$(now)
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p"
}

fitted_count() {
    tail -n +2 "$build/cli_bench.csv" | awk -F, '$2 == 0' | wc -l
}

# One table row per number of jobs: model, then the files.
batch_rows() {
    local model=$1 jobs wall fitted rate
    shift
    for jobs in 1 2; do
        wall=$(median_wall_time --model "$model" --jobs "$jobs" "$@")
        fitted=$(fitted_count)
        rate=$(awk -v n="$#" -v t="$wall" 'BEGIN { printf "%.1f", n / t }')
        printf '| %d | %.2f | %.0f | %d of %d |\n' "$jobs" "$wall" "$rate" "$fitted" "$#"
    done
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
gauss_rows=$(batch_rows gauss:4 "${gauss_files[@]}")
voigt_rows=$(batch_rows voigt:3+linear "${voigt_files[@]}")
big_wall=$(median_wall_time --model gauss:1+linear --jobs 1 "$big_data/spectrum_0.csv")
big_fitted=$(fitted_count)

section="## Batch fits with varo-fit

Wall times are medians of $runs runs of the whole program, reading included
(damped steps, analytic derivatives, automatic start values, CSV to a file).
Machine: $(nproc) cores, load average $load at the start (it may be shared), $(date -u +%Y-%m-%d).

$count files of 401 rows made by the sample generator (four gaussians, its
terms, noise seeds 1 to $count), fitted with \`varo-fit --model gauss:4\`:

| jobs | wall time (s) | files per second | fitted |
|---:|---:|---:|---:|
$gauss_rows

$count lab spectra of 601 rows made by \`VaroSpectra\` (three Voigt peaks of
random widths and shapes on a sloped baseline, CSV with a header, seed 1),
fitted with \`varo-fit --model voigt:3+linear\`:

| jobs | wall time (s) | files per second | fitted |
|---:|---:|---:|---:|
$voigt_rows

One file of $big_rows rows (a gaussian on a sloped baseline, CSV with a
header, 21 MB), fitted with \`varo-fit --model gauss:1+linear\`: $big_wall s
($big_fitted of 1 fitted).
"

# An earlier section of ours goes, up to the next section of the report; one
# blank line separates ours from what comes before.
awk '/^## / { ours = ($0 == "## Batch fits with varo-fit") }
     !ours && NF { while (blank > 0) { print ""; blank-- } print; next }
     !ours { blank++ }' "$results" >"$results.new"
mv "$results.new" "$results"
printf '\n%s' "$section" >>"$results"
echo "Wrote the varo-fit section of $results"
