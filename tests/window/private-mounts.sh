#!/bin/sh
# Runs a test in a mount namespace of its own when this user may make one (root with unshare), so
# that the filesystems it mounts are private to it and vanish with it; otherwise runs it as it is
# (the test then injects its faults another way). MARVOLI_PRIVATE_MOUNTS=1 tells the test which.
if [ "$(id -u)" = 0 ] && command -v unshare >/dev/null 2>&1 &&
    unshare --mount --propagation private true 2>/dev/null; then
    exec unshare --mount --propagation private env MARVOLI_PRIVATE_MOUNTS=1 "$@"
fi
exec "$@"
