# Sourced by the scripts: installs the Debian packages a command needs when
# they are missing, as root or through sudo.
varo_install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "Missing packages ${missing[*]}; run as root or install them." >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

VARO_BUILD_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev freeglut3-dev libglu1-mesa-dev libx11-dev
    libcli11-dev nlohmann-json3-dev libcsv-dev libcerf-dev libmuparser-dev libcairo2-dev
    libpng-dev libfontconfig-dev libexpat1-dev libgl1-mesa-dri xvfb xauth)

# The tests of the report page open it in a headless browser; they are
# skipped where it is missing.
VARO_TEST_PACKAGES=(chromium)

# The benchmark harness and its unit tests build only when these are present;
# lmfit is the peer of varo.fit_many's benchmark.
VARO_BENCH_PACKAGES=(libcminpack-dev libgsl-dev libbenchmark-dev python3-lmfit)

# The Python package builds when these are present; its tests also need SciPy,
# lmfit (its intervals are the reference of ours) and pytest, its examples
# matplotlib, fit_many's progress bar tqdm. pkg-config serves the installation
# check.
VARO_PYTHON_PACKAGES=(python3-dev python3-numpy pybind11-dev python3-pytest python3-scipy
    python3-lmfit python3-matplotlib python3-tqdm pkg-config)

# The fuzz harnesses need clang with libFuzzer and the sanitizer runtimes.
VARO_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
