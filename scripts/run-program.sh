#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the window program; without a display it explains how to get one.
set -eu
program="$1"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found (DISPLAY is not set). Run 'make run' from a desktop session," >&2
    echo "or try it on a virtual screen: xvfb-run -a $program" >&2
    exit 1
fi
exec "$program"
