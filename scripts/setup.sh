# Shared by ./run and ./test: install what is missing, then configure and build.
# Sourced, not run.

STELVANE_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
                   libbenchmark-dev fonts-liberation xvfb x11-utils imagemagick poppler-utils
                   clang libclang-rt-dev time xdotool libngspice0-dev appstream libhwy-dev
                   libcli11-dev nlohmann-json3-dev clang-format)
# ngspice's own program: the test that a written netlist runs alone (ngspice -b FILE)
STELVANE_PACKAGES+=(ngspice)
# images of the views: SVG files through Qt SVG
STELVANE_PACKAGES+=(qt6-svg-dev)

stelvane_install_missing() {
    local missing=()
    local p
    for p in "${STELVANE_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# stelvane_build DIR [cmake options...] [-- targets...]: everything, or only the targets named
stelvane_build() {
    local dir=$1
    shift
    local options=() targets=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift && targets=(--target "$@")
    cmake -S "$STELVANE_ROOT" -B "$STELVANE_ROOT/$dir" "${options[@]}" >/dev/null || return 1
    cmake --build "$STELVANE_ROOT/$dir" --parallel "$(nproc)" "${targets[@]}" || return 1
}

# The sanitizers stop at the first error; library bounds checks are on as well,
# so that an index past a std::array inside the design record is caught too.
stelvane_sanitizer_environment() {
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$STELVANE_ROOT/scripts/lsan.supp:print_suppressions=0"
}

# The whole test suite, windows included, built and run with AddressSanitizer
# and UndefinedBehaviorSanitizer in build-asan/: the two test programs and
# what they run, not the desktop program or the package.
# Every C++ source and test laid out by the project's .clang-format, and no line over 120 columns.
stelvane_layout_stage() {
    local files
    mapfile -t files < <(cd "$STELVANE_ROOT" && find app bench desktop engine files fuzz platform print render spice \
        tests tools windows -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
    (cd "$STELVANE_ROOT" && clang-format --dry-run --Werror "${files[@]}") || {
        echo "Layout: run clang-format -i on the files named above" >&2
        return 1
    }
    local long
    long=$(cd "$STELVANE_ROOT" && awk 'length($0) > 120 { print FILENAME ":" FNR }' "${files[@]}")
    [ -z "$long" ] || { echo "Lines over 120 columns:" >&2; echo "$long" >&2; return 1; }
}

stelvane_sanitizer_stage() {
    (
        stelvane_sanitizer_environment
        # test discovery runs the programs at build time, so the options apply there too
        # unoptimised: the tests take seconds, the build the minutes
        stelvane_build "${STELVANE_ASAN_BUILD:-build-asan}" -DSTELVANE_SANITIZE=ON -DSTELVANE_BENCH=OFF -DSTELVANE_WERROR=ON \
            -DCMAKE_BUILD_TYPE=Debug \
            -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS -- stelvane_core_tests stelvane_qt_tests || exit 1
        cd "$STELVANE_ROOT/${STELVANE_ASAN_BUILD:-build-asan}" && ctest --output-on-failure --parallel "$(nproc)"
    )
}

# every target has its seed corpus in fuzz/corpus/NAME
STELVANE_FUZZ_TARGETS=(numbertext enterstep designfile lastsession overlay netlistfilter cliargs)

# Builds the libFuzzer targets with clang in build-fuzz/ and runs each of them
# with the given libFuzzer options (-runs=N or -max_total_time=S). Each target
# starts from its seed corpus in fuzz/corpus/ and keeps what it finds in
# build-fuzz/corpus/; a crash leaves its input in build-fuzz/artifacts/ and
# fails the stage. STELVANE_FUZZ_BUILD and STELVANE_ASAN_BUILD name other
# build folders for these two stages.
stelvane_fuzz_stage() {
    local dir="$STELVANE_ROOT/${STELVANE_FUZZ_BUILD:-build-fuzz}"
    CC=clang CXX=clang++ cmake -S "$STELVANE_ROOT" -B "$dir" -DSTELVANE_FUZZ=ON -DSTELVANE_WITH_QT=OFF \
        -DSTELVANE_BENCH=OFF >/dev/null || return 1
    cmake --build "$dir" --parallel "$(nproc)" --target stelvane_fuzz || return 1
    mkdir -p "$dir/artifacts"
    local target
    for target in "${STELVANE_FUZZ_TARGETS[@]}"; do
        mkdir -p "$dir/corpus/$target"
        echo "-- fuzz_$target $*"
        if ! "$dir/fuzz/fuzz_$target" "$@" -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$target-" \
            "$dir/corpus/$target" "$STELVANE_ROOT/fuzz/corpus/$target" >"$dir/fuzz_$target.log" 2>&1; then
            tail -n 60 "$dir/fuzz_$target.log"
            echo "fuzz_$target failed; its input is in $dir/artifacts/" >&2
            return 1
        fi
        grep -E '^(Done|stat::number_of_executed_units)' "$dir/fuzz_$target.log" || true
    done
}
