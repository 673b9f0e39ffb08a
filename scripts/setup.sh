#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# but only those that are missing: quiet and quick when everything is there.
#   scripts/setup.sh           build, test and run dependencies
#   scripts/setup.sh --fuzz    also clang and its fuzzing runtime
#   scripts/setup.sh --screen  also a virtual X server and the tools scripts/screenshot.sh uses
#   scripts/setup.sh --interop also the word processor the RTF interoperability test converts with
#                              (with its windows, to paste Terrabook's clipboard into by hand),
#                              the HTML checkers: an HTML5 parser (html5lib), tidy, and a browser
#                              for screenshots, and the accessibility bus with its Python client,
#                              which scripts/a11y-check.sh reads the window over
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  libicu-dev libjpeg62-turbo-dev libpng-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev qt6-qpa-plugins fonts-liberation fontconfig
  fonts-dejavu-core  # Hebrew and Arabic glyphs for right-to-left text
  libhunspell-dev hunspell-en-us  # the word checker and the dictionary the window checks with
  poppler-utils  # pdftotext and pdfinfo, with which the tests read back the PDF files they write
)
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --screen) packages+=(xvfb xauth x11-apps x11-utils xdotool netpbm) ;;
    --interop) packages+=(libreoffice-writer python3-html5lib tidy chromium at-spi2-core python3-pyatspi) ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup.sh: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
