# The Debian packages the build needs, and a helper that installs those not yet present.
BUILD_PACKAGES=(
    cmake ninja-build g++ clang pkg-config python3
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev libblkid-dev
    dosfstools e2fsprogs ntfs-3g
    qt6-base-dev fonts-urw-base35 fonts-liberation2 fonts-dejavu-core desktop-file-utils xvfb xauth
    mingw-w64 g++-mingw-w64-x86-64-posix wine64 wine
)

install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
