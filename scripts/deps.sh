#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. Sourced by scripts/run and
# scripts/test. Uses sudo when not root.
QV_PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev
    libcurl4-openssl-dev libasound2-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    clang-format
    iproute2
    xvfb xauth openbox x11-utils xdotool
    libcap2-bin
    libpcap-dev
    libreoffice-calc-nogui locales
)

qv_install_deps() {
    local missing=()
    for p in "${QV_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
