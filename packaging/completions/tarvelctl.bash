# bash completion for tarvelctl

_tarvelctl() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    # "--option=value": bash splits at "=", so look past it.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    local commands="snapshot replay status watch charge why top history icon metrics update"
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands help --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --sysfs-root | --powercap-root | --proc-root | --second-proc-root)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --registry | --power-sources | --ioreg-text | --pmset-text | --log | --png | --textfile)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --mode)
            COMPREPLY=($(compgen -W "percent watts" -- "$cur"))
            return
            ;;
        --limit | --now | --since | --watts | --interval | --scale | --tray | --level | --minutes | --manifest-url)
            return
            ;;
    esac

    local command=${COMP_WORDS[1]} options subcommands=
    case $command in
        snapshot) options="--json --sysfs-root --registry --power-sources --ioreg-text --pmset-text --no-cross-check" ;;
        replay) options="--json" ;;
        status) options="--json --sysfs-root --powercap-root" ;;
        watch) options="--json --waybar --textfile --no-log --sysfs-root --powercap-root" ;;
        charge)
            options="--json --sysfs-root --limit"
            subcommands="apply set-mode hold"
            ;;
        why) options="--json --log --now" ;;
        top) options="--json --proc-root --second-proc-root --sysfs-root --powercap-root --watts --interval --fast" ;;
        history)
            options="--csv --json --log --now --since"
            subcommands="clear"
            ;;
        icon) options="--mode --png --scale --tray --sysfs-root --level --charging --on-ac --no-battery --watts --minutes --low-power" ;;
        metrics) options="--sysfs-root --powercap-root --proc-root --log" ;;
        update)
            options="--manifest-url --json"
            subcommands="check"
            ;;
        help)
            ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return
            ;;
        *) return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    elif [[ $command == charge && ${COMP_WORDS[2]} == set-mode ]] && ((COMP_CWORD == 3)); then
        COMPREPLY=($(compgen -W "auto inhibit force-discharge" -- "$cur"))
    elif ((COMP_CWORD == 2)) && [[ -n $subcommands ]]; then
        COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
    elif [[ $command == replay ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -F _tarvelctl tarvelctl
