#!/usr/bin/env bash
# Prepares the Wine prefix $WINEPREFIX for the tests.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
ensure_prefix
