# Shared by ./run and ./test: install what is missing, then configure and build.
# Sourced, not run.

STELVANE_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
                   libbenchmark-dev fonts-liberation xvfb x11-utils imagemagick poppler-utils
                   clang libclang-rt-dev)

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

# stelvane_build DIR [cmake options...]
stelvane_build() {
    local dir=$1
    shift
    cmake -S "$STELVANE_ROOT" -B "$STELVANE_ROOT/$dir" "$@" >/dev/null || return 1
    cmake --build "$STELVANE_ROOT/$dir" --parallel "$(nproc)" || return 1
}
