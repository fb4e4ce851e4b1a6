# Clean Debian roots for building and installing the package, shared by packaging/make-packages
# and tests/package/. Sourced, not executed; needs root, mmdebstrap and the Debian mirror.

# kurvimat_mirror SUITE: the mirror this machine's apt uses for the suite's main component,
# else deb.debian.org (KURVIMAT_DEBIAN_MIRROR overrides both).
kurvimat_mirror() {
    local mirror=${KURVIMAT_DEBIAN_MIRROR:-}
    [ -n "$mirror" ] || mirror=$(apt-cache policy 2>/dev/null |
        awk -v s="$1/main" '$3 == s && $2 ~ /^https?:/ { print $2; exit }')
    [ -n "$mirror" ] || mirror=$(apt-cache policy 2>/dev/null |
        awk '$3 ~ /^[a-z]+\/main$/ && $2 ~ /^https?:\/\/[^ ]*\/debian\/?$/ { print $2; exit }')
    echo "${mirror:-http://deb.debian.org/debian}"
}

# kurvimat_mirror_reachable SUITE MIRROR DIR: true when the suite's release file can be fetched.
kurvimat_mirror_reachable() {
    /usr/lib/apt/apt-helper download-file "$2/dists/$1/InRelease" "$3/InRelease-$1" \
        >/dev/null 2>&1
}

# kurvimat_base_tarball SUITE MIRROR TAR: a minimal root of the suite (apt and what it needs),
# once per run; the build root and the install root are both unpacked from it.
kurvimat_base_tarball() {
    [ -s "$3" ] && return 0
    # mmdebstrap makes a tarball of a name that ends in .tar.
    local part=${3%.tar}.part.tar
    rm -rf "$part"
    timeout 900 mmdebstrap --variant=apt --mode=root --skip=cleanup/apt/lists --quiet \
        "$1" "$part" "$2" && mv "$part" "$3"
}

# kurvimat_unpack_root TAR DIR: a fresh root from the tarball.
kurvimat_unpack_root() {
    rm -rf "$2" && mkdir -p "$2" && tar -C "$2" -xf "$1"
}

# kurvimat_in_root DIR CMD...: runs CMD in the root with its own /proc and the host's /dev,
# both gone with the command.
kurvimat_in_root() {
    local target=$1
    shift
    # A compiler launcher set for the host's builds (ccache) is not in the clean root.
    env -u CMAKE_CXX_COMPILER_LAUNCHER -u CMAKE_C_COMPILER_LAUNCHER \
        unshare --mount --pid --fork --mount-proc="$target/proc" \
            sh -c 'mount --rbind /dev "$0/dev" && exec chroot "$0" "$@"' "$target" "$@"
}
