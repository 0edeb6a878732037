#!/usr/bin/env bash
# Serves a demo update on http://127.0.0.1:8765/ so that the updater can be watched offline:
# update 1 brings a catalogue file of made-up tapes and a read-me. Start it, then in Marvoli
# choose Tools -> "تحديث البرنامج" and press "تحديث". Ctrl+C stops the server.
#   MARVOLI_APP=... as for scripts/run.sh; the update information there is reset to "nothing
#   installed" first, so the demo can be watched again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target marvoli_serve_folder -j"$(nproc)"

app="${MARVOLI_APP:-$root/app}"
server="http://127.0.0.1:8765"
info() { printf '[update]\r\n%s\r\n%s/updtinfos\r\n%s/update#.cab\r\n' "$1" "$server" "$server"; }
if [ -d "$app" ]; then
    info 0 >"$app/updtinfos"
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

exec build/tools/marvoli_serve_folder "$demo" 8765
