#!/usr/bin/env bash
# Sets up a public relay of online rooms and the web page on a fresh Debian machine, given its host
# name and a certificate for it: Mosquitto with relay/'s configuration and TLS on both listeners
# (MQTT over TLS on 8883 for the native game, WebSocket on 8884), run by systemd as
# lobshot-relay.service; nginx serving the page (build-web/site/, or SITE) on https://HOST/ and
# passing the page's WebSocket to the broker on the same origin; the firewall's limits per address
# (scripts/relay-limits.sh) in front of ports 443, 8883 and 8884. Players then give the native game
# the relay mqtts://HOST:8883 and open the page at https://HOST/. Running it again with a renewed
# certificate puts the new one in place and has both servers read it, rooms going on. Needs root.
# A relay of several brokers is several such machines, each set up by this under a name of its own;
# players are then given the list of them all, in one order (README, net/relay_address.h).
#
# Usage: scripts/deploy-relay.sh HOST CERTIFICATE KEY [SITE]
#        scripts/deploy-relay.sh --stage DIR HOST CERTIFICATE KEY [SITE]
#   CERTIFICATE  the certificate for HOST with its chain (Let's Encrypt's fullchain.pem), KEY its key
#   --stage DIR  writes every file under DIR instead of /, installs and starts nothing (the tests
#                start the servers themselves from what it wrote)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: $0 [--stage DIR] HOST CERTIFICATE KEY [SITE]" >&2; exit 2; }
fail() { echo "$0: $*" >&2; exit 1; }

root=""
if [ "${1:-}" = --stage ]; then
  [ $# -ge 2 ] || usage
  root=$(realpath -m "$2")
  shift 2
fi
[ $# -ge 3 ] && [ $# -le 4 ] || usage
host=$1 certificate=$2 key=$3 site=${4:-$source_dir/build-web/site}
mqtt_port=8883 websocket_port=8884

# Everything is checked before anything is changed.
[[ $host =~ ^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$ ]] ||
  fail "\"$host\" is not a host name"
[ -r "$certificate" ] && [ -r "$key" ] || fail "cannot read $certificate and $key"
[ -f "$site/index.html" ] || fail "no page in $site: build it first (scripts/web.sh --no-serve)"
openssl x509 -in "$certificate" -noout -checkhost "$host" 2>/dev/null | grep -q "does match" ||
  fail "the certificate $certificate is not for $host"
[ "$(openssl x509 -in "$certificate" -noout -pubkey)" = "$(openssl pkey -in "$key" -pubout)" ] ||
  fail "the key $key is not the certificate's"
if [ -z "$root" ]; then
  [ "$(id -u)" -eq 0 ] || fail "needs root"
  "$source_dir/scripts/install-deps.sh" mosquitto nginx libnginx-mod-http-brotli-static \
    libnginx-mod-http-brotli-filter nftables
fi

# The broker's files: relay/'s configuration, with the certificate on both listeners (the broker
# reads them as its own user), no topic aliases (every message names its topic, which the limit on
# bytes a second then bounds in messages), and the firewall's limits, which systemd puts up first.
etc=$root/etc/lobshot-relay
install -d "$etc/tls"
install -m 644 "$certificate" "$etc/tls/certificate.pem"
install -m 640 "$key" "$etc/tls/key.pem"
[ -n "$root" ] || chgrp mosquitto "$etc/tls/key.pem"
install -m 644 "$source_dir/relay/acl" "$etc/acl"
install -m 755 "$source_dir/scripts/relay-limits.sh" "$etc/relay-limits.sh"
tls="certfile $etc/tls/certificate.pem\nkeyfile $etc/tls/key.pem\ntls_version tlsv1.2\nmax_topic_alias 0"
sed -e "s|@PORT@|$mqtt_port|g" -e "s|@WEBSOCKET_PORT@|$websocket_port|g" -e "s| @ADDRESS@||g" \
    -e "s|@RELAY_DIR@|$etc|g" -e "/^listener /a $tls" "$source_dir/relay/mosquitto.conf" >"$etc/mosquitto.conf"
install -D -m 644 "$source_dir/relay/deploy/lobshot-relay.service" \
  "$root/etc/systemd/system/lobshot-relay.service"

# The page and the web server's site.
www=$root/var/www/lobshot
install -d "$(dirname "$www")"
rm -rf "$www.new"
cp -r "$site" "$www.new"
rm -rf "$www"
mv "$www.new" "$www"
install -d "$root/etc/nginx/sites-available" "$root/etc/nginx/sites-enabled"
sed -e "s|@HOST@|$host|g" -e "s|@CERT@|$etc/tls/certificate.pem|g" -e "s|@KEY@|$etc/tls/key.pem|g" \
    -e "s|@SITE@|$www|g" -e "s|@WEBSOCKET_PORT@|$websocket_port|g" \
    "$source_dir/relay/deploy/nginx-site.conf" >"$root/etc/nginx/sites-available/lobshot"
ln -sf ../sites-available/lobshot "$root/etc/nginx/sites-enabled/lobshot"
[ -n "$root" ] && exit 0

# Debian's own broker and welcome page give way to these.
rm -f /etc/nginx/sites-enabled/default
systemctl disable --now mosquitto 2>/dev/null || true
systemctl daemon-reload
# Started if it is not running; if it is, its rooms go on and it reads the certificate again (a
# change of its configuration takes `systemctl restart lobshot-relay`, which ends the rooms).
systemctl enable --now lobshot-relay
systemctl reload lobshot-relay
nginx -t -q
systemctl enable nginx
systemctl reload-or-restart nginx
echo "The relay is up: the native game's relay is mqtts://$host:$mqtt_port, the page is https://$host/"
