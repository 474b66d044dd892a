# Shared by test.sh and run.sh: installs the Debian packages the build and the tests need.
# Sourced, not run.

RIVIZA_PACKAGES=(
  cmake g++ make ninja-build pkg-config
  zlib1g-dev libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libcurl4-openssl-dev libxlsxwriter-dev libfreexl-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-apps imagemagick
  unzip zip 7zip python3 openssl
  # reading the XML parts of .xlsx workbooks
  libexpat1-dev
  # the workbook tests read our files back with openpyxl ...
  python3-openpyxl
  # ... and convert them with LibreOffice (headless)
  libreoffice-calc-nogui
  # the service-list import tests write their .xls lists with xlwt
  python3-xlwt
)

riviza_install_packages() {
  local missing=()
  for p in "${RIVIZA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}
