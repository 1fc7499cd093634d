# The Debian packages the build needs, and a helper that installs those not yet present.
BUILD_PACKAGES=(
    cmake ninja-build g++ clang pkg-config python3
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libsqlite3-dev libblkid-dev
    dosfstools e2fsprogs ntfs-3g
    qt6-base-dev fonts-urw-base35 fonts-liberation2 fonts-dejavu-core desktop-file-utils xvfb xauth
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 wine64 wine wine32:i386
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
    # 32-bit Wine is a package of the i386 architecture, which apt must know first.
    if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
