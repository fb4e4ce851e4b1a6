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

# kurvimat_base_tarball SUITE MIRROR TAR: a minimal root of the suite (apt and what it needs);
# the build root and the install root are both unpacked from it.
kurvimat_base_tarball() {
    [ -s "$3" ] && return 0
    # mmdebstrap makes a tarball of a name that ends in .tar; a name of this process's own, so
    # that two runs making one never write into each other's.
    local part=${3%.tar}.part$$.tar
    rm -rf "$part"
    timeout 900 mmdebstrap --variant=apt --mode=root --skip=cleanup/apt/lists --quiet \
        "$1" "$part" "$2" && mv "$part" "$3" || { rm -rf "$part"; return 1; }
}

# kurvimat_cache_dir: what is kept between runs (the minimal roots, the Debian 13 build's
# compiler cache); outside the build tree, so that `rm -rf build` keeps it. KURVIMAT_CACHE_DIR
# overrides it.
kurvimat_cache_dir() {
    echo "${KURVIMAT_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kurvimat}"
}

# kurvimat_cached_base SUITE MIRROR: sets KURVIMAT_BASE to the suite's minimal root in the
# cache, made anew when it is missing, a week old, or made from another mirror or another state
# of the suite (the Date of the suite's release file, which the mirror's reachability check
# fetched anyway). The roots' package lists are those of the tarball, so a stale one would ask
# the mirror for files it no longer has. Runs at the same time wait for one another here.
kurvimat_cached_base() {
    local suite=$1 mirror=$2 dir stamp now
    dir=$(kurvimat_cache_dir)/debian
    KURVIMAT_BASE=$dir/$suite-base.tar
    mkdir -p "$dir" || return 1
    /usr/lib/apt/apt-helper download-file "$mirror/dists/$suite/InRelease" \
        "$dir/$suite-InRelease.$$" >/dev/null 2>&1 || { rm -f "$dir/$suite-InRelease.$$"; return 1; }
    now=$(printf '%s\n%s\n' "$mirror" "$(grep -m1 '^Date:' "$dir/$suite-InRelease.$$")")
    rm -f "$dir/$suite-InRelease.$$"
    (
        flock 9 || exit 1
        stamp=$KURVIMAT_BASE.made-from
        if [ -s "$KURVIMAT_BASE" ] && [ -n "$(find "$KURVIMAT_BASE" -mtime -7)" ] &&
            [ "$(cat "$stamp" 2>/dev/null)" = "$now" ]; then
            echo "reusing $KURVIMAT_BASE ($(( ($(date +%s) - $(stat -c %Y "$KURVIMAT_BASE")) / 3600 )) h old)"
            exit 0
        fi
        echo "making $KURVIMAT_BASE anew from $mirror"
        rm -f "$KURVIMAT_BASE" "$stamp"
        kurvimat_base_tarball "$suite" "$mirror" "$KURVIMAT_BASE" && echo "$now" >"$stamp"
    ) 9>"$dir/$suite.lock"
}

# kurvimat_unpack_root TAR DIR: a fresh root from the tarball.
kurvimat_unpack_root() {
    rm -rf "$2" && mkdir -p "$2" && tar -C "$2" -xf "$1"
}

# kurvimat_in_root [--bind DIR PATH]... ROOT CMD...: runs CMD in the root with its own /proc
# and the host's /dev, and DIR at PATH in the root; all gone with the command (a mount namespace
# of its own), so removing the root afterwards leaves DIR alone.
kurvimat_in_root() {
    local binds=()
    while [ "$1" = --bind ]; do
        binds+=("$2" "$3")
        shift 3
    done
    local target=$1
    shift
    # A compiler launcher or cache set for the host's builds is not the root's.
    env -u CMAKE_CXX_COMPILER_LAUNCHER -u CMAKE_C_COMPILER_LAUNCHER -u CCACHE_DIR -u CCACHE_BASEDIR \
        unshare --mount --propagation private --pid --fork --mount-proc="$target/proc" \
            sh -c 'target=$1 n=$2
                   shift 2
                   mount --rbind /dev "$target/dev" || exit 1
                   while [ "$n" -gt 0 ]; do
                       mkdir -p "$target$2" && mount --bind "$1" "$target$2" || exit 1
                       shift 2
                       n=$((n - 1))
                   done
                   exec chroot "$target" "$@"' sh "$target" $((${#binds[@]} / 2)) "${binds[@]}" "$@"
}
