# bash completion for trevlamark-cli
_trevlamark_cli()
{
    local cur prev words cword
    _init_completion || return

    local commands="run check sweep history shares interfaces monitor"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --chunk)
            COMPREPLY=($(compgen -W "64K 128K 256K 512K 1MB 2MB 4MB 8MB 16MB 32MB 64MB" -- "$cur"))
            return ;;
        --bytes)
            COMPREPLY=($(compgen -W "512MB 1GB 2GB 4GB 8GB 16GB" -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "csv json" -- "$cur"))
            return ;;
        --outcome)
            COMPREPLY=($(compgen -W "completed stopped failed" -- "$cur"))
            return ;;
        --sort)
            COMPREPLY=($(compgen -W "date location protocol chunk queue-depth bytes cycles write read outcome" -- "$cur"))
            return ;;
        --json|--output)
            _filedir
            return ;;
        --queue-depth|--cycles|--sampling-rate|--interval|--duration|--database|--clients|--location|--search|--protocol|--limit)
            return ;;
    esac

    local options
    case ${words[1]} in
        run|check)
            options="--chunk --queue-depth --bytes --cycles --no-write --no-read --cache --verify
                     --clients --sampling-rate --json --no-history --database --quiet --verbose --fio-job --help" ;;
        sweep)
            options="--force --verbose --help" ;;
        history)
            if [[ $cword -eq 2 ]]; then
                COMPREPLY=($(compgen -W "show compare export delete --json --database --help" -- "$cur"))
                return
            fi
            options="--json --format --output --location --search --protocol --outcome --sort --ascending --limit
                     --database --fio-job --help" ;;
        shares|interfaces)
            options="--json --verbose --help" ;;
        monitor)
            options="--interval --duration --verbose --help" ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ ${words[1]} == run || ${words[1]} == check || ${words[1]} == sweep ]]; then
        _filedir -d
    fi
} &&
    complete -F _trevlamark_cli trevlamark-cli
