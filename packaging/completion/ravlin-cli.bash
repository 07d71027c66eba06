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

    # The first word that is neither an option nor an option's value is the command.
    local i command=
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            pack | unpack)
                command=${words[i]}
                break
                ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W 'pack unpack --help --version' -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--method= --output= --output-dir= --stdout --force --keep
            --rm --test --list --recursive --suffix= --verify --no-sparse --verbose --quiet
            --progress --help --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    # Unpacking takes any name too (the method can come from -m or from the stream itself).
    _filedir
} &&
    complete -F _ravlin_cli ravlin-cli

# ex: filetype=sh
