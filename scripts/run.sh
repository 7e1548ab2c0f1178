#!/usr/bin/env bash
# Builds the project, then starts the control panel. Arguments go to cvpanel.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" "$root/build" >&2
exec "$root/build/bin/cvpanel" "$@"
