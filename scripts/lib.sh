# Helpers shared by scripts/test, scripts/demo, scripts/bench and scripts/screenshots.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
JOBS=2

# What the project needs on a Debian 12 machine to build and test.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins
                googletest libgtest-dev fonts-liberation2 g++-mingw-w64-x86-64 wine wine64
                clang libclang-rt-14-dev xvfb xauth libfuse3-dev fuse3)

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

# lay_out_sample DIR: a sample installation of the suite in DIR, as the tool finds it at a
# customer: the three groups' executables (placeholders), six settings files in
# Windows-1252 with CRLF line ends, comments and other keys, and a database of a few MB in
# a folder with an accented name. The settings name the database by its full path.
lay_out_sample() {
    local dir=$1
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
