# expected_files PACKAGING_DIR: what every install carries (the bundle component), one path a
# line relative to the prefix. Man pages and completions only where the tree has them.
expected_files() {
  local packaging=$1
  printf '%s\n' bin/tarvel bin/tarvelctl \
    share/applications/app.tarvel.Tarvel.desktop \
    share/icons/hicolor/scalable/apps/app.tarvel.Tarvel.svg \
    share/metainfo/app.tarvel.Tarvel.metainfo.xml
  local page
  for page in tarvel.1 tarvelctl.1; do
    [[ -f $packaging/man/$page ]] && echo "share/man/man1/$page.gz"
  done
  [[ -f $packaging/completions/tarvelctl.bash ]] && echo share/bash-completion/completions/tarvelctl
  [[ -f $packaging/completions/_tarvelctl ]] && echo share/zsh/vendor-completions/_tarvelctl
  [[ -f $packaging/completions/tarvelctl.fish ]] && echo share/fish/vendor_completions.d/tarvelctl.fish
  return 0
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# same_list NAME EXPECTED ACTUAL: fails with a diff when the two sorted lists differ.
same_list() {
  diff -u <(sort <<<"$2") <(sort <<<"$3") || fail "$1 differs from the expected list (above)"
}
