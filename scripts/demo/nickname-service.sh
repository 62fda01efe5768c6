# shellcheck shell=bash
# The local network's nickname service: anope linked to ngircd, answering in
# the German the lobby understands. Sourced by scripts/localnet.sh.
#
# Debian's German catalogue for anope leaves two of the three messages the
# lobby reacts to in English and writes "Du" with a capital D, so a catalogue
# of our own is built from it with those three messages replaced. Anope also
# needs the de_DE.UTF-8 locale, which is built into a folder of our own
# (LOCPATH) rather than installed on the machine. Both are built once into
# the cache folder and reused.

nickserv_program=$(command -v anope || echo /usr/sbin/anope)
# The nickname the demo's network knows as registered, and its password.
nickserv_demo_nick=Registered
nickserv_demo_password=demo

nickserv_debian_catalogue=/usr/share/anope/locale/de_DE/LC_MESSAGES/anope.mo

nickserv_available() {
  [ -x "$nickserv_program" ] && [ -f "$nickserv_debian_catalogue" ] && [ -f /usr/share/i18n/locales/de_DE ] &&
    command -v msgfmt >/dev/null && command -v localedef >/dev/null
}

# nickserv_prepare CACHE: the catalogue and the locale in CACHE; false when
# either cannot be built.
nickserv_prepare() {
  local cache=$1
  local mo=$cache/locale/de_DE/LC_MESSAGES/anope.mo
  if [ ! -f "$mo" ]; then
    mkdir -p "$(dirname "$mo")" || return 1
    {
      printf 'msgid ""\nmsgstr "Content-Type: text/plain; charset=UTF-8\\n"\n\n'
      printf 'msgid ""\n"This nickname is registered and protected.  If it is your\\n"\n'
      printf '"nick, type \002%%s%%s IDENTIFY \037password\037\002.  Otherwise,\\n"\n"please choose a different nick."\n'
      printf 'msgstr ""\n"Dieser Nickname ist registriert und gesch\303\274tzt. Wenn es dein Nickname ist,\\n"\n'
      printf '"gib \002%%s%%s IDENTIFY \037Passwort\037\002 ein. Sonst w\303\244hle bitte\\n"\n"einen anderen Nickname."\n\n'
      printf 'msgid "Password incorrect."\nmsgstr "Falsches Passwort."\n\n'
      printf 'msgid "Password accepted - you are now recognized."\nmsgstr "Passwort akzeptiert - du bist jetzt angemeldet."\n'
    } >"$cache/overrides.po" || return 1
    msgunfmt "$nickserv_debian_catalogue" >"$cache/debian.po" || return 1
    msgcat --use-first "$cache/overrides.po" "$cache/debian.po" | msgfmt -o "$mo.part" - || return 1
    mv "$mo.part" "$mo" || return 1
  fi
  if [ ! -d "$cache/locales/de_DE.UTF-8" ]; then
    mkdir -p "$cache/locales" || return 1
    # localedef warns (and exits non-zero) about harmless details of the
    # definitions; what counts is that the locale was written.
    localedef -i de_DE -f UTF-8 "$cache/locales/de_DE.UTF-8.part" 2>/dev/null
    [ -f "$cache/locales/de_DE.UTF-8.part/LC_CTYPE" ] || return 1
    mv "$cache/locales/de_DE.UTF-8.part" "$cache/locales/de_DE.UTF-8" || return 1
  fi
}

# nickserv_ngircd_block PASSWORD: ngircd's side of the link.
nickserv_ngircd_block() {
  printf '[Server]\nName = services.lobbyfind.local\nMyPassword = %s\nPeerPassword = %s\nServiceMask = *Serv\n' "$1" "$1"
}

# nickserv_write_conf DIR IRC_PORT PASSWORD: services.conf and its folders in DIR.
nickserv_write_conf() {
  local dir=$1 port=$2 password=$3
  mkdir -p "$dir/data" "$dir/logs"
  chmod 0777 "$dir" "$dir/data" "$dir/logs"
  : >"$dir/services.motd"
  cat >"$dir/services.conf" <<CONF
uplink { host = "127.0.0.1"; ipv6 = no; ssl = no; port = $port; password = "$password" }
serverinfo { name = "services.lobbyfind.local"; description = "lobbyfind local services"; pid = "$dir/data/services.pid"; motd = "$dir/services.motd" }
module { name = "ngircd" }
networkinfo { networkname = "lobbyfind"; nicklen = 30; userlen = 10; hostlen = 64; chanlen = 32; modelistsize = 100; vhost_chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-"; allow_undotted_vhosts = false; disallow_start_or_end = ".-" }
options { seed = $RANDOM; casemap = "ascii"; readtimeout = 5s; warningtimeout = 4h; timeoutcheck = 3s; retrywait = 5s; badpasslimit = 0; badpasstimeout = 1h; updatetimeout = 5m; expiretimeout = 30m; languages = "de_DE.UTF-8"; defaultlanguage = "de_DE.UTF-8" }
mail { usemail = no }
module { name = "db_flatfile"; database = "anope.db"; fork = no }
module { name = "enc_sha256" }
service { nick = "NickServ"; user = "services"; host = "services.lobbyfind.local"; gecos = "Nickname service" }
# No kill protection: a registered nickname that does not identify keeps it;
# the lobby asks for the password and logs out itself.
module { name = "nickserv"; client = "NickServ"; defaults = "ns_secure hide_email"; regdelay = 0s; expire = 0; guestnickprefix = "Guest"; passlen = 32 }
module { name = "ns_register"; registration = "none" }
command { service = "NickServ"; name = "REGISTER"; command = "nickserv/register"; }
module { name = "ns_identify" }
command { service = "NickServ"; name = "IDENTIFY"; command = "nickserv/identify"; }
# Without ns_set the ns_secure default above is silently ignored.
module { name = "ns_set" }
command { service = "NickServ"; name = "SET"; command = "nickserv/set"; }
module { name = "help" }
command { service = "NickServ"; name = "HELP"; command = "generic/help"; }
CONF
}

# nickserv_command DIR CACHE: sets nickserv_argv to the command that runs
# anope in the foreground; as root anope would warn and wait, so it runs as
# nobody then.
nickserv_command() {
  local dir=$1 cache=$2
  nickserv_argv=(env LOCPATH="$cache/locales")
  [ "$(id -u)" = 0 ] && nickserv_argv+=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  nickserv_argv+=("$nickserv_program" --nofork --confdir="$dir" --dbdir="$dir/data" --logdir="$dir/logs"
    --modulesdir=/usr/lib/anope --localedir="$cache/locale")
}

# nickserv_register_demo_nick IRC_PORT: registers the demo nickname through
# the chat server; true once the service confirmed it (within ten seconds).
nickserv_register_demo_nick() {
  local port=$1 line deadline=$((SECONDS + 10))
  while [ $SECONDS -lt $deadline ]; do
    if exec 5<>"/dev/tcp/127.0.0.1/$port"; then
      printf 'NICK %s\r\nUSER demo 0 * :demo\r\n' "$nickserv_demo_nick" >&5
      while IFS= read -r -t 3 line <&5; do
        case $line in
          *" 376 "* | *" 422 "*)
            printf 'PRIVMSG NickServ :REGISTER %s demo@lobbyfind.local\r\n' "$nickserv_demo_password" >&5 ;;
          *"NOTICE $nickserv_demo_nick :"*"registered"*)
            printf 'QUIT\r\n' >&5
            exec 5<&-
            return 0 ;;
        esac
      done
      exec 5<&-
    fi
    sleep 0.3
  done
  return 1
}
