# Shared by tools/test, tools/demo and tools/bench: installing what is missing and building.
# Source it; it expects $ROOT to be the repository root.

# Debian packages the builds and tests need. Missing ones are installed with apt-get (as root).
YOL_PACKAGES=(
  cmake ninja-build g++ clang-14 libclang-rt-14-dev clang-format
  mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth xdotool
  libboost-dev googletest libgtest-dev libbenchmark-dev
  wixl msitools osslsigncode openssl
)

yol_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${YOL_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

yol_jobs() { nproc 2>/dev/null || echo 2; }

# The native tree: the platform-independent core and its tests under ASan and UBSan.
yol_build_host() {
  cmake -S "$ROOT" -B "$ROOT/build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$ROOT/build/host" -j "$(yol_jobs)"
}

# The Windows tree: the product, its Windows tests and fixtures.
yol_build_windows() {
  cmake -S "$ROOT" -B "$ROOT/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
  cmake --build "$ROOT/build/windows" -j "$(yol_jobs)"
}
