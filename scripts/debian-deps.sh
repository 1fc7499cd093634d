# The Debian packages the build needs, and helpers that install those not yet present.

# What the program needs to be built and started, and nothing more.
RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libsqlite3-dev libblkid-dev libhivex-dev
    qt6-base-dev fonts-urw-base35 fonts-liberation2 fonts-dejavu-core
)
# What the tests, the benchmarks, the cross builds and the packages need on top.
BUILD_PACKAGES=(
    "${RUN_PACKAGES[@]}"
    clang python3
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    dosfstools e2fsprogs ntfs-3g libregf-utils libhivex-bin
    libcreg-utils
    desktop-file-utils appstream lintian file dpkg-dev xvfb xauth time
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 wine64 wine
)
# 32-bit Wine runs the Windows 98 tests; it is installed apart, because a mirror whose
# i386 index lags behind its amd64 one can make it uninstallable.
WINE32_PACKAGE=wine32:i386

# Why 32-bit Wine could not be installed, in apt's words, once install_wine32 has failed.
WINE32_FAILURE=

install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    echo "Installing: ${missing[*]}"
    update_package_lists
    DEBIAN_FRONTEND=noninteractive $(as_root) apt-get install -y --no-install-recommends "${missing[@]}"
}

# Installs 32-bit Wine if it is missing. When apt cannot, because installed amd64 libraries
# are of versions the i386 index does not hold, those libraries and their i386 twins are
# moved to the newest version both indexes hold and the install is tried again; what was
# moved is printed. Returns non-zero with WINE32_FAILURE set when even that fails.
install_wine32() {
    is_installed "$WINE32_PACKAGE" && return 0
    i386_programs_run || return 1
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $(as_root) dpkg --add-architecture i386
        PACKAGE_LISTS_UPDATED=false
    fi
    echo "Installing: $WINE32_PACKAGE"
    update_package_lists
    local log
    log=$(mktemp)
    if apt_install_logged "$log" "$WINE32_PACKAGE"; then
        rm -f "$log"
        keep_wine32_if_it_runs
        return
    fi
    local moves=() release
    mapfile -t moves < <(twins_to_move "$WINE32_PACKAGE")
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if ((${#moves[@]})) && [ -n "$release" ]; then
        echo "32-bit Wine needs i386 twins of installed amd64 libraries that the i386 index lacks."
        echo "Moving each such library and its twin to the newest version both indexes hold,"
        echo "other candidates taken from $release:"
        describe_moves "${moves[@]}"
        local pins=() move amd64_pin i386_pin
        for move in "${moves[@]}"; do
            read -r _ _ _ amd64_pin i386_pin <<<"$move"
            pins+=("$amd64_pin" "$i386_pin")
        done
        if apt_install_logged "$log" --allow-downgrades -t "$release" "$WINE32_PACKAGE" "${pins[@]}"; then
            rm -f "$log"
            keep_wine32_if_it_runs
            return
        fi
    fi
    # apt's own reason: its error lines and the unmet dependencies it listed.
    WINE32_FAILURE=$(grep -E '^(E:| [^ ].* : Depends:|  +Depends:)' "$log" | head -n 12 || true)
    rm -f "$log"
    return 1
}

# Once installed, Wine's launcher starts every program through the 32-bit loader, so a
# 32-bit Wine that cannot run would stop 64-bit Wine too: it is removed again.
keep_wine32_if_it_runs() {
    wine32_runs && return 0
    echo "32-bit Wine does not run here; removing it again so that 64-bit Wine keeps working."
    DEBIAN_FRONTEND=noninteractive $(as_root) apt-get remove -y "$WINE32_PACKAGE"
    return 1
}

# Whether 32-bit Wine, once installed, runs here; WINE32_FAILURE says why not when it does
# not. A kernel can be built or booted without its 32-bit emulation.
wine32_runs() {
    runs_here /usr/lib/wine/wine --version
}

# Whether the kernel runs 32-bit programs, told before anything of i386 is installed: a
# 93-byte static i386 program that only exits is started. A kernel without its 32-bit
# emulation refuses it, and the 32-bit packages would take minutes to install for nothing.
i386_programs_run() {
    local probe status
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
        `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
        `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
        `'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'`
        `'\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'`
        `'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    runs_here "$probe"
    status=$?
    rm -f "$probe"
    return $status
}

runs_here() {
    local output
    output=$("$@" 2>&1 >/dev/null) && return 0
    WINE32_FAILURE="$*: $output"
    if [[ $output == *"Exec format error"* ]]; then
        WINE32_FAILURE+=$'\n'"The kernel runs no 32-bit programs: its 32-bit emulation is off"
        WINE32_FAILURE+=" (the boot option ia32_emulation=on turns it on)."
    fi
    return 1
}

# Each installed amd64 library of the package's i386 closure whose version has no i386
# twin in apt's indexes, as "NAME FROM TO NAME:amd64=TO NAME:i386=TO", TO being the newest
# version both architectures' indexes hold.
twins_to_move() {
    local name installed newest
    apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances "$1" 2>/dev/null | sed -n 's/^\([^ <][^ ]*\):i386$/\1/p' |
        sort -u | while read -r name; do
        installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Multi-Arch} ${Version}' "$name:amd64" 2>/dev/null) || continue
        [[ $installed == "ii  same "* ]] || continue
        installed=${installed#ii  same }
        indexed_versions "$name:i386" | grep -qxF "$installed" && continue
        newest=$(comm -12 <(indexed_versions "$name:i386" | sort -u) \
                          <(indexed_versions "$name:amd64" | sort -u) | sort -V | tail -n 1)
        [ -n "$newest" ] || continue
        echo "$name $installed $newest $name:amd64=$newest $name:i386=$newest"
    done
}

describe_moves() {
    local move name from to
    for move in "$@"; do
        read -r name from to _ <<<"$move"
        if dpkg --compare-versions "$to" lt "$from"; then
            echo "  $name: $from -> $to (down: the i386 index holds no $from)"
        else
            echo "  $name: $from -> $to"
        fi
    done
}

# The versions of a package that apt's indexes hold, one a line.
indexed_versions() {
    apt-cache madison "$1" 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $2); print $2 }'
}

# apt-get install with the given arguments, its output shown and kept in the file.
apt_install_logged() {
    local log=$1
    shift
    DEBIAN_FRONTEND=noninteractive $(as_root) apt-get install -y --no-install-recommends "$@" \
        2>&1 | tee "$log"
    return "${PIPESTATUS[0]}"
}

PACKAGE_LISTS_UPDATED=false
# A mirror caught mid-sync serves an index that does not match its release file; apt then
# goes on with the old one, so a failed update is tried again a little later.
update_package_lists() {
    $PACKAGE_LISTS_UPDATED && return 0
    local attempt log
    for attempt in 1 2 3; do
        log=$($(as_root) apt-get update 2>&1) || true
        echo "$log"
        grep -q '^E:' <<<"$log" || break
        [ "$attempt" -eq 3 ] || sleep 20
    done
    PACKAGE_LISTS_UPDATED=true
}

as_root() {
    [ "$(id -u)" -eq 0 ] || echo sudo
}

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
