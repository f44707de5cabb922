#!/usr/bin/env bash
# Installs, idempotently, everything the scripts and the tests run on a fresh Debian 12
# machine: the cross compiler, Wine for 32-bit programs, a virtual display, GoogleTest
# sources, the Chinese, English and Japanese locales (the code pages the tests run under) and
# a CJK font, and the TinyXML source tree. It prints one line
# per step it takes and nothing when all is there; apt's and dpkg's output goes to
# build/setup.log, which is named when a step fails.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
top=$(cd "$(dirname "$0")/.." && pwd)
log=$top/build/setup.log

# A package for every command the scripts and tests run beyond Debian's essential set.
need_pkgs=(
  mingw-w64 cmake make python3                  # the build; python3 draws the icon
  g++ googletest clang libclang-rt-14-dev       # native tests and the fuzzers
  git faketime mawk                             # the rebuild test; awk
  wine wine32:i386 wine64                       # Wine for 32-bit programs
  xvfb xauth                                    # xvfb-run, which needs xauth
  locales fonts-wqy-microhei                    # code pages 936, 1252, 932; glyphs that render
  imagemagick nsis mount                        # demo screenshots; the benchmark
  osslsigncode openssl                          # sign.sh, and its test's certificate
  dpkg-dev patch xz-utils                       # unpacking and patching the TinyXML source
)

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# TinyXML 2.6.2 from Debian's source package, with Debian's two security patches and ours
# (every cmake/tinyxml/*.patch). The stamp names the patches applied: a tree unpacked with
# other patches is unpacked anew.
tx=$top/third_party/tinyxml
patches="debian/patches/CVE-2021-42260.patch debian/patches/CVE-2023-34194.patch $(ls "$top"/cmake/tinyxml/*.patch)"
stamp=$(for p in $patches; do basename "$p"; done; cat "$top"/cmake/tinyxml/*.patch | md5sum)
need_tinyxml=0
if [ ! -f "$tx/tinyxml.cpp" ] || [ "$(cat "$tx/.patches" 2>/dev/null)" != "$stamp" ]; then
  need_tinyxml=1
fi

# The locales through which Wine gives its processes code pages 936, 1252 and 932. grep reads
# all of the list: with -q, locale could die of SIGPIPE and fail the pipeline.
locales=(zh_CN en_US ja_JP)
locale_ok() {
  local have l
  have=$(locale -a 2>/dev/null)
  for l in "${locales[@]}"; do grep -ix "$l\.utf8" <<<"$have" >/dev/null || return 1; done
}
[ ${#missing[@]} = 0 ] && [ $need_tinyxml = 0 ] && locale_ok && exit 0

mkdir -p "$top/build"
: >"$log"
quiet() {  # runs a command with its output in the log; names the log when it fails
  "$@" >>"$log" 2>&1 && return 0
  echo "setup: failed: $*" >&2
  tail -n 5 "$log" | sed 's/^/  /' >&2
  echo "setup: the whole output is in $log" >&2
  exit 1
}

if [ ${#missing[@]} -gt 0 ]; then
  n=${#missing[@]}
  echo "setup: installing $n package$([ "$n" = 1 ] || echo s) and what they depend on"
  dpkg --print-foreign-architectures | grep -qx i386 || quiet dpkg --add-architecture i386
  quiet apt-get update -q
  quiet apt-get install -y -q --no-install-recommends "${missing[@]}"
  updated=1
fi

if ! locale_ok; then
  for l in "${locales[@]}"; do
    sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" >> /etc/locale.gen
  done
  quiet locale-gen
fi

# Debian's deb-src entries, made from the machine's own deb entries: the same file form
# (one-line or deb822), the same addresses, suites, components and keyring options.
add_deb_src() {
  local entry file n
  apt-get indextargets --format '$(SOURCESENTRY)' 'Origin: Debian' 'Target-Of: deb' 2>>"$log" |
    sort -u | while IFS= read -r entry; do
      file=${entry%:*} n=${entry##*:}
      case $file in
        *.sources)  # the n-th stanza, comment-only paragraphs not counted
          awk -v n="$n" 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)[^#]/ && ++i == n' "$file" |
            sed 's/^Types:.*/Types: deb-src/I' >>/etc/apt/sources.list.d/debian-src.sources ;;
        *)  # the n-th line
          sed -n "${n}s/^[[:space:]]*deb[[:space:]]/deb-src /p" "$file" \
            >>/etc/apt/sources.list.d/debian-src.list ;;
      esac
    done
}

if [ $need_tinyxml = 1 ]; then
  echo "setup: fetching and patching the TinyXML source"
  [ -n "${updated:-}" ] || quiet apt-get update -q
  if [ -z "$(apt-get indextargets 'Origin: Debian' 'Target-Of: deb-src' 2>>"$log")" ]; then
    add_deb_src
    quiet apt-get update -q
  fi
  work=$(mktemp -d)
  (cd "$work" && quiet apt-get source --download-only tinyxml)
  dsc=$(ls "$work"/tinyxml_*.dsc | head -n 1)
  rm -rf "$tx.tmp" && mkdir -p "$(dirname "$tx")"
  quiet dpkg-source --skip-patches -x "$dsc" "$tx.tmp"
  for p in $patches; do
    case $p in /*) ;; *) p=$tx.tmp/$p ;; esac
    quiet patch -d "$tx.tmp" -p1 -i "$p"
  done
  printf '%s\n' "$stamp" > "$tx.tmp/.patches"
  rm -rf "$tx" && mv "$tx.tmp" "$tx"
  rm -rf "$work"
fi
