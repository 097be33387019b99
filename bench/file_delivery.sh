#!/usr/bin/env bash
# Serves a 512 MiB file through the program's delivery and send path (under Wine)
# and through nginx (native, sendfile), both to curl on loopback in the same run;
# prints both throughputs, their ratio, and the peak memory growth of our sender.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh nginx
scripts/build.sh win
bench/build_programs.sh bench_serve_file

work="$root/build/bench/file_delivery"
mkdir -p "$work/www" "$work/nginx"
big="$work/www/big.bin"
size=$((512 * 1024 * 1024))
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -ne $size ]; then
  head -c $size /dev/urandom > "$big"
fi
rounds=${ROUNDS:-3}
our_port=18082
nginx_port=18081

cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  keepalive_timeout 0;
  server { listen 127.0.0.1:$nginx_port; root $work/www; }
}
CONF
nginx -c "$work/nginx/nginx.conf" &
nginx_pid=$!

source scripts/wine_env.sh
zant_wine_start
winpath=$(winepath -w "$big" 2>/dev/null)
wine build/win-bench/bench_serve_file.exe $our_port "$winpath" "$rounds" > "$work/ours.txt" 2>&1 &
ours_pid=$!
cleanup() { kill "$nginx_pid" 2>/dev/null || true; kill "$ours_pid" 2>/dev/null || true; zant_wine_stop; }
trap cleanup EXIT
for i in $(seq 1 100); do grep -q listening "$work/ours.txt" 2>/dev/null && break; sleep 0.1; done
sleep 0.5

fetch() {  # url -> bytes per second of the best of the rounds
  local best=0 speed
  for i in $(seq 1 "$rounds"); do
    speed=$(curl -s -o /dev/null -w '%{speed_download}' "$1")
    best=$(python3 -c "print(max($best, float('$speed')))")
  done
  echo "$best"
}
nginx_speed=$(fetch "http://127.0.0.1:$nginx_port/big.bin")
ours_speed=$(fetch "http://127.0.0.1:$our_port/big.bin")
wait "$ours_pid" || true
growth=$(awk '/growth_kib/ {print $2}' "$work/ours.txt")

python3 - "$nginx_speed" "$ours_speed" "$growth" <<'PY'
import sys
nginx, ours, growth = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3] or 0)
mib = 1024 * 1024
print("512 MiB file over loopback, best of the rounds, fetched with curl")
print("  nginx (native, sendfile): %8.1f MiB/s" % (nginx / mib))
print("  ZANT delivery (Wine):     %8.1f MiB/s" % (ours / mib))
print("  ratio ZANT / nginx:       %8.2f   (target at least 0.50)" % (ours / nginx))
print("  peak memory growth:       %8.1f MiB (target under 32 MiB)" % (growth / 1024))
PY
