#!/usr/bin/env bash
# Installs what building, running and testing Tidewell needs, skipping what is already there.
# Debian and Ubuntu through apt (as root, or with sudo); macOS through Homebrew.
set -euo pipefail

debian_packages=(
    build-essential cmake ninja-build git pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-gtk-platformtheme libgl-dev
    # relative times ("2 hours ago") in the user's language
    libicu-dev
    # the translations: lupdate and lrelease with their CMake functions, Qt's own translations, and the
    # German and Spanish locales the tests run under
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n locales
    # what a screen reader sees: the accessibility bus and its Python client, for the AT-SPI walk
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    # every HTTP exchange (libcurl over OpenSSL, the TLS library Qt already loads here)
    libcurl4-openssl-dev
    clang-format
    # the fuzz targets (scripts/fuzz.sh): clang and its libFuzzer and sanitizer runtimes
    clang libclang-rt-14-dev
    # what the program reads and starts
    lsof procps zsh xdg-utils
    # what the tests start: servers, a display with a tray, clicks, certificates; curl for the list bench
    python3 python3-flask perl openssl xvfb trayer xdotool x11-utils xterm curl
    # a screen of twice the pixels: xvfb-run with its xauth, and xrdb to set the desktop's Xft.dpi
    xauth x11-xserver-utils
    # remote machines: the ssh client the program runs, and the sshd the tests start in a namespace
    openssh-client openssh-server
    # desktops that host the tray icon over D-Bus, and Wayland: a private session bus with a
    # StatusNotifierWatcher and a portal written in Python, a headless sway with a virtual keyboard,
    # and Qt's Wayland platform plugin
    dbus-daemon python3-dbus python3-gi sway wtype qt6-wayland
    # the desktop's own launcher, which runs the autostart entry in the tests
    libglib2.0-bin
    # the package: its dependencies (dpkg-shlibdeps, file), the checks of the desktop entry, the
    # metainfo and the man page
    dpkg-dev file desktop-file-utils appstream man-db
)

# The locales the translation tests run under, made once.
generate_locales() {
    local wanted=(de_DE.UTF-8 es_ES.UTF-8) missing=() sudo=()
    for name in "${wanted[@]}"; do
        locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || missing+=("$name")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    for name in "${missing[@]}"; do
        "${sudo[@]}" sed -i "s/^# *\(${name} UTF-8\)/\1/" /etc/locale.gen
        grep -qx "${name} UTF-8" /etc/locale.gen || echo "${name} UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    done
    "${sudo[@]}" locale-gen
}

install_debian() {
    local missing=()
    for package in "${debian_packages[@]}"; do
        if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]; then
            missing+=("$package")
        fi
    done
    # Node.js serves the JavaScript servers of the tests; any node on PATH will do.
    command -v node >/dev/null 2>&1 || missing+=(nodejs)
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_macos() {
    command -v brew >/dev/null 2>&1 || { echo "Homebrew is needed: https://brew.sh" >&2; exit 1; }
    local formulae=(cmake ninja qt icu4c curl clang-format node)
    for formula in "${formulae[@]}"; do
        brew list --formula "$formula" >/dev/null 2>&1 || brew install "$formula"
    done
}

case "$(uname -s)" in
    Linux)
        if command -v apt-get >/dev/null 2>&1; then
            install_debian
            generate_locales
        else
            echo "Not a Debian or Ubuntu system: install Qt 6 (Core, Network, Widgets, Svg, Test), libcurl, CMake, Ninja," >&2
            echo "clang-format, lsof, zsh, python3 and node by hand." >&2
        fi
        ;;
    Darwin)
        install_macos
        ;;
    *)
        echo "Unsupported system: $(uname -s)" >&2
        exit 1
        ;;
esac
