# Shared by test.sh and run.sh: installs the Debian packages the build and the tests need.
# Sourced, not run.

RIVIZA_PACKAGES=(
  cmake g++ make ninja-build pkg-config
  zlib1g-dev libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libcurl4-openssl-dev libxlsxwriter-dev libfreexl-dev
  # Qt's own texts (standard buttons, the folder dialog) in German whatever LANG says
  qt6-translations-l10n
  clang libclang-rt-14-dev
  # the test tidy: clang-tidy with the checks of .clang-tidy over src/ and tools/
  clang-tidy
  xvfb xauth x11-apps imagemagick
  unzip zip 7zip python3 openssl
  # bsdtar: a fourth outside reader of the archives the zip engine writes
  libarchive-tools
  # setpriv: the backup's test runs riviza-batch as an ordinary user
  util-linux
  # the German locale the tests run under a second time (no number may depend on it)
  locales
  # reading the XML parts of .xlsx workbooks
  libexpat1-dev
  # the workbook tests read our files back with openpyxl ...
  python3-openpyxl
  # ... and convert them with LibreOffice (headless)
  libreoffice-calc-nogui
  # the update tests' SFTP server on loopback
  python3-asyncssh
  # the update tests' FTP server on loopback
  python3-pyftpdlib
  # the service-list import tests write their .xls lists with xlwt
  python3-xlwt
  # the load beside which ./test.sh must pass again and again (stress-ng --cpu 0; not run by it)
  stress-ng
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

# Generates a locale (such as de_DE.UTF-8) when the system does not have it yet; root or sudo.
riviza_ensure_locale() {
  local name="$1"
  local lang="${name%%.*}" charset="${name#*.}"
  local normalised
  normalised="$lang.$(echo "$charset" | tr '[:upper:]' '[:lower:]' | tr -d '-')"
  if locale -a 2>/dev/null | grep -qx -e "$name" -e "$normalised"; then return 0; fi
  echo "Generating locale $name"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  # localedef exits 1 for mere warnings; the list afterwards is the test.
  $sudo localedef -i "$lang" -f "$charset" "$name" || true
  locale -a 2>/dev/null | grep -qx -e "$name" -e "$normalised"
}
