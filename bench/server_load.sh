#!/usr/bin/env bash
# Requests per second and p99 latency (wrk -t2 -c64, 10 s each) for the count page with 10,000
# distinct client addresses, the board page and posts, in three set-ups on loopback:
#   one instance, SQLite board and in-memory count (the default), straight;
#   one instance on PostgreSQL, straight (no nginx);
#   nginx in front of two instances on PostgreSQL (server/deploy/serve-many).
# Client addresses go in X-Forwarded-For from 127.0.0.1, which every instance trusts. After
# each run, the CPU seconds each kind of process used in it. Bounded: ~2 minutes in all.
# Usage: bench/server_load.sh [BUILD_DIR] [SECONDS]   (default build/, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
seconds=${2:-10}
work=$(mktemp -d)
chmod 711 "$work"  # the database, run as nobody under root, lives inside
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

cat >"$work/count.lua" <<'LUA'
request = function()
  local n = math.random(0, 9999)
  wrk.headers["X-Forwarded-For"] = "198.18." .. math.floor(n / 256) .. "." .. (n % 256)
  return wrk.format("GET", "/sonaveil/count1/active.asp")
end
LUA
cat >"$work/post.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.body = "name=bench&content=" .. string.rep("%E4%BD%A0%E5%A5%BD", 20)
request = function()
  local n = math.random(0, 131071)
  wrk.headers["X-Forwarded-For"] = "198." .. (18 + math.floor(n / 65536)) .. "." .. (math.floor(n / 256) % 256) .. "." .. (n % 256)
  return wrk.format()
end
-- Each status that is not the redirect of a stored post, counted per thread.
local refused = {}
response = function(status)
  if status == 303 then return end
  refused[status] = (refused[status] or 0) + 1
  s = ""
  for code, n in pairs(refused) do s = s .. code .. "x" .. n .. " " end
end
threads = {}
setup = function(thread) table.insert(threads, thread) end
done = function()
  for _, thread in ipairs(threads) do
    local said = thread:get("s")
    if said and said ~= "" then print("statuses other than 303: " .. said) end
  end
end
LUA

# CPU seconds (user + system) so far of every process by name, as "name seconds" lines.
cpu() {
  local tick
  tick=$(getconf CLK_TCK)
  for stat in /proc/[0-9]*/stat; do cat "$stat" 2>/dev/null || true; done |
    awk -v tick="$tick" '{ match($0, /\(.*\)/); name = substr($0, RSTART + 1, RLENGTH - 2);
      split(substr($0, RSTART + RLENGTH + 1), f, " "); t[name] += f[12] + f[13] }
      END { for (n in t) print n, t[n] / tick }'
}
measure() {  # label url lua
  local before after
  before=$(cpu)
  local out
  out=$(wrk -t2 -c64 -d"${seconds}s" --latency -s "$3" "$2")
  after=$(cpu)
  local rate p99 bad
  rate=$(awk '/Requests\/sec/ {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  bad=$(awk '/Non-2xx/ {print $5}' <<<"$out")
  local used
  used=$(join <(sort <<<"$before") <(sort <<<"$after") |
    awk '$3 - $2 >= 0.5 {printf "%s %.1f s, ", $1, $3 - $2}')
  grep 'statuses other' <<<"$out" || true
  printf '%-44s %9s req/s  p99 %8s  non-2xx/3xx %s  CPU: %s\n' "$1" "$rate" "$p99" "${bad:-0}" \
    "${used%, }"
}
uptime
echo "== one instance, SQLite board and in-memory count"
"$build/server/sonaveil-server" --listen 127.0.0.1:0 --quiet --board "$work/board.sqlite" \
  --content "$build/server/content" --trusted-proxy 127.0.0.1 >"$work/alone.out" 2>&1 &
pids+=($!)
until grep -q 'listening on' "$work/alone.out"; do sleep 0.1; done
alone=$(sed -n 's|.*listening on \(http://[^ ]*\)/$|\1|p' "$work/alone.out")
for kind in posts count board; do
  case $kind in
    count) measure "count page, 10,000 clients" "$alone/sonaveil/count1/active.asp" "$work/count.lua" ;;
    board) measure "board page (100 messages)" "$alone/note/" /dev/null ;;
    posts) measure "posts" "$alone/note/" "$work/post.lua" ;;
  esac
done
kill "${pids[0]}"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
server/deploy/serve-many --listen "127.0.0.1:$port" --build "$build" \
  --state "$work/state" --quiet >"$work/many.out" 2>&1 &
pids+=($!)
until grep -q 'Ctrl+C' "$work/many.out"; do
  kill -0 "${pids[1]}" 2>/dev/null || { cat "$work/many.out"; exit 1; }
  sleep 0.2
done
one=$(sed -n 's|.*instance \(http://[^ ]*\)/ .*|\1|p' "$work/many.out" | head -n 1)
nginx="http://127.0.0.1:$port"
for where in one nginx; do
  if [ $where = one ]; then base=$one; echo "== one instance on PostgreSQL, no nginx"; else
    base=$nginx; echo "== nginx, two instances on PostgreSQL"; fi
  measure "posts" "$base/note/" "$work/post.lua"
  measure "count page, 10,000 clients" "$base/sonaveil/count1/active.asp" "$work/count.lua"
  measure "board page (100 messages)" "$base/note/" /dev/null
done
uptime
