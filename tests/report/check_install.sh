#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree: both
# programs, their man pages, kvdreport's bash completion and JSON Schema; the
# installed kvdreport runs, and its man page and completion know every option its
# --help lists.
#
# Usage: check_install.sh BUILD_DIR VERSION DATA_FILE
set -euo pipefail

build=$1 version=$2 data=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/kvdreport bin/kvdviewer; do
    [[ -x $prefix/$file ]] || fail "$file is not installed"
done
man1=$prefix/share/man/man1
completion=$prefix/share/bash-completion/completions/kvdreport
for file in "$man1/kvdreport.1" "$man1/kvdviewer.1" "$completion" "$prefix/share/kvdviewer/kvdreport.schema.json"; do
    [[ -s $file ]] || fail "${file#"$prefix"/} is not installed"
done

kvdreport=$prefix/bin/kvdreport
[[ $("$kvdreport" --version) == "kvdreport $version" ]] || fail "--version says $("$kvdreport" --version)"
objects=$("$kvdreport" --format=jsonl "$data" | python3 -c 'import json, sys; print(json.loads(sys.stdin.readline())["objects"])')
[[ $objects -gt 0 ]] || fail "the installed kvdreport reads no object"

# The man pages render without a warning, as text to search.
for page in kvdreport kvdviewer; do
    warnings=$(groff -man -Tutf8 -ww "$man1/$page.1" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$page.1: $warnings"
done
manText=$(groff -man -Tascii -P-cbou "$man1/kvdreport.1" 2>/dev/null)
[[ $(groff -man -Tascii -P-cbou "$man1/kvdviewer.1" 2>/dev/null) == *"kvdviewer [FILE...]"* ]] ||
    fail "kvdviewer.1 has no synopsis"

# The completion, as bash runs it for a command line split into words.
source "$completion"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kvdreport 2>/dev/null
    echo "${COMPREPLY[*]}"
}
[[ $(complete -p kvdreport) == *"-F _kvdreport"* ]] || fail "the completion is not registered"
[[ $(complete_words kvdreport --format = js) == "json jsonl" ]] || fail "--format=js completes to $(complete_words kvdreport --format = js)"
[[ $(complete_words kvdreport --by t) == "" ]] || fail "--by t completes to something"
[[ $(complete_words kvdreport --by s) == "source status" ]] || fail "--by s completes to $(complete_words kvdreport --by s)"
[[ $(complete_words kvdreport --for) == "--format=" ]] || fail "--for completes to $(complete_words kvdreport --for)"
allOptions=" $(complete_words kvdreport --) "

options=$("$kvdreport" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[[ -n $options ]] || fail "--help lists no option"
for option in $options; do
    [[ $manText == *"$option"* ]] || fail "kvdreport.1 does not describe $option"
    [[ $allOptions == *" $option "* || $allOptions == *" $option= "* ]] || fail "the completion does not offer $option"
done
echo "installed tree complete: $(echo $options | wc -w) options documented and completed"
