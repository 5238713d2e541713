# Helpers shared by scripts/test, scripts/demo, scripts/bench and scripts/screenshots.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
JOBS=2

# What the project needs on a Debian 12 machine to build and test.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins
                googletest libgtest-dev fonts-liberation2 g++-mingw-w64-x86-64 wine wine64
                clang libclang-rt-14-dev xvfb xauth)

# Installs the Debian packages named that are not installed yet; never prompts.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# configure_native DIR [cmake options...]: configures a native build once; later runs
# only rebuild.
configure_native() {
    local dir=$1
    shift
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DMIGRATOR_WERROR=$werror "$@" >/dev/null
    fi
}

build_native() {
    configure_native "$BUILD/native"
    cmake --build "$BUILD/native" -j $JOBS
}

wine_env() {
    export WINEPREFIX=$BUILD/win64/wineprefix WINEDEBUG=-all
}
