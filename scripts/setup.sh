#!/usr/bin/env bash
# Installs, idempotently, everything the scripts and the tests run on a fresh Debian 12
# machine: the cross compiler, Wine for 32-bit programs, a virtual display, GoogleTest
# sources, the zh_CN locale and a CJK font, and the TinyXML source tree.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
top=$(cd "$(dirname "$0")/.." && pwd)

# A package for every command the scripts and tests run beyond Debian's essential set.
need_pkgs=(
  mingw-w64 cmake make python3                  # the build; python3 draws the icon
  g++ googletest clang libclang-rt-14-dev       # native tests and the fuzzers
  mawk                                          # awk
  wine wine32:i386 wine64                       # Wine for 32-bit programs
  xvfb xauth                                    # xvfb-run, which needs xauth
  locales fonts-wqy-microhei                    # code page 936 and glyphs that render
  imagemagick nsis mount                        # demo screenshots; the benchmark
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

locale_ok() { locale -a 2>/dev/null | grep -qix 'zh_CN\.utf8'; }
[ ${#missing[@]} = 0 ] && [ $need_tinyxml = 0 ] && locale_ok && exit 0

if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  updated=1
fi

if ! locale_ok; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# Debian's deb-src entries, made from the machine's own deb entries: the same file form
# (one-line or deb822), the same addresses, suites, components and keyring options.
add_deb_src() {
  local entry file n
  apt-get indextargets --format '$(SOURCESENTRY)' 'Origin: Debian' 'Target-Of: deb' | sort -u |
    while IFS= read -r entry; do
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
  [ -n "${updated:-}" ] || apt-get update -qq
  if [ -z "$(apt-get indextargets 'Origin: Debian' 'Target-Of: deb-src')" ]; then
    add_deb_src
    apt-get update -qq
  fi
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq --download-only tinyxml >/dev/null 2>&1)
  dsc=$(ls "$work"/tinyxml_*.dsc | head -n 1)
  rm -rf "$tx.tmp" && mkdir -p "$(dirname "$tx")"
  dpkg-source -q --skip-patches -x "$dsc" "$tx.tmp" >/dev/null 2>&1
  for p in $patches; do
    case $p in /*) ;; *) p=$tx.tmp/$p ;; esac
    patch -s -d "$tx.tmp" -p1 < "$p"
  done
  printf '%s\n' "$stamp" > "$tx.tmp/.patches"
  rm -rf "$tx" && mv "$tx.tmp" "$tx"
  rm -rf "$work"
fi
