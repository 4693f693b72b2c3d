#!/bin/bash
# Writes framewright-cli's manual page or its bash completion from the tool's own help, so that
# neither can drift from the commands and options the tool accepts.
#
#   cli-reference.sh TOOL VERSION MAN_PAGE COMPLETION
set -euo pipefail

if [ $# -ne 4 ]; then
    echo "usage: $0 TOOL VERSION MAN_PAGE COMPLETION" >&2
    exit 2
fi
tool=$1
version=$2

# The tool logs every run; a build writes that log into a scratch folder, not the builder's home.
state_home=$(mktemp -d)
trap 'rm -rf "$state_home"' EXIT
export XDG_STATE_HOME=$state_home LC_ALL=C.UTF-8

# The help of the tool, a command or a sub-command, asked once and kept.
mkdir "$state_home/help"
help_of() {
    local kept="$state_home/help/_$(printf '%s_' "$@")"
    [ -f "$kept" ] || "$tool" "$@" --help </dev/null >"$kept"
    cat "$kept"
}

top_help=$(help_of)

# The commands, in the order the tool's help lists them.
commands() { sed -n 's/^  framewright-cli \([a-z][a-z]*\).*/\1/p' <<<"$top_help"; }

# The synopsis of a command on the tool's help, its continuation lines joined.
synopsis_of() {
    awk -v command="$1" '
        $0 ~ "^  framewright-cli " command "( |$)" { keep = 1; sub(/^  framewright-cli /, ""); print; next }
        keep && /^        / { sub(/^ +/, ""); print; next }
        { keep = 0 }' <<<"$top_help" | paste -sd' '
}

# A command's sub-commands: the lower-case words right after its name ("find|status|...") or
# after "| COMMAND ".
sub_commands_of() {
    local synopsis
    synopsis=$(synopsis_of "$1")
    {
        sed -n "s/^$1 \([a-z][a-z|]*\)\( .*\)\{0,1\}$/\1/p" <<<"$synopsis" | tr '|' '\n'
        grep -o "| $1 [a-z][a-z]*" <<<"$synopsis" | sed 's/.* //' || true
    } | grep . || true
}

# Every "COMMAND" and "COMMAND SUB-COMMAND", one a line.
all_keys() {
    local command sub
    for command in $(commands); do
        echo "$command"
        for sub in $(sub_commands_of "$command"); do
            echo "$command $sub"
        done
    done
}

# The keys whose help is their own: a sub-command whose help is its command's is left out.
help_keys() {
    local key
    while read -r key; do
        # shellcheck disable=SC2086 # the key is the command and its sub-command, two words
        [ "$key" = "${key%% *}" ] || [ "$(help_of $key)" != "$(help_of "${key%% *}")" ] && echo "$key"
    done < <(all_keys)
}

# Ask every help here, where a tool that fails stops the script, rather than inside the
# substitutions below, where a failure would only leave text out.
while read -r key; do
    # shellcheck disable=SC2086
    help_of $key >/dev/null
done < <(all_keys)

# Text as roff prints it verbatim: backslashes and minus signs escaped, no line read as a request.
roff_verbatim() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

write_man_page() {
    local key
    cat <<EOF
.\\" Made by cli-reference.sh from the output of framewright-cli --help.
.TH FRAMEWRIGHT\\-CLI 1 "" "Framewright $version" "User Commands"
.SH NAME
framewright\\-cli \\- batch access to clips, frame sequences, imagers and processors
.SH SYNOPSIS
.nf
EOF
    awk '/^  framewright-cli / { keep = 1 } keep && /^  ( |framewright-cli )/ && !/^      [^ ]/ { print substr($0, 3); next } { keep = 0 }' \
        <<<"$top_help" | roff_verbatim
    cat <<EOF
.fi
.SH DESCRIPTION
.B framewright\\-cli
is the batch face of Framewright: it reads clips (AVI and KFS) and numbered TIFF and BAY frame
sequences, prints their facts as JSON, writes frames, edits descriptor blocks, converts, and
talks to imagers, GPIB processors and frame grabbers as the program's windows do.
What follows is the tool's own help, as
.B framewright\\-cli \\-\\-help
and
.B framewright\\-cli
.I COMMAND
.B \\-\\-help
print it.
.PP
.nf
EOF
    roff_verbatim <<<"$top_help"
    echo ".fi"
    echo ".SH COMMANDS"
    while read -r key; do
        echo ".SS \"$key\""
        echo ".nf"
        # shellcheck disable=SC2086 # the key is the command and its sub-command, two words
        help_of $key | roff_verbatim
        echo ".fi"
    done < <(help_keys)
    cat <<'EOF'
.SH FILES
.TP
.I ~/.local/state/Framewright/framewright.log
The log (under
.B $XDG_STATE_HOME
when set).
.TP
.I /usr/share/framewright/samples/
Sample clips, TIFF and BAY sequences and signal files to try the commands on.
.SH SEE ALSO
.BR framewright (1),
.BR fw\-imager\-sim (1)
EOF
}

# The options a command (or sub-command) takes, one a line: "--name" for a switch, "--name=" for
# one that takes a value, as its help lists them.
options_of() {
    help_of "$@" | sed -n 's/^  \(-h, \)\{0,1\}\(--[a-z][a-z-]*\)\( <\)\{0,1\}.*/\2\3/p' | sed 's/ <$/=/'
}

# "--option value|value|..." choices wherever the help spells them out, one "--option choices"
# a line; choices with upper-case placeholders ("butterworth:HZ") are offered without them.
choices_in() {
    { grep -o -- '--[a-z][a-z-]* <\{0,1\}[a-z0-9:]*[a-zA-Z0-9:]*\(|[a-zA-Z0-9:]*\)\{1,\}' |
        sed -e 's/ <\{0,1\}/ /' -e 's/|/ /g' -e 's/\([a-z0-9]:\)[A-Z]*/\1/g' || true; } | sort -u
}

write_completion() {
    local key command sub options choices
    cat <<'EOF'
# bash completion for framewright-cli
# Made by cli-reference.sh from the output of framewright-cli --help.

EOF
    printf '_framewright_cli_commands() { echo "%s"; }\n\n' "$(commands | paste -sd' ')"
    cat <<'EOF'
_framewright_cli_sub_commands()
{
    case $1 in
EOF
    for command in $(commands); do
        sub=$(sub_commands_of "$command" | paste -sd' ')
        [ -n "$sub" ] && printf '        %s) echo "%s" ;;\n' "$command" "$sub"
    done
    cat <<'EOF'
    esac
}

# The options of "COMMAND" or "COMMAND SUB-COMMAND"; those ending in "=" take a value.
_framewright_cli_options()
{
    case $1 in
EOF
    while read -r key; do
        # shellcheck disable=SC2086
        options=$(options_of $key | paste -sd' ')
        printf '        "%s") echo "%s" ;;\n' "$key" "$options"
    done < <(all_keys)
    printf '        *) echo "%s" ;;\n' "--verbose --help --version"
    cat <<'EOF'
    esac
}

# The values an option takes where the help names them.
_framewright_cli_choices()
{
    case "$1 $2" in
EOF
    while read -r key; do
        # shellcheck disable=SC2086
        choices=$({ help_of $key; help_of "${key%% *}"; synopsis_of "${key%% *}"; } | choices_in)
        while read -r option values; do
            [ -n "$option" ] && printf '        "%s %s") echo "%s" ;;\n' "$key" "$option" "$values"
        done <<<"$choices"
    done < <(all_keys)
    cat <<'EOF'
    esac
}

_framewright_cli()
{
    local cur prev words cword
    _init_completion -s || return

    local i word command="" sub="" positionals=0 option_value=0
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if ((option_value)); then
            option_value=0
        elif [[ $word == --* ]]; then
            [[ " $(_framewright_cli_options "$command${sub:+ $sub}") " == *" $word= "* ]] && option_value=1
        elif [[ -z $command ]]; then
            command=$word
        elif [[ -z $sub && " $(_framewright_cli_sub_commands "$command") " == *" $word "* ]]; then
            sub=$word
        else
            ((positionals++))
        fi
    done
    local key=$command${sub:+ $sub}

    if [[ $prev == --* && " $(_framewright_cli_options "$key") " == *" $prev= "* ]]; then
        local choices
        choices=$(_framewright_cli_choices "$key" "$prev")
        if [[ -n $choices ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$choices" -- "$cur")
        elif [[ $prev == --settings ]]; then
            _filedir ips
        elif [[ $prev == --serial ]]; then
            mapfile -t COMPREPLY < <(compgen -f -- "${cur:-/dev/tty}")
        fi
        return
    fi

    if [[ $cur == -* ]]; then
        local options
        options=$(_framewright_cli_options "$key")
        mapfile -t COMPREPLY < <(compgen -W "${options//=/}" -- "$cur")
        return
    fi

    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_framewright_cli_commands)" -- "$cur")
        return
    fi
    local subs
    subs=$(_framewright_cli_sub_commands "$command")
    if [[ -z $sub && -n $subs && $positionals -eq 0 ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$subs" -- "$cur")
        return
    fi

    # The clip or sequence a command reads comes first; what it writes may be any file.
    case $command in
        info | frame | convert | descriptor)
            if ((positionals == 0)); then
                _filedir '@(avi|AVI|kfs|KFS|tif|TIF|tiff|TIFF|bay|BAY)'
                return
            fi
            ;;
        kinematics)
            _filedir '@(csv|CSV)'
            return
            ;;
    esac
    _filedir
} &&
    complete -F _framewright_cli framewright-cli
EOF
}

write_man_page >"$3"
write_completion >"$4"
