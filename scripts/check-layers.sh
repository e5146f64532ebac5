#!/usr/bin/env bash
# Checks that every #include "folder/..." in src/ goes down the layers:
#   platform < settings < discovery < monitor < engine < history < {cli, ui}
# A file may include its own folder and any folder below it; cli and ui never
# include each other, and platform includes no other folder of src/. Inside
# src/ui the sub-folders are layers too:
#   common < {charts, gauges} < {mainscreen, testscreen, history} < app
# so the widgets include no screen and no app, charts and gauges never include
# each other, and no screen includes another. Prints each offending
# file:line and exits 1; exits 0 when the order holds.
set -euo pipefail
cd "$(dirname "$0")/.."
find src -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z | xargs -0 awk '
BEGIN {
    count = split("platform settings discovery monitor engine history cli ui", order, " ")
    for (i = 1; i <= count; i++)
        rank[order[i]] = i
    rank["ui"] = rank["cli"]
    uiRank["common"] = 1
    uiRank["charts"] = 2
    uiRank["gauges"] = 2
    uiRank["mainscreen"] = 3
    uiRank["testscreen"] = 3
    uiRank["history"] = 3
    uiRank["app"] = 4
}
FNR == 1 {
    split(FILENAME, parts, "/")
    own = parts[2]
    if (!(own in rank)) {
        print FILENAME ": the folder " own " has no place in the layer order"
        bad = 1
    }
    uiOwn = ""
    if (own == "ui" && length(parts) > 3) {
        uiOwn = parts[3]
        if (!(uiOwn in uiRank)) {
            print FILENAME ": the folder ui/" uiOwn " has no place in the layer order"
            bad = 1
        }
    }
}
/^[ \t]*#[ \t]*include[ \t]*"[^"\/]+\// {
    target = $0
    sub(/^[^"]*"/, "", target)
    path = target
    sub(/".*$/, "", path)
    sub(/\/.*$/, "", target)
    if ((own in rank) && (target in rank) && target != own && rank[target] >= rank[own]) {
        print FILENAME ":" FNR ": " own " includes " path
        bad = 1
    }
    if (target == "ui" && (uiOwn in uiRank)) {
        uiTarget = path
        sub(/^ui\//, "", uiTarget)
        sub(/\/.*$/, "", uiTarget)
        if ((uiTarget in uiRank) && uiTarget != uiOwn && uiRank[uiTarget] >= uiRank[uiOwn]) {
            print FILENAME ":" FNR ": ui/" uiOwn " includes " path
            bad = 1
        }
    }
}
END { exit bad }
' || { echo "check-layers: includes above break the order platform < settings < discovery < monitor < engine < history < {cli, ui}, and in ui common < {charts, gauges} < {mainscreen, testscreen, history} < app" >&2; exit 1; }
echo "check-layers: the includes of src/ follow the layer order"
