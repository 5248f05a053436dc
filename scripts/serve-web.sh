#!/usr/bin/env bash
# Serves the browser build (scripts/build-web.sh) on 127.0.0.1; open the address it prints. Ctrl+C ends it.
#   scripts/serve-web.sh [PORT [GAME]]   PORT defaults to 8080, GAME to tarvok-demo
set -euo pipefail
cd "$(dirname "$0")/.."

port=${1:-8080}
game=${2:-tarvok-demo}
[ -f "build-web/$game.html" ] || { echo "no browser build of $game: run scripts/build-web.sh first" >&2; exit 1; }
echo "Play at http://127.0.0.1:$port/$game.html"
exec /usr/bin/python3 -c '
import functools, http.server, sys
class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **{".wasm": "application/wasm"})
handler = functools.partial(Handler, directory="build-web")
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), handler).serve_forever()
' "$port"
