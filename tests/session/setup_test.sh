#!/usr/bin/env bash
# The family set-up below a scratch root: set up twice (the second changes
# nothing), the session step for a child in a hostile environment and for
# another account, then undo twice (all is as before, the child's data kept).
set -euo pipefail
session="$(cd "$(dirname "$0")/../../session" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root" fake="$scratch/fake"
failures=0
expect() { # WHAT COMMAND...: a failure is counted and told, the rest goes on
  if ! "${@:2}"; then echo "FAIL: $1" >&2; failures=$((failures + 1)); fi
}
same() { [ "$1" = "$2" ] || { diff <(echo "$1") <(echo "$2") >&2; false; }; }
snapshot() { # every file but the service's state, with its mode and content
  (cd "$root" && find . ! -type d ! -path './var/lib/tobrin-family/*' -printf '%p %m %l\n' | sort &&
    find . -type f ! -path './var/lib/tobrin-family/*' -exec md5sum {} + | sort)
}
setup() { "$session/tobrin-family-setup" --root "$root" "$@" > /dev/null; }

mkdir -p "$root/etc" "$root/home/kid" "$root/opt/tobrin" "$root/var/lib/AccountsService/users" "$fake"
printf 'root:x:0:0:root:/root:/bin/bash\nkid:x:1001:1001:Kid:/home/kid:/bin/bash\n' > "$root/etc/passwd"
printf 'root:x:0:\nusers:x:100:\nkid:x:1001:\n' > "$root/etc/group"
printf 'root:*:19000:0:99999:7:::\nkid:$y$j9T$salt$hash:19000:0:99999:7:::\n' > "$root/etc/shadow"
printf '[User]\nIcon=/home/kid/.face\nXSession=xfce\n' > "$root/var/lib/AccountsService/users/kid"
printf '[Desktop]\nSession=xfce\n' > "$root/home/kid/.dmrc"
printf '#!/bin/sh\n' > "$root/opt/tobrin/tobrin"
# --state DIR --set-password ACCOUNT, as the service stores it.
printf '#!/bin/sh\nmkdir -p "$2/$4"; read -r p; echo "password=$p" > "$2/$4/settings.conf"; echo "$4" >> "$2/calls"\n' \
  > "$root/opt/tobrin/tobrin-family"
chmod 755 "$root/opt/tobrin/tobrin" "$root/opt/tobrin/tobrin-family"
before="$(snapshot)"

expect "no password given, none stored: refused" bash -c "! '$session/tobrin-family-setup' --root '$root' kid < /dev/null 2> /dev/null"
expect "a refused set-up changes nothing" same "$before" "$(snapshot)"
echo secret | setup --no-password-login kid
once="$(snapshot)"
setup --no-password-login kid < /dev/null
expect "a second set-up changes nothing" same "$once" "$(snapshot)"
expect "the password is stored once" same "$(cat "$root/var/lib/tobrin-family/calls" "$root/var/lib/tobrin-family/kid/settings.conf")" $'kid\npassword=secret'
expect "children and family.conf, root's 0644" same "$(stat -c '%a %U' "$root/etc/tobrin-family/children" "$root/opt/tobrin/family.conf")" "644 $(id -un)"$'\n'"644 $(id -un)"
expect "one line for the child" same "$(grep -v '^#' "$root/etc/tobrin-family/children")" kid
expect "family.conf names the socket" same "$(cat "$root/opt/tobrin/family.conf")" $'[Family]\nsocket=/run/tobrin-family/socket'
units="$root/etc/systemd/system"
expect "the socket is enabled" same "$(readlink "$units/sockets.target.wants/tobrin-family.socket")" ../tobrin-family.socket
expect "the service runs the installed program as its account" \
  grep -qx 'ExecStart=/opt/tobrin/tobrin-family --state /var/lib/tobrin-family --socket /run/tobrin-family/socket --children /etc/tobrin-family/children' "$units/tobrin-family.service"
expect "polkit refuses the child's own account changes" grep -q 'isInGroup("tobrin-child")' "$root/etc/polkit-1/rules.d/50-tobrin-family.rules"
expect "the accounts and groups" same "$(grep -o '^tobrin-family:.*nologin$\|^tobrin-child:.*\|^nopasswdlogin:.*' "$root/etc/passwd" "$root/etc/group" | sed 's/:[0-9]*:/:N:/'; cut -d: -f1,2 "$root/etc/shadow")" \
  "$root/etc/passwd:tobrin-family:x:N:101:Tobrin family service:/nonexistent:/usr/sbin/nologin
$root/etc/group:tobrin-child:x:N:kid
$root/etc/group:nopasswdlogin:x:N:kid
root:*
kid:!\$y\$j9T\$salt\$hash
tobrin-family:!"
expect "the session is Tobrin's, the rest of the account's file kept" same "$(cat "$root/var/lib/AccountsService/users/kid" "$root/home/kid/.dmrc")" \
  $'[User]\nIcon=/home/kid/.face\nXSession=tobrin\nSession=tobrin\n[Desktop]\nSession=tobrin'

# The session step, with the system's tools it calls replaced by ones that tell.
mkdir -p "$scratch/home" "$fake/evil"
printf 'LANG="de_DE.UTF-8"\n' > "$fake/locale"
printf '#!/bin/sh\n[ "$1" = -u ] && echo 1001 || echo "$FAKE_GROUPS"\n' > "$fake/id"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "$FAKE_EXEC"\n' > "$fake/env"
printf '#!/bin/sh\ntouch "$FAKE_EXEC.openbox"\n' > "$fake/evil/openbox"
printf 'touch "$FAKE_EXEC.xsessionrc"\n' > "$scratch/home/.xsessionrc"
chmod 755 "$fake/id" "$fake/env" "$fake/evil/openbox"
sed -e "s|/usr/bin/id|$fake/id|g; s|/usr/bin/env|$fake/env|; s|/etc/default/locale|$fake/locale|" \
  "$root/etc/X11/Xsession.d/15tobrin-family" > "$fake/step"
sed -e "s|/etc/X11/Xsession.d/15tobrin-family|$fake/step|" "$root/etc/profile.d/tobrin-family.sh" > "$fake/profile"
login() { # GROUPS [SCRIPT NAME]: the step, then the home's own file as a later step reads it
  env -i FAKE_GROUPS="$1" FAKE_EXEC="$fake/$1" PATH="$fake/evil:/usr/bin:/bin" HOME="$scratch/home" \
    XDG_CONFIG_HOME=/x GTK_MODULES=evil LANG=xx_XX DISPLAY=:9 XAUTHORITY=/x/auth USER=kid LOGNAME=kid \
    SHELL=/bin/bash XDG_RUNTIME_DIR=/run/user/1001 DBUS_SESSION_BUS_ADDRESS=unix:path=/x/bus \
    sh -c '. "$1"; . "$HOME/.xsessionrc"' "${3:-sh}" "${2:-$fake/step}"
}
login "kid tobrin-child"
expect "a child gets the Tobrin session, clean, and nothing of the home" same "$(ls "$fake" | grep '^kid'; cat "$fake/kid tobrin-child")" \
  "kid tobrin-child
-i
PATH=/usr/local/bin:/usr/bin:/bin
LANG=de_DE.UTF-8
DISPLAY=:9
XAUTHORITY=/x/auth
HOME=$scratch/home
USER=kid
LOGNAME=kid
SHELL=/bin/bash
XDG_RUNTIME_DIR=/run/user/1001
DBUS_SESSION_BUS_ADDRESS=unix:path=/x/bus
/usr/local/bin/tobrin-session"
login "kid tobrin-child gdm" "$fake/profile" /etc/gdm3/Xsession
login "kid tobrin-child other" "$fake/profile"
expect "under GDM's X session script, /etc/profile already starts it" same "$(ls "$fake" | grep 'gdm\|other')" \
  "kid tobrin-child gdm"$'\n'"kid tobrin-child other.xsessionrc"
login "kid users"
expect "another account goes on as before" same "$(ls "$fake" | grep '^kid users')" "kid users.xsessionrc"

setup --undo kid
expect "undo puts everything back" same "$before" "$(snapshot)"
setup --undo kid
expect "a second undo changes nothing" same "$before" "$(snapshot)"
expect "the child's lists stay" test -f "$root/var/lib/tobrin-family/kid/settings.conf"
[ "$failures" -eq 0 ] || { echo "$failures failed" >&2; exit 1; }
echo "setup_test: all passed"
