# bash completion for ravlin-cli                                   -*- shell-script -*-

_ravlin_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -m | --method)
            COMPREPLY=($(compgen -W '1 2' -- "$cur"))
            return
            ;;
        -o | --output)
            _filedir
            return
            ;;
        --output-dir)
            _filedir -d
            return
            ;;
        --suffix | -h | --help | -V | --version)
            return
            ;;
    esac
    $split && return

    # The command comes first; the program takes options only after it.
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'pack unpack --help --version' -- "$cur"))
        return
    fi
    local command=${words[1]}
    [[ $command == pack || $command == unpack ]] || return

    if [[ $cur == -* ]]; then
        local options='--method= --output= --output-dir= --stdout --force --keep --rm
            --recursive --verbose --quiet --progress --help --version'
        if [[ $command == pack ]]; then
            options+=' --verify'
        else
            options+=' --test --list --suffix= --no-sparse'
        fi
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    # Unpacking takes any name too (the method can come from -m or from the stream itself).
    _filedir
} &&
    complete -F _ravlin_cli ravlin-cli

# ex: filetype=sh
