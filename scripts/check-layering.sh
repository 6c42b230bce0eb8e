#!/usr/bin/env bash
# Keeps the include graph between the folders of src/ pointing one way:
#   common <- platform, serial <- setup, receive, transmit, dialogs, history <- shell <- app
#   settime (the helper, standing alone) <- platform (its client shares the protocol header)
# Each folder lists the folders it may include; anything else fails the check.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"

declare -A allowed=(
    [common]=""
    [platform]="common settime"
    [serial]="common"
    [setup]="common platform serial"
    [receive]="common platform serial"
    [transmit]="common platform serial"
    [dialogs]="common platform serial"
    [history]="common platform serial"
    [shell]="common platform serial setup receive transmit dialogs history"
    [settime]=""
    [app]="common platform serial setup receive transmit dialogs history shell"
)

status=0
for folder in "$src"/*/; do
    name=$(basename "$folder")
    if [[ -z "${allowed[$name]+set}" ]]; then
        echo "check-layering: src/$name has no place in the graph" >&2
        status=1
        continue
    fi
    while IFS=: read -r file line target; do
        [[ "$target" == "$name" ]] && continue
        if [[ " ${allowed[$name]} " != *" $target "* ]]; then
            echo "check-layering: ${file#"$src"/}:$line includes $target/ (src/$name may use: ${allowed[$name]:-nothing})" >&2
            status=1
        fi
    done < <(grep -rnoE '^#include "[a-z]+/' "$folder" | sed -E 's/#include "([a-z]+)\//\1/')
done
exit $status
