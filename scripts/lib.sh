# Helpers shared by scripts/test, scripts/demo, scripts/bench and scripts/screenshots.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
JOBS=2

# What the project needs on a Debian 12 machine to build and test.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins
                googletest libgtest-dev fonts-liberation2 g++-mingw-w64-x86-64 wine wine64
                clang libclang-rt-14-dev xvfb xauth openbox xdotool x11-utils imagemagick
                libxcb-xtest0-dev xfsprogs libfuse3-dev fuse3)

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
    # The first start of a prefix takes a while; it is made once, before anything is timed.
    [ -d "$WINEPREFIX" ] || timeout 300 wineboot -i >/dev/null 2>&1
}

# build_windows: cross-builds Migrador.exe and the Windows tests in build/win64.
build_windows() {
    local dir=$BUILD/win64 werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" \
            -DMIGRATOR_WERROR=$werror >/dev/null || return 1
    fi
    cmake --build "$dir" -j $JOBS
}

# virtual_display: an X server of our own (Xvfb, on a free display) with a window manager,
# so that windows get the focus as on a desktop; DISPLAY names it until the script ends.
VIRTUAL_PIDS=()
virtual_display() {
    local fifo number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$fifo" >/dev/null 2>&1 &
    VIRTUAL_PIDS+=($!)
    read -r -t 30 number <"$fifo" || { rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export DISPLAY=:$number
    openbox >/dev/null 2>&1 &
    VIRTUAL_PIDS+=($!)
    # The window manager is ready once it owns the screen's selection.
    local i
    for ((i = 0; i < 50; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    trap 'kill "${VIRTUAL_PIDS[@]}" 2>/dev/null; wait "${VIRTUAL_PIDS[@]}" 2>/dev/null' EXIT
}

# lay_out_sample DIR [windows]: a sample installation of the suite in DIR, as the tool finds
# it at a customer: the three groups' executables (placeholders), six settings files in
# Windows-1252 with CRLF line ends, comments and other keys, and a database of a few MB in
# a folder with an accented name. The settings name the database by its full path; with
# "windows", by the path Wine gives the folder (Z: is the root), as on a customer's machine.
lay_out_sample() {
    local dir=$1 style=${2:-}
    rm -rf "$dir"
    mkdir -p "$dir/Talbrix/Database/Gestão" "$dir/Talbrix/Brenmoor" "$dir/Talbrix/Hulvern" \
        "$dir/Zorp" "$dir/Kestal"
    local exe
    for exe in Talbrix/Talbrix.exe Zorp/Zorp.exe Kestal/Ombrive.exe; do
        printf 'MZ placeholder for %s\n' "$exe" >"$dir/$exe"
    done
    {
        printf 'BANCO DE DADOS DE DEMONSTRACAO\n'
        head -c $((4 << 20)) /dev/urandom
    } >"$dir/Talbrix/Database/Gestão/BANCO.GDB"

    local database="$dir/Talbrix\\Database\\Gestão\\BANCO.GDB"
    if [ "$style" = windows ]; then
        database="Z:${dir//\//\\}\\Talbrix\\Database\\Gestão\\BANCO.GDB"
    fi
    settings_file "$dir/Talbrix/Quorvane.ini" <<EOT
; Configurações locais do retaguarda
[ConfiguracaoLocal]
Terminal=RETAGUARDA01
CaminhoBanco=$database
Usuario=SYSDBA
Dialeto=3

[Impressao]
Porta=LPT1
Modelo=Térmica 80 colunas
EOT
    settings_file "$dir/Talbrix/Brenmoor/Plessgard.ini" <<EOT
; Módulo da cozinha
[DADOS]
SERVIDOR=localhost
BASEDADOS=$database
[COZINHA]
IMPRESSORA=Cozinha quente
EOT
    settings_file "$dir/Talbrix/Hulvern/Hulvern.ini" <<EOT
[DADOS]
BASEDADOS=$database
PORTA=3050
; Servidor dos garçons
[SERVIDOR]
Porta=8085
EOT
    settings_file "$dir/Zorp/Quorvane.ini" <<EOT
[ConfiguracaoLocal]
CaminhoBanco=$database
Serie=1
[Emitente]
Razao=Comércio São João Ltda
EOT
    settings_file "$dir/Kestal/Quorvane.ini" <<EOT
; Ponto de venda - caixa 01
[ConfiguracaoLocal]
Caixa=01
CaminhoBanco=$database
EOT
    settings_file "$dir/Kestal/Trusket.ini" <<EOT
[ConfiguracaoLocal]
CaminhoBancoServer=$database
[ECF]
Porta=COM1
Velocidade=115200
EOT
}

# settings_file FILE: standard input (UTF-8, LF) as the suite writes its settings:
# Windows-1252 with CRLF.
settings_file() {
    sed 's/$/\r/' | iconv -f UTF-8 -t WINDOWS-1252 >"$1"
}
