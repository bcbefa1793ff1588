#!/usr/bin/env bash
# Runs the main job on the bundled example.
set -euo pipefail
cli="$1"
"$cli" --version
