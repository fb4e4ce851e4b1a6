# Shared by ./run, ./test and ./bench: install what is missing, configure and build.
# Sourced, not executed.

KURVIMAT_PACKAGES=(build-essential cmake ninja-build pkgconf qt6-base-dev qt6-base-dev-tools libgl-dev
                   libudev-dev libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev
                   fonts-liberation qt6-translations-l10n libgsl-dev libsqlite3-dev
                   librsvg2-bin file qt6-l10n-tools qt6-tools-dev-tools clang-tidy)
# The class view: the QR code of its address; Qt WebSockets as the pages of its tests.
KURVIMAT_PACKAGES+=(qt6-websockets-dev libqrencode-dev)
# The compiler cache: ./run and ./test compile through it when it is installed (kurvimat_configure).
KURVIMAT_BUILD_CACHE_PACKAGES=(ccache)
# The class view's browser test (headless Chromium; skipped without it).
KURVIMAT_BROWSER_TEST_PACKAGES=(chromium)
# The kernel test (Debian's kernel under qemu with a busybox initramfs) and the fuzz smoke run.
KURVIMAT_KERNEL_PACKAGES=(qemu-system-x86 busybox-static cpio e2fsprogs)
KURVIMAT_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# The package test: the checks an administrator's tools make, and a Debian root to install into.
KURVIMAT_PACKAGE_TEST_PACKAGES=(lintian appstream desktop-file-utils shared-mime-info mmdebstrap gpg
                                debian-archive-keyring)
# bench/demo: its own X server, clicks, screenshots, and a launcher that stamps the time.
KURVIMAT_BENCH_PACKAGES=(xvfb xdotool imagemagick x11-utils python3)

kurvimat_missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}

# kurvimat_install PKG...: installs the missing ones (root), or prints the line to run and fails.
# After a failure KURVIMAT_INSTALL_PROBLEM says why.
kurvimat_install() {
    local missing
    KURVIMAT_INSTALL_PROBLEM=
    missing=$(kurvimat_missing_packages "$@" | tr '\n' ' ')
    [ -z "${missing// /}" ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: $missing"
        if ! apt-get update -qq; then
            KURVIMAT_INSTALL_PROBLEM="the Debian mirror cannot be reached (apt-get update failed); missing: $missing"
            return 1
        fi
        if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing; then
            KURVIMAT_INSTALL_PROBLEM="apt-get install failed (Debian mirror unreachable?); missing: $missing"
            return 1
        fi
    else
        KURVIMAT_INSTALL_PROBLEM="not root, so nothing was installed; missing: $missing"
        echo "Missing packages. Run as root:"
        echo "  sudo apt-get update && sudo apt-get install -y $missing"
        return 1
    fi
}

# kurvimat_configure PRESET: configures the preset's build directory (CMakePresets.json:
# release build/, asan build-asan/, tsan build-tsan/, fuzz build-fuzz/). It runs every time, so
# a changed preset or option reaches a build directory configured before; when nothing changed
# it takes under half a second and rebuilds nothing. Quiet unless cmake warns or fails.
# Compiles through ccache when it is installed, unless CMAKE_CXX_COMPILER_LAUNCHER says otherwise
# (set empty: no launcher).
kurvimat_configure() {
    local output launcher=()
    if [ -n "${CMAKE_CXX_COMPILER_LAUNCHER+set}" ]; then
        launcher=("-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER")
    elif command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    if ! output=$(cmake -S "$KURVIMAT_ROOT" --preset "$1" "${launcher[@]}" 2>&1); then
        echo "$output"
        return 1
    fi
    if grep -q "CMake Warning" <<<"$output"; then echo "$output"; fi
    return 0
}

# kurvimat_build PRESET [TARGET...]: configures (above), then builds incrementally.
# ccache keys on paths relative to the source tree, so clones and worktrees share its entries.
kurvimat_build() {
    local preset=$1; shift
    kurvimat_configure "$preset" || return 1
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    (cd "$KURVIMAT_ROOT" && CCACHE_BASEDIR=${CCACHE_BASEDIR:-$KURVIMAT_ROOT} cmake --build --preset "$preset" -j "${KURVIMAT_JOBS:-2}" "${targets[@]}")
}
