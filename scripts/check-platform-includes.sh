#!/usr/bin/env bash
# check-platform-includes.sh SOURCE BUILD
# The product compiles against the platform's interfaces (platform/), never
# against the stand-ins: no file under src/ includes a header that lives
# under standins/, and no compile command of a file under src/ has an
# include path into standins/ (from BUILD's compile_commands.json).
set -euo pipefail
source=$(cd "$1" && pwd) build=$2
status=0
headers=$(find "$source/standins" -name '*.h' -printf '%f\n' | sort -u)
while IFS= read -r header; do
  found=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]([^\">]*/)?${header//./\\.}[\">]" \
          "$source/src" || true)
  if [[ -n $found ]]; then
    echo "$found"
    echo "src/ includes the stand-in header $header" >&2
    status=1
  fi
done <<<"$headers"
found=$(grep -rn 'standins/' "$source/src" --include='*.h' --include='*.cc' | grep '#[[:space:]]*include' || true)
[[ -z $found ]] || { echo "$found"; echo "src/ includes from standins/" >&2; status=1; }
python3 - "$source" "$build/compile_commands.json" <<'PY' || status=1
import json, os, shlex, sys
source, commands = sys.argv[1], sys.argv[2]
bad, product = [], 0
for command in json.load(open(commands)):
    if not os.path.realpath(command["file"]).startswith(os.path.join(source, "src") + os.sep):
        continue
    product += 1
    words = command.get("arguments") or shlex.split(command["command"])
    for i, word in enumerate(words):
        path = word[2:] if word.startswith("-I") and len(word) > 2 else \
            words[i + 1] if word in ("-I", "-isystem", "-iquote") and i + 1 < len(words) else None
        if path and os.path.realpath(path).startswith(os.path.join(source, "standins") + os.sep):
            bad.append(f"{command['file']}: {word} {path}")
if product == 0:
    sys.exit("no compile command of a file under src/")
for line in bad:
    print(line)
if bad:
    sys.exit("a product compile command has an include path into standins/")
print(f"{product} product compile commands, none with an include path into standins/")
PY
exit "$status"
