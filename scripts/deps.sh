# Installs the Debian packages the build needs, skipping what is already there.
# Sourced by run.sh and test.sh.

TAVRIN_BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libpng-dev libjpeg-dev
  libgif-dev zlib1g-dev fonts-dejavu-core)
TAVRIN_TEST_PACKAGES=(googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev icoutils imagemagick llvm lld
  python3 python3-pil xclip xvfb xauth libxtst6)

tavrin_install_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q || true
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
