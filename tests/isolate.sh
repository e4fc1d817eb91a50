#!/bin/sh
# Runs one test executable with its own temporary home, so that no test reads or writes the
# real home, the real crontab or the real machine's power state.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/quillaro-test.XXXXXX") || exit 1
trap 'rm -rf "$root"' EXIT INT TERM
mkdir -p "$root/home" "$root/base" "$root/config" "$root/data" "$root/runtime"
chmod 700 "$root/runtime"
export HOME="$root/home"
export QUILLARO_HOME="$root/base"
export XDG_CONFIG_HOME="$root/config"
export XDG_DATA_HOME="$root/data"
export XDG_RUNTIME_DIR="$root/runtime"
export QT_QPA_PLATFORM=offscreen
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export QUILLARO_SHUTDOWN_COMMAND="$root/shutdown-recorder"
export QUILLARO_CRONTAB="$root/crontab-standin"
printf '#!/bin/sh\necho "$@" >> "%s/shutdown.log"\n' "$root" > "$root/shutdown-recorder"
chmod +x "$root/shutdown-recorder"
# The crontab stand-in keeps the table in "$root/crontab": -l prints it, - replaces it.
cat > "$root/crontab-standin" <<EOF
#!/bin/sh
case "\$1" in
-l) [ -f "$root/crontab" ] || { echo "no crontab for test" >&2; exit 1; }; cat "$root/crontab" ;;
-) cat > "$root/crontab.new" && mv "$root/crontab.new" "$root/crontab" ;;
*) echo "crontab stand-in: unsupported \$*" >&2; exit 2 ;;
esac
EOF
chmod +x "$root/crontab-standin"
unset DISPLAY WAYLAND_DISPLAY
cd "$root" || exit 1
"$@"
