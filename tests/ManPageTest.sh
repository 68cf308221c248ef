#!/usr/bin/env bash
# The manual pages render without a warning, and morvane.1 names every form and
# every option that "morvane --help" prints: whoever adds one to the help adds
# it to the page.
#   ManPageTest.sh MORVANE_BINARY MAN_DIR
set -euo pipefail
MORVANE=$1
DIR=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

render() { # page -> plain text; a warning of groff or man fails
    local warnings text
    warnings=$(mktemp)
    text=$(MANWIDTH=80 man --warnings -l "$1" 2>"$warnings") || fail "man cannot render $1"
    [ ! -s "$warnings" ] || fail "$1 renders with warnings: $(cat "$warnings")"
    rm -f "$warnings"
    # A UTF-8 locale may render \- as a minus sign or a hyphen.
    sed 's/\xe2\x88\x92/-/g; s/\xe2\x80\x90/-/g' <<<"$text"
}

page=$(render "$DIR/morvane.1")
render "$DIR/morvane-window.1" >/dev/null
help=$("$MORVANE" --help)

missing=()
while read -r opt; do
    grep -qE -- "(^|[^a-z0-9-])$opt([^a-z0-9-]|\$)" <<<"$page" || missing+=("$opt")
done < <(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)
[ ${#missing[@]} -eq 0 ] || fail "morvane.1 lacks ${missing[*]}"

# Each form (morvane, or morvane and its first option) in the synopsis.
synopsis=$(sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' <<<"$page" | tr -s ' \n' ' ')
while read -r form; do
    grep -qF -- " $form " <<<"$synopsis " || missing+=("$form")
done < <(grep -oE -- 'morvane( --?[a-z][a-z0-9-]*| --)?' <<<"$help" | sort -u)
[ ${#missing[@]} -eq 0 ] || fail "the synopsis of morvane.1 lacks ${missing[*]}"
echo "manual pages: 1 passed, 0 failed"
