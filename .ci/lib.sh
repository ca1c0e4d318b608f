# Shared by CI's legs: install the Debian packages that are missing.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if ((${#missing[@]})); then
    if [ -z "${_MORV_APT_UPDATED:-}" ]; then
      apt-get update -qq
      export _MORV_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# cross_build TOOLCHAIN OUT: GoogleTest from the sources that libgtest-dev ships,
# built once for the toolchain's target into OUT/gtest, then the whole project
# with its test suite in OUT.
cross_build() {
  local toolchain out=$2
  toolchain=$(realpath "$1")
  if [ ! -f "$out/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
    cmake -S /usr/src/googletest -B "$out/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out/gtest" >/dev/null
    cmake --build "$out/gtest-build" -j2 >/dev/null
    cmake --install "$out/gtest-build" >/dev/null
  fi
  cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DGTest_DIR="$out/gtest/lib/cmake/GTest" -DMORV_BUILD_PYTHON=OFF >/dev/null
  cmake --build "$out" -j2 >/dev/null
}
