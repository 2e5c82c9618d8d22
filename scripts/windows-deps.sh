#!/usr/bin/env bash
# Builds the Windows dependencies once into a cache folder (default
# .cache/windows-deps, or $VK_WINDEPS) and prints its path:
#   libzip  - from Debian's source package, fetched with apt-get source through
#             a deb-src entry and package lists of its own (the machine's own
#             lists stay as they are);
#   gtest   - from the sources libgtest-dev installs under /usr/src/googletest.
# zlib comes ready-made from libz-mingw-w64-dev. Nothing else is downloaded.
set -euo pipefail
# Standard output carries the path alone (callers take it with $(...)): what
# the tools say goes to standard error.
exec 3>&1 1>&2
root=$(cd "$(dirname "$0")/.." && pwd)
deps=${VK_WINDEPS:-$root/.cache/windows-deps}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
mkdir -p "$deps"
exec 9>"$deps/.lock"
flock 9

if [ ! -f "$deps/.libzip-done" ]; then
  apt_dir=$deps/apt
  rm -rf "$apt_dir" "$deps/src"
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$deps/src"
  cat > "$apt_dir/sources.list.d/debian-src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
            -o "Dir::State::Lists=$apt_dir/lists" -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
  apt-get "${apt_opts[@]}" update -qq
  (cd "$deps/src" && apt-get "${apt_opts[@]}" source -qq libzip)
  src=$(find "$deps/src" -maxdepth 1 -type d -name 'libzip-*' | head -1)
  cmake -S "$src" -B "$deps/build-libzip" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_SHARED_LIBS=ON \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF \
    -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >/dev/null
  cmake --build "$deps/build-libzip" -j "$(nproc)" >/dev/null
  cmake --install "$deps/build-libzip" >/dev/null
  rm -rf "$deps/build-libzip"
  touch "$deps/.libzip-done"
fi

if [ ! -f "$deps/.gtest-done" ]; then
  cmake -S /usr/src/googletest -B "$deps/build-gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_GMOCK=ON \
    -Dgtest_force_shared_crt=ON >/dev/null
  cmake --build "$deps/build-gtest" -j "$(nproc)" >/dev/null
  cmake --install "$deps/build-gtest" >/dev/null
  rm -rf "$deps/build-gtest"
  touch "$deps/.gtest-done"
fi
echo "$deps" >&3
