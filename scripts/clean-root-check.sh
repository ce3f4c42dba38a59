#!/usr/bin/env bash
# Shows on clean Debian 12 systems that the README's commands are enough: from a copy of this
# repository to a listening program, to a package, and to that package installed and started by a new
# user. Run by hand, as root; needs debootstrap (scripts/setup.sh installs it) and network access to a
# Debian mirror. Takes a quarter of an hour or more, most of it downloading and building.
#
#   1. debootstrap makes a minimal Debian 12 root (variant minbase), kept as a tarball so that the
#      second root is as clean as the first;
#   2. root 1: the repository's files are copied in (what git knows, modified or not, as a clone of this
#      tree would hold them), and `scripts/run.sh` runs as root with no terminal to answer a prompt
#      until the program listens on TCP 32666: the time from the command to that moment;
#   3. root 1: the program is stopped and `scripts/package.sh` makes the package (lintian included);
#   4. root 2: `apt install ./vellumo_<version>_<arch>.deb`, a new user, `vellumo` started by that user
#      in a login shell without a display: it must listen, answer a GET with 403 and make the user's
#      folders, each the user's alone; then `apt remove` must leave a logon entry that does nothing.
#
# The roots share this machine's network (the mirror is reached from them), so the program listens on
# port 32666 of this machine while a step runs: the check stops at once when something holds that port.
# Every process of a root runs in a PID namespace of its own and ends with it; the mounts of a root live
# in a mount namespace of its own and go with it.
#
# Environment: VELLUMO_CLEAN_ROOT_DIR (default /var/tmp/vellumo-clean-root) holds the roots and is
# removed at the end unless VELLUMO_KEEP_ROOTS=1; VELLUMO_MIRROR (default http://deb.debian.org/debian) and
# VELLUMO_SECURITY_MIRROR (default http://deb.debian.org/debian-security) are the roots' apt sources.
# When the mirror cannot be reached the check says so and stops (exit 2), before anything is made.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
    echo "clean-root-check: needs root (debootstrap, chroot, namespaces)"
    exit 1
fi
for tool in debootstrap wget unshare chroot git tar; do
    command -v "$tool" >/dev/null || {
        echo "clean-root-check: $tool is missing (scripts/setup.sh installs it)"
        exit 1
    }
done

work=${VELLUMO_CLEAN_ROOT_DIR:-/var/tmp/vellumo-clean-root}
mirror=${VELLUMO_MIRROR:-http://deb.debian.org/debian}
security=${VELLUMO_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
port=32666
figures=()
started_pids=()

# end_namespace <pid of its unshare>: ends a namespace this script started, by the id of its first
# process (unshare itself ignores SIGTERM while it waits; a namespace's first process takes only SIGKILL
# from outside), and every process in it with that one.
end_namespace() {
    local first
    first=$(ps -o pid= --ppid "$1" 2>/dev/null | head -n 1 | tr -d ' ')
    [ -z "$first" ] || kill -KILL "$first" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

cleanup() {
    # Only the namespaces this script started, by their id; their processes end with them.
    for pid in "${started_pids[@]}"; do
        end_namespace "$pid"
    done
    if [ "${VELLUMO_KEEP_ROOTS:-0}" != 1 ]; then
        rm -rf "$work"
    else
        echo "clean-root-check: the roots stay in $work"
    fi
}
trap cleanup EXIT

seconds_since() { echo $(($(date +%s) - $1)); }
minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

# True while a socket of this network namespace listens on TCP port $port.
port_listening() {
    local hex
    hex=$(printf '%04X' "$port")
    awk -v p=":$hex" 'NR > 1 && $4 == "0A" && substr($2, length($2) - 4) == p { found = 1 } END { exit !found }' \
        /proc/net/tcp /proc/net/tcp6
}

port_must_be_free() {
    if port_listening; then
        echo "clean-root-check: something on this machine already listens on TCP $port; stop it first"
        exit 1
    fi
}

# in_root [--exec] <root> <command...>: runs a command in the root as root, with a clean environment,
# in PID and mount namespaces of its own (proc, sys, dev and run mounted there only). With --exec the
# calling (background) shell becomes the namespace's unshare, so that $! is the id that ends it all.
in_root() {
    local replace=
    if [ "$1" = --exec ]; then
        replace=exec
        shift
    fi
    local root=$1
    shift
    $replace unshare --mount --pid --fork --kill-child bash -c '
        set -e
        root=$1
        shift
        mount --make-rprivate /
        mount -t proc proc "$root/proc"
        mount -t sysfs sysfs "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs tmpfs "$root/run"
        exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
    ' in_root "$root" "$@"
}

# wait_until_listening <pid> <log> <limit in s>: waits until the port listens while pid runs.
wait_until_listening() {
    local pid=$1 log=$2 limit=$3 start
    start=$(date +%s)
    while ! port_listening; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "clean-root-check: the command ended before the program listened; the end of $log:"
            tail -n 40 "$log"
            return 1
        fi
        if [ "$(seconds_since "$start")" -ge "$limit" ]; then
            echo "clean-root-check: nothing listens on TCP $port after $limit s; the end of $log:"
            tail -n 40 "$log"
            return 1
        fi
        sleep 1
    done
}

stop() { # <pid>: ends a namespace this script started, and its processes
    end_namespace "$1"
    local kept=()
    for p in "${started_pids[@]}"; do [ "$p" = "$1" ] || kept+=("$p"); done
    started_pids=("${kept[@]}")
    local t=0
    while port_listening && [ $t -lt 30 ]; do
        sleep 1
        t=$((t + 1))
    done
}

# The mirror first (only the mirror: debootstrap fetches from it with wget): without it there is
# nothing to check, and the check says so instead of failing half-way.
if ! wget -q --spider --tries=2 --timeout=20 "$mirror/dists/bookworm/InRelease"; then
    echo "clean-root-check: skipped: the Debian mirror $mirror cannot be reached from here"
    echo "(set VELLUMO_MIRROR to a mirror this machine reaches)"
    exit 2
fi
port_must_be_free
rm -rf "$work"
mkdir -p "$work"

echo "== 1. a minimal Debian 12 root (debootstrap --variant=minbase bookworm $mirror)"
t0=$(date +%s)
if ! debootstrap --variant=minbase bookworm "$work/base" "$mirror" >"$work/debootstrap.log" 2>&1; then
    echo "clean-root-check: debootstrap failed (is $mirror reachable from here?); the end of its log:"
    tail -n 20 "$work/debootstrap.log"
    exit 1
fi
# The sources of a Debian 12 installation, and no services started by what gets installed.
cat >"$work/base/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
printf '#!/bin/sh\nexit 101\n' >"$work/base/usr/sbin/policy-rc.d"
chmod 755 "$work/base/usr/sbin/policy-rc.d"
cp -L /etc/resolv.conf "$work/base/etc/resolv.conf"
tar -C "$work/base" -cf "$work/base.tar" .
figures+=("debootstrap (minbase): $(minutes "$(seconds_since "$t0")"), $(du -sh "$work/base" | cut -f1)")

echo "== 2. root 1: the repository, then scripts/run.sh until the program listens on TCP $port"
root1="$work/base"
mkdir -p "$root1/src/vellumo"
git -C "$repo" ls-files -z --cached --others --exclude-standard |
    tar -C "$repo" --null -T - -cf - | tar -C "$root1/src/vellumo" -xf -
port_must_be_free
t0=$(date +%s)
in_root --exec "$root1" bash -c 'cd /src/vellumo && exec scripts/run.sh' </dev/null >"$work/run.log" 2>&1 &
run_pid=$!
started_pids+=("$run_pid")
wait_until_listening "$run_pid" "$work/run.log" 3600
listen_s=$(seconds_since "$t0")
figures+=("root 1, scripts/run.sh to listening on TCP $port: $(minutes "$listen_s")")
if grep -q "no display found" "$work/run.log"; then
    figures+=("root 1, the program said: $(grep -m1 'no display found' "$work/run.log")")
else
    echo "clean-root-check: the program did not say that there is no display; the end of the log:"
    tail -n 20 "$work/run.log"
    exit 1
fi
answer=$(exec 3<>"/dev/tcp/127.0.0.1/$port" && printf 'GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&3 &&
    timeout 10 head -n 1 <&3 | tr -d '\r')
[[ "$answer" == "HTTP/1.1 403 "* ]] || { echo "clean-root-check: GET answered '$answer', not 403"; exit 1; }
stop "$run_pid"

echo "== 3. root 1: scripts/package.sh"
t0=$(date +%s)
if ! in_root "$root1" bash -c 'cd /src/vellumo && exec scripts/package.sh' </dev/null >"$work/package.log" 2>&1; then
    echo "clean-root-check: scripts/package.sh failed; the end of its log:"
    tail -n 40 "$work/package.log"
    exit 1
fi
figures+=("root 1, scripts/package.sh: $(minutes "$(seconds_since "$t0")"), $(grep -m1 '^lintian:' "$work/package.log")")
deb=$(tail -n 1 "$work/package.log")
deb_name=$(basename "$deb")
cp "$root1$deb" "$work/$deb_name"

echo "== 4. root 2: apt install ./$deb_name, then vellumo started by a new user"
root2="$work/second"
mkdir -p "$root2"
tar -C "$root2" -xf "$work/base.tar"
cp "$work/$deb_name" "$root2/root/"
t0=$(date +%s)
if ! in_root "$root2" bash -c "cd /root && apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt install -y ./$deb_name" \
    </dev/null >"$work/install.log" 2>&1; then
    echo "clean-root-check: the package did not install; the end of the log:"
    tail -n 40 "$work/install.log"
    exit 1
fi
pulled=$(grep -m1 -E '^[0-9]+ upgraded, [0-9]+ newly installed' "$work/install.log" || true)
figures+=("root 2, apt install of the package: $(minutes "$(seconds_since "$t0")") ($pulled)")

# The new user, and the program as that user starts it in a terminal: the command on the PATH.
in_root "$root2" useradd --create-home --shell /bin/bash newcomer
found=$(in_root "$root2" runuser -l newcomer -c 'command -v vellumo; command -v kippler' | tr '\n' ' ')
figures+=("root 2, on the PATH: $found")
port_must_be_free
t0=$(date +%s)
in_root --exec "$root2" runuser -l newcomer -c vellumo </dev/null >"$work/user.log" 2>&1 &
user_pid=$!
started_pids+=("$user_pid")
wait_until_listening "$user_pid" "$work/user.log" 120
figures+=("root 2, the new user's vellumo to listening: $(seconds_since "$t0") s")
answer=$(exec 3<>"/dev/tcp/127.0.0.1/$port" && printf 'GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&3 &&
    timeout 10 head -n 1 <&3 | tr -d '\r')
[[ "$answer" == "HTTP/1.1 403 "* ]] || { echo "clean-root-check: GET answered '$answer', not 403"; exit 1; }
folders=$(cd "$root2/home/newcomer" && find .config .local -type d -printf '%m %p\n' | sort | tr '\n' ';')
files=$(cd "$root2/home/newcomer" && find .config .local -type f -printf '%p\n' | sort | tr '\n' ' ')
figures+=("root 2, the new user's folders: $folders" "root 2, the new user's files: $files")
if grep -Ev '^700 ' <<<"$(tr ';' '\n' <<<"$folders" | sed '/^$/d')" >/dev/null; then
    echo "clean-root-check: a folder of the user's files is open to others: $folders"
    exit 1
fi
stop "$user_pid"

# Removing keeps the logon entry (a configuration file) and its TryExec makes it do nothing.
in_root "$root2" bash -c 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vellumo' </dev/null >>"$work/install.log" 2>&1
entry=/etc/xdg/autostart/vellumo-kippler.desktop
tryexec=$(sed -n 's/^TryExec=//p' "$root2$entry")
if [ -f "$root2$entry" ] && [ -n "$tryexec" ] &&
    ! in_root "$root2" runuser -l newcomer -c "command -v $tryexec" >/dev/null; then
    figures+=("root 2, after apt remove: $entry stays, its TryExec=$tryexec is not found, so it does nothing")
else
    echo "clean-root-check: after apt remove, the logon entry is missing or still names an existing program"
    exit 1
fi

echo "== figures"
printf '  %s\n' "${figures[@]}"
echo "clean-root-check: passed"
