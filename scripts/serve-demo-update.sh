#!/usr/bin/env bash
# Serves a demo update on http://127.0.0.1:8765/ so that the updater can be watched offline:
# update 1 brings a catalogue file of made-up tapes and a read-me. Start it, then in Marvoli
# choose Tools -> "تحديث البرنامج" and press "تحديث". Ctrl+C stops the server.
#   MARVOLI_APP=... as for scripts/run.sh; the update information there is reset to "nothing
#   installed" first, so the demo can be watched again.
# The cabinet is signed as a publisher signs one (update1.cab.minisig beside it), with a demo key
# pair made on the first run and kept outside the repository, in MARVOLI_DEMO_KEYS (by default
# ~/.config/marvoli-demo/); its public key is added to the application folder's update-keys.pub.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target marvoli_serve_folder -j"$(nproc)"

app="${MARVOLI_APP:-$root/app}"
server="http://127.0.0.1:8765"
info() { printf '[update]\r\n%s\r\n%s/updtinfos\r\n%s/update#.cab\r\n' "$1" "$server" "$server"; }
keys="${MARVOLI_DEMO_KEYS:-${XDG_CONFIG_HOME:-$HOME/.config}/marvoli-demo}"
if [ ! -f "$keys/demo.key" ] || [ ! -f "$keys/demo.pub" ]; then
    mkdir -p "$keys" && chmod 700 "$keys"
    minisign -G -W -f -p "$keys/demo.pub" -s "$keys/demo.key" </dev/null >/dev/null
fi
# The key line: the one after the "untrusted comment:" line.
key="$(sed -n 2p "$keys/demo.pub")"
if [ -d "$app" ]; then
    info 0 >"$app/updtinfos"
    # Added once; keys already trusted there stay.
    keyfile="$app/update-keys.pub"
    if ! grep -qxF "$key" "$keyfile" 2>/dev/null; then
        [ -s "$keyfile" ] && [ -n "$(tail -c 1 "$keyfile")" ] && echo >>"$keyfile"
        printf 'untrusted comment: the demo update key of scripts/serve-demo-update.sh\n%s\n' \
            "$key" >>"$keyfile"
    fi
fi

demo="$root/build/demo-update"
rm -rf "$demo" && mkdir -p "$demo/files"
info 1 >"$demo/updtinfos"
# Catalogue lines are windows-1256 with CR LF, like every catalogue file.
printf '%s\r\n' \
    'أدعية!دعاء من التحديث التجريبي!none!samples/004.mp3' \
    'أذكار!ذكر من التحديث التجريبي!none!samples/003.mp3' |
    iconv -f UTF-8 -t CP1256 >"$demo/files/links-demo.txt"
printf '%s\r\n' 'هذا تحديث تجريبي:' 'أضيف ملف فهرس فيه شريطان جديدان.' |
    iconv -f UTF-8 -t CP1256 >"$demo/files/readme.txt"
(cd "$demo/files" && gcab -cz ../update1.cab links-demo.txt readme.txt)
minisign -S -s "$keys/demo.key" -m "$demo/update1.cab" </dev/null >/dev/null

exec build/tools/marvoli_serve_folder "$demo" 8765
