# bash completion for boneloom-tool: commands, each command's options and the
# files it takes, by extension. Commands and options are read from the tool's
# own --help, so they are always the installed tool's.

_boneloom_tool_files() {
    # $1: extension pattern (extglob) or "" for any file, "dir" for directories.
    local cur=$2 IFS=$'\n'
    if [[ $1 == dir ]]; then
        COMPREPLY+=($(compgen -d -- "$cur"))
        return
    fi
    COMPREPLY+=($(compgen -d -- "$cur"))
    if [[ -z $1 ]]; then
        COMPREPLY+=($(compgen -f -- "$cur"))
    else
        local restore
        restore=$(shopt -p extglob nocasematch)
        shopt -s extglob nocasematch
        COMPREPLY+=($(compgen -f -X "!*.@($1)" -- "$cur"))
        eval "$restore"
    fi
    compopt -o filenames 2>/dev/null
}

_boneloom_tool_commands() {
    "$1" --help 2>/dev/null | awk '/^commands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {exit}'
}

_boneloom_tool() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local tool=${COMP_WORDS[0]} command="" i
    COMPREPLY=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} != -* ]]; then
            command=${COMP_WORDS[i]}
            break
        fi
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$(_boneloom_tool_commands "$tool") --help --version" -- "$cur"))
        return
    fi

    # Values of options: directories where a directory goes, nothing to
    # complete for numbers, names and colours.
    case $prev in
        --frames | --textures) _boneloom_tool_files dir "$cur"; return ;;
        --append) _boneloom_tool_files 'skp' "$cur"; return ;;
        --turntable | --size | --fps | --frame | --t | --yaw | --pitch | --roll | --distance | --scale | \
            --press | --select | --weights | --anim | --background | --keep | --drop | --rename-frame | \
            --rename-bone | --rename-mesh | --skin | --delete-bone | --in-place) return ;;
    esac
    case ${COMP_WORDS[COMP_CWORD-2]} in
        --turntable) _boneloom_tool_files dir "$cur"; return ;;
        --rename-frame | --rename-bone | --rename-mesh | --skin) return ;;
    esac

    if [[ $cur == -* ]]; then
        local options
        options=$("$tool" "$command" --help 2>/dev/null | grep -oE -- '--[a-z][a-z-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi

    case $command in
        info | check | copy | pose | rotate | edit) _boneloom_tool_files 'skm|skp' "$cur" ;;
        gltf) _boneloom_tool_files 'skm|skp|glb|gltf' "$cur" ;;
        render | thumbnail) _boneloom_tool_files 'skm|skp|png' "$cur" ;;
        logo) _boneloom_tool_files 'tga' "$cur" ;;
        sample) _boneloom_tool_files dir "$cur" ;;
        help) COMPREPLY=($(compgen -W "$(_boneloom_tool_commands "$tool")" -- "$cur")) ;;
        *) _boneloom_tool_files '' "$cur" ;;
    esac
}

complete -F _boneloom_tool boneloom-tool
