# Shared by ./run and ./test: make sure the Debian packages a step needs are installed.
# As root it installs them with apt-get (updating the package lists first); otherwise it
# prints the exact command to run and stops.

# Packages to build the program and run its tests.
ZOF_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core)
# What the application uses at run time beyond the Qt libraries that the build packages bring
# (they include the X11 platform plugin and its xcb libraries): the Wayland platform plugin,
# Qt's own dialog texts in the user's language, xdg-open for the Help menu's web and mail
# addresses, and the two tools that refresh the desktop's caches after "Direktno otvaranje MS
# Excel datoteka".
ZOF_RUN_PACKAGES=(qt6-wayland qt6-translations-l10n xdg-utils shared-mime-info desktop-file-utils)
# What ./test needs beyond the build: independent readers and writers of .xls files for the
# interoperability tests and benchmarks (xlrd and xlwt, Gnumeric's ssconvert, LibreOffice), and
# clang with its runtime libraries (libFuzzer and the sanitizers, which the clang package does
# not bring) for the fuzz targets; poppler's tools read printed PDF files back.
ZOF_TEST_PACKAGES=(python3 python3-xlrd python3-xlwt gnumeric libreoffice-calc-nogui clang
  libclang-rt-dev poppler-utils)

zof_missing_packages() {
  local pkg missing=()
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  echo "${missing[@]}"
}

# zof_ensure_packages [--no-install-recommends] PKG...
zof_ensure_packages() {
  local opts=()
  if [[ ${1:-} == --no-install-recommends ]]; then opts+=("$1"); shift; fi
  local missing
  missing=$(zof_missing_packages "$@")
  [[ -z $missing ]] && return 0
  if [[ $(id -u) -eq 0 ]]; then
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null || { echo "apt-get update failed"; return 1; }
    # shellcheck disable=SC2086
    apt-get install -y -q "${opts[@]}" $missing >/dev/null || { echo "apt-get install failed: $missing"; return 1; }
  else
    echo "These packages are missing: $missing"
    echo "Install them with:"
    echo "  sudo apt-get update && sudo apt-get install -y ${opts[*]} $missing"
    return 1
  fi
}
