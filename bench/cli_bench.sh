#!/usr/bin/env bash
# Times varo-fit on three batches and writes the section "Batch fits with
# varo-fit" at the end of bench/RESULTS.md, in place of an earlier one:
# generated four-gaussian files of the sample generator (the generator's terms,
# one noise seed per file) and generated lab spectra of three Voigt peaks on a
# sloped baseline, each with one and with two jobs, and one file of a million
# rows (a gaussian on a line), reading included. Then the cost of the report
# page (--report) and of a picture per file (--plot, PNG and SVG) over the
# fits alone on both batches, and the peak memory of a batch with a report.
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

plots="$build/cli_bench_plots"
report="$build/cli_bench_report.html"

# Median wall time of $runs runs of varo-fit with the arguments given; the
# records of the last run stay in $build/cli_bench.csv. The pictures of an
# earlier run are removed before each run.
median_wall_time() {
    local times=() start end
    for ((run = 0; run < runs; run++)); do
        rm -rf "$plots"
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

ratio() { awk -v t="$1" -v base="$2" 'BEGIN { printf "%.1f", t / base }'; }

# One table row per number of jobs: the fits alone, with --report, with
# --report and PNG pictures, with --report and SVG pictures, each with its
# ratio to the fits alone.
drawing_rows() {
    local model=$1 jobs alone paged png svg
    shift
    for jobs in 1 2; do
        alone=$(median_wall_time --model "$model" --jobs "$jobs" "$@")
        paged=$(median_wall_time --model "$model" --jobs "$jobs" --report "$report" "$@")
        png=$(median_wall_time --model "$model" --jobs "$jobs" --report "$report" --plot "$plots" "$@")
        svg=$(median_wall_time --model "$model" --jobs "$jobs" --report "$report" --plot "$plots" \
            --plot-format svg "$@")
        printf '| %d | %.2f | %.2f (%s) | %.2f (%s) | %.2f (%s) |\n' "$jobs" "$alone" "$paged" \
            "$(ratio "$paged" "$alone")" "$png" "$(ratio "$png" "$alone")" "$svg" \
            "$(ratio "$svg" "$alone")"
    done
}

# Peak resident memory in MB of one run of varo-fit with the arguments given.
peak_memory() {
    /usr/bin/time -f %M "$fit" "$@" 2>&1 >/dev/null | tail -n 1 |
        awk '{ printf "%.0f", $1 / 1024 }'
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
gauss_rows=$(batch_rows gauss:4 "${gauss_files[@]}")
voigt_rows=$(batch_rows voigt:3+linear "${voigt_files[@]}")
big_wall=$(median_wall_time --model gauss:1+linear --jobs 1 "$big_data/spectrum_0.csv")
big_fitted=$(fitted_count)
gauss_drawing_rows=$(drawing_rows gauss:4 "${gauss_files[@]}")
voigt_drawing_rows=$(drawing_rows voigt:3+linear "${voigt_files[@]}")
memory_alone=$(peak_memory --model voigt:3+linear --jobs 1 "${voigt_files[@]}")
memory_report=$(peak_memory --model voigt:3+linear --jobs 1 --report "$report" "${voigt_files[@]}")
memory_twice=$(peak_memory --model voigt:3+linear --jobs 1 --report "$report" \
    "${voigt_files[@]}" "${voigt_files[@]}")
picture_size=$(du -k "$plots" | awk -v n="${#voigt_files[@]}" '{ printf "%.0f", $1 / n }')
report_size=$(du -k "$report" | awk '{ printf "%.1f", $1 / 1024 }')

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

### Pictures and the report page

The same two batches with \`--report FILE.html\` (a thumbnail per file) and
with \`--plot DIR\` besides (an 800 x 600 picture per file, PNG or SVG), wall
times in seconds and, in brackets, their ratio to the fits alone:

$count four-gaussian files (\`--model gauss:4\`):

| jobs | fits alone | --report | --report --plot (PNG) | --report --plot --plot-format svg |
|---:|---:|---:|---:|---:|
$gauss_drawing_rows

$count lab spectra (\`--model voigt:3+linear\`):

| jobs | fits alone | --report | --report --plot (PNG) | --report --plot --plot-format svg |
|---:|---:|---:|---:|---:|
$voigt_drawing_rows

The SVG pictures of the lab spectra take ${picture_size} kB a file, the last page ${report_size} MB. Peak
memory of the lab spectra with one job: $memory_alone MB for the fits alone,
$memory_report MB with the report, $memory_twice MB with the report of the same
files twice over (the rows wait in temporary files, not in memory).
"

# An earlier section of ours goes, up to the next section of the report; one
# blank line separates ours from what comes before.
awk '/^## / { ours = ($0 == "## Batch fits with varo-fit") }
     !ours && NF { while (blank > 0) { print ""; blank-- } print; next }
     !ours { blank++ }' "$results" >"$results.new"
mv "$results.new" "$results"
printf '\n%s' "$section" >>"$results"
echo "Wrote the varo-fit section of $results"
