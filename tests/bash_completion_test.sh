#!/usr/bin/env bash
# Checks vantrel-reg's bash completion: commands, every switch that each command's help
# page explains, root keys, types, and files where a command takes one.
#   bash_completion_test.sh COMPLETION_SCRIPT VANTREL_REG_PROGRAM
set -u
source "$1"
program=$2
failures=0

# Completes the words of a command line, the last one being typed.
complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _vantrel_reg
    echo "${COMPREPLY[*]}"
}

expect() {
    local wanted=$1
    shift
    local got
    got=$(complete_line "$@")
    if [[ $got != "$wanted" ]]; then
        echo "FAILED: completing '$*' gave '$got', expected '$wanted'"
        failures=$((failures + 1))
    fi
}

expect 'query add delete copy compare export import --help' vantrel-reg ''
expect 'copy compare' vantrel-reg co
expect 'HKCU HKCR HKCC' vantrel-reg query hkc
expect 'HKEY_LOCAL_MACHINE' vantrel-reg query HKEY_L
expect '/regedit4' vantrel-reg export 'HKCU\X' file.reg /r
expect '-v -ve -va' vantrel-reg delete 'HKCU\X' -v
expect 'REG_QWORD' vantrel-reg add 'HKCU\X' /v Size /t REG_Q
expect 'REG_SZ REG_EXPAND_SZ REG_MULTI_SZ REG_DWORD REG_QWORD REG_BINARY REG_NONE' vantrel-reg query 'HKCU\X' /t ''
expect '' vantrel-reg add 'HKCU\X' /v ''
# After a key and the value of /v, the second key of compare is a key again.
expect 'HKEY_USERS' vantrel-reg compare 'HKCU\X' /v Name HKEY_U
folder=$(mktemp -d)
touch "$folder/demo.reg"
expect "$folder/demo.reg" vantrel-reg import "$folder/de"
expect "$folder/demo.reg" vantrel-reg export 'HKCU\X' "$folder/de"
rm -rf "$folder"

# Every switch a help page explains is offered for its command.
for command in query add delete copy compare export import; do
    offered=" $(complete_line vantrel-reg "$command" / ) "
    for switch in $("$program" "$command" /? | sed -n 's|^  \(/[a-z0-9]*\).*|\1|p'); do
        if [[ $offered != *" $switch "* ]]; then
            echo "FAILED: $command's help explains $switch, which completion does not offer"
            failures=$((failures + 1))
        fi
    done
done
if ((failures)); then exit 1; fi
echo "bash completion: all checks passed"
