#!/usr/bin/env bash
# Builds the Debian package: a Release build installed under /usr, made into
# a .deb by CPack. Prints the package's path; install it with
#   apt install ./quorvel_VERSION-1_ARCH.deb
# Run scripts/setup.sh first on a new machine. The build folder is build-pkg
# unless QUORVEL_PACKAGE_BUILD names another.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORVEL_PACKAGE_BUILD:-build-pkg}

# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies, and CPack
# looks for it with file.
for tool in dpkg-shlibdeps:dpkg-dev file:file dpkg-deb:dpkg; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        echo "package: ${tool%%:*} is missing; install ${tool#*:} (apt-get install ${tool#*:})" >&2
        exit 1
    fi
done

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF -DQUORVEL_SANITIZE=OFF
cmake --build "$build" -j2

out="$build/deb"
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$PWD/deb" >cpack.log 2>&1) || {
    cat "$build/cpack.log" >&2
    exit 1
}
rm -rf "$out/_CPack_Packages"
deb=$(find "$out" -maxdepth 1 -name 'quorvel_*.deb' -print -quit)
if [ -z "$deb" ]; then
    echo "package: cpack made no package (see $build/cpack.log)" >&2
    exit 1
fi
realpath "$deb"
