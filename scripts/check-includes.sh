#!/usr/bin/env bash
# Checks the include boundaries of the tree; fails, naming file and line, on any include that crosses
# one. The rules:
#   - platform/, http_server/, cipher/, operations_fichiers/, tray/, launcher/ and the two control
#     libraries never include app/ (nothing below the application reaches up into it);
#   - platform/ includes only platform/; http_server/ only platform/ and itself; cipher/ likewise;
#   - inside app/, a room includes only the rooms below it:
#       core       core
#       store      store, core
#       messaging  messaging, core
#       ui         ui, core
#       station    station, messaging, store, core
#       windows    every room
#   - no Qt Widgets header in http_server/, cipher/, operations_fichiers/, platform/runtime, net,
#     store, settings, shell and lan, nor in app/core, app/store and app/messaging.
# Tests, benchmarks, fuzz drivers and tools may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

qt_widgets_dir=$(find /usr/include -maxdepth 3 -type d -name QtWidgets -path '*qt6*' 2>/dev/null | head -n 1)
if [ -z "$qt_widgets_dir" ]; then
    echo "check-includes: Qt 6 Widgets headers not found (run scripts/setup.sh)"
    exit 1
fi
declare -A widgets_header
for h in "$qt_widgets_dir"/*; do widgets_header[$(basename "$h")]=1; done

# The folders whose code must not see Qt Widgets.
no_widgets='^(http_server|cipher|operations_fichiers|platform/(runtime|net|store|settings|shell|lan)|app/(core|store|messaging))/'

allowed_project_includes() { # <file> -> regex of the project folders it may include
    case "$1" in
        platform/*) echo '^platform/' ;;
        http_server/*) echo '^(platform|http_server)/' ;;
        cipher/*) echo '^(platform|cipher)/' ;;
        operations_fichiers/*) echo '^(platform|operations_fichiers)/' ;;
        tray/*) echo '^(platform|tray)/' ;;
        frame_control/*) echo '^(platform|frame_control)/' ;;
        button_control/*) echo '^(platform|button_control)/' ;;
        launcher/*) echo '^(platform|operations_fichiers|launcher)/' ;;
        app/core/*) echo '^(platform|http_server|cipher|operations_fichiers|tray|app/core)/' ;;
        app/store/*) echo '^(platform|http_server|cipher|operations_fichiers|tray|app/(store|core))/' ;;
        app/messaging/*) echo '^(platform|http_server|cipher|operations_fichiers|tray|app/(messaging|core))/' ;;
        app/ui/*) echo '^(platform|http_server|cipher|operations_fichiers|tray|app/(ui|core))/' ;;
        app/station/*) echo '^(platform|http_server|cipher|operations_fichiers|tray|app/(station|messaging|store|core))/' ;;
        *) echo '.' ;;
    esac
}

bad=0
while IFS= read -r file; do
    case "$file" in tests/* | bench/* | fuzz/* | tools/*) continue ;; esac
    allowed=$(allowed_project_includes "$file")
    while IFS=: read -r line text; do
        if [[ "$text" =~ \#include[[:space:]]+\"([^\"]+)\" ]]; then
            inc=${BASH_REMATCH[1]}
            if [[ "$inc" == */* ]] && ! [[ "$inc" =~ $allowed ]]; then
                echo "$file:$line: includes $inc across a boundary"
                bad=1
            fi
        elif [[ "$text" =~ \#include[[:space:]]+\<(QtWidgets/)?([A-Za-z]+)\> ]]; then
            inc=${BASH_REMATCH[2]}
            if [[ "$file" =~ $no_widgets ]] && [ -n "${widgets_header[$inc]:-}" ]; then
                echo "$file:$line: includes the Qt Widgets header <$inc> in a part that needs no Widgets"
                bad=1
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(git ls-files '*.cpp' '*.h')

if [ "$bad" -ne 0 ]; then
    echo "check-includes: include boundaries crossed (see the rules at the top of scripts/check-includes.sh)"
    exit 1
fi
echo "check-includes: no boundary crossed"
