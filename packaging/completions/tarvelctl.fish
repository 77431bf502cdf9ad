# fish completion for tarvelctl

set -l commands snapshot replay status watch charge why top history icon metrics update help
set -l none "not __fish_seen_subcommand_from $commands"

complete -c tarvelctl -f
complete -c tarvelctl -n $none -l version -d 'print the version'
complete -c tarvelctl -s h -l help -d 'print help'
complete -c tarvelctl -n $none -a snapshot -d 'read every battery source once'
complete -c tarvelctl -n $none -a replay -d 'feed a script of snapshots through the smoothing'
complete -c tarvelctl -n $none -a status -d 'print the published power state'
complete -c tarvelctl -n $none -a watch -d 'print a line whenever a shown value changes'
complete -c tarvelctl -n $none -a charge -d 'show, apply or hold the charge limit'
complete -c tarvelctl -n $none -a why -d 'explain the battery drop over the last hour'
complete -c tarvelctl -n $none -a top -d 'estimated watts of the busiest processes'
complete -c tarvelctl -n $none -a history -d 'export or clear the drain history'
complete -c tarvelctl -n $none -a icon -d 'draw the status item'
complete -c tarvelctl -n $none -a metrics -d 'the current state in the Prometheus text format'
complete -c tarvelctl -n $none -a update -d 'what the update check would offer'
complete -c tarvelctl -n $none -a help -d 'describe a command'
complete -c tarvelctl -n '__fish_seen_subcommand_from help' -a "$commands"

# Subcommands and charger modes
complete -c tarvelctl -n '__fish_seen_subcommand_from charge; and not __fish_seen_subcommand_from apply set-mode hold' -a 'apply set-mode hold'
complete -c tarvelctl -n '__fish_seen_subcommand_from set-mode' -a 'auto inhibit force-discharge'
complete -c tarvelctl -n '__fish_seen_subcommand_from history; and not __fish_seen_subcommand_from clear' -a clear
complete -c tarvelctl -n '__fish_seen_subcommand_from update; and not __fish_seen_subcommand_from check' -a check
complete -c tarvelctl -n '__fish_seen_subcommand_from replay' -F

# Options, by the commands that take them
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot replay status watch charge why top history update' -l json -d 'print JSON instead of text'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot status watch charge icon metrics top' -l sysfs-root -x -a '(__fish_complete_directories)' -d 'read DIR in place of /sys'
complete -c tarvelctl -n '__fish_seen_subcommand_from status watch metrics top' -l powercap-root -x -a '(__fish_complete_directories)' -d 'read DIR in place of /sys/class/powercap'
complete -c tarvelctl -n '__fish_seen_subcommand_from top metrics' -l proc-root -x -a '(__fish_complete_directories)' -d 'read DIR in place of /proc'
complete -c tarvelctl -n '__fish_seen_subcommand_from top' -l second-proc-root -x -a '(__fish_complete_directories)' -d 'read DIR in place of /proc at the second sample'
complete -c tarvelctl -n '__fish_seen_subcommand_from why history metrics' -l log -r -F -d 'the drain history to read'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot' -l registry -r -F -d 'a JSON object standing in for the battery entry'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot' -l power-sources -r -F -d 'a JSON array of power-source descriptions'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot' -l ioreg-text -r -F -d 'the battery tool output, from a file'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot' -l pmset-text -r -F -d 'the power tool output, from a file'
complete -c tarvelctl -n '__fish_seen_subcommand_from snapshot' -l no-cross-check -d 'skip the two tools'
complete -c tarvelctl -n '__fish_seen_subcommand_from watch' -l waybar -d 'print waybar custom-module JSON'
complete -c tarvelctl -n '__fish_seen_subcommand_from watch' -l textfile -r -F -d 'keep FILE current in the Prometheus text format'
complete -c tarvelctl -n '__fish_seen_subcommand_from watch' -l no-log -d 'leave the drain history alone'
complete -c tarvelctl -n '__fish_seen_subcommand_from charge' -l limit -x -d 'hold N percent instead of the saved limit'
complete -c tarvelctl -n '__fish_seen_subcommand_from why' -l now -x -d 'the end of the hour (ISO 8601)'
complete -c tarvelctl -n '__fish_seen_subcommand_from top icon' -l watts -x -d 'watts'
complete -c tarvelctl -n '__fish_seen_subcommand_from top' -l interval -x -d 'seconds between the two samples'
complete -c tarvelctl -n '__fish_seen_subcommand_from top' -l fast -d 'list 8 processes, with their paths'
complete -c tarvelctl -n '__fish_seen_subcommand_from history' -l csv -d 'print CSV'
complete -c tarvelctl -n '__fish_seen_subcommand_from history' -l since -x -d 'keep the records from this time on'
complete -c tarvelctl -n '__fish_seen_subcommand_from history' -l now -x -d 'the time the retention counts back from (ISO 8601)'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l mode -x -a 'percent watts' -d 'the display mode'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l png -r -F -d 'write the image to FILE'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l scale -x -d 'device pixels per pixel'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l tray -x -d 'draw the square tray icon of SIZE pixels'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l level -x -d 'the battery level'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l charging -d 'the battery is charging'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l on-ac -d 'the adapter is connected'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l no-battery -d 'there is no battery'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l minutes -x -d 'the remaining minutes'
complete -c tarvelctl -n '__fish_seen_subcommand_from icon' -l low-power -d 'Low Power Mode is on'
complete -c tarvelctl -n '__fish_seen_subcommand_from update' -l manifest-url -x -d 'read the update manifest from URL'
