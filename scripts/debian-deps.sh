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
        is_installed "$package" || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # 32-bit Wine is a package of the i386 architecture, which apt must know first.
    if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    echo "Installing: ${missing[*]}"
    # A mirror caught mid-sync serves an index that does not match its release file;
    # apt then goes on with the old one, so a failed update is tried again a little later.
    local attempt log
    for attempt in 1 2 3; do
        log=$($sudo apt-get update 2>&1) || true
        echo "$log"
        grep -q '^E:' <<<"$log" || break
        [ "$attempt" -eq 3 ] || sleep 20
    done
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# Installs those of the build packages that are of the machine's own architecture: all
# but the i386 ones.
install_missing_native_packages() {
    local native=() package
    for package in "${BUILD_PACKAGES[@]}"; do
        [[ $package == *:i386 ]] || native+=("$package")
    done
    install_missing_packages "${native[@]}"
}

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
