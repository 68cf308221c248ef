#!/usr/bin/env bash
# Builds (installing what is missing) and starts Morvane++.
#   ./run.sh [FOLDER]            open the window, analysing FOLDER when given
#   ./run.sh --report FOLDER ... write a report without a window
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$ROOT/scripts/setup.sh"
exec "$ROOT/build/morvane" "$@"
