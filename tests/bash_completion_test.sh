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

expect 'query add delete copy compare export import --help --registry --user' vantrel-reg ''
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
# The registry named before the command, in each way bash may split the words: its path is a
# file or folder, and the command and everything after it move along.
expect '--registry' vantrel-reg --reg
mkdir "$folder/prefix"
expect "$folder/prefix" vantrel-reg --registry "$folder/pre"
expect "--registry=$folder/prefix" vantrel-reg "--registry=$folder/pre"
expect "$folder/prefix" vantrel-reg --registry = "$folder/pre"
mkdir "$folder/here" && touch "$folder/here/x.db"
cd "$folder/here" && expect 'x.db' vantrel-reg --registry = && cd - >/dev/null
expect 'query' vantrel-reg --registry "$folder/prefix" qu
expect 'query' vantrel-reg "--registry=$folder/prefix" QU
expect 'query' vantrel-reg --registry = "$folder/prefix" q
expect 'HKCU HKCR HKCC' vantrel-reg --registry "$folder/prefix" query hkc
expect '/ve' vantrel-reg "--registry=$folder/prefix" delete 'HKCU\X' /ve
expect "$folder/demo.reg" vantrel-reg --registry = "$folder/prefix" import "$folder/de"
expect 'HKEY_USERS' vantrel-reg --registry "$folder/prefix" compare 'HKCU\X' /v Name HKEY_U
# --user takes a name, which is not completed, and goes before or after --registry.
expect '' vantrel-reg --user ''
expect '--help --user' vantrel-reg --registry "$folder/prefix" --
expect '--help --registry' vantrel-reg --user Ada --
expect 'query' vantrel-reg --user Ada --registry "$folder/prefix" qu
expect "$folder/prefix" vantrel-reg --user=Ada --registry "$folder/pre"
expect 'HKLM' vantrel-reg --registry = "$folder/prefix" --user = Ada query HKL
rm -rf "$folder"

# Every option the tool's help explains is offered before the command.
options=$("$program" /? | sed -n 's|^  \(--[a-z]*\).*|\1|p')
[[ -n $options ]] || { echo "FAILED: the tool's help explains no option"; failures=$((failures + 1)); }
for option in $options; do
    if [[ " $(complete_line vantrel-reg --) " != *" $option "* ]]; then
        echo "FAILED: the tool's help explains $option, which completion does not offer"
        failures=$((failures + 1))
    fi
done

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
