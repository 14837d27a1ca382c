#!/bin/sh
# Compiles the user guide into dorvane.chm: compile-chm.sh <guide folder> <output chm> <staging folder>
#
# chmcmd 3.2.2 writes every entry of the context map as the project folder's
# absolute path followed by the page name, while it stores the pages themselves
# relative to the project. HTML Help looks a context id's page up inside the
# CHM by that path, so the project is compiled with its staging folder as the
# root directory (a private mount namespace with /usr bound in), which makes
# both "/page.html".
#
# chmcmd also leaves one uninitialised byte in the keyword index's map, which
# with address-space randomisation differs from run to run; run without it
# (setarch -R) the byte is the same on every build, so the CHM is reproducible.
set -eu
guide=$1 out=$2 stage=$3
chmcmd=$(command -v chmcmd)
chmcmd=$(readlink -f "$chmcmd")
chroot=$(command -v chroot || echo /usr/sbin/chroot)

rm -rf "$stage"
mkdir -p "$stage/usr"
for f in "$guide"/*.html "$guide"/*.css "$guide"/*.png "$guide"/*.hhp "$guide"/*.hhc "$guide"/*.hhk; do
  cp "$f" "$stage/"
done
for d in bin lib lib64; do ln -s "usr/$d" "$stage/$d"; done

if ! unshare -r -m sh -c "mount --rbind /usr '$stage/usr' && cd '$stage' && exec setarch -R '$chroot' '$stage' '$chmcmd' /dorvane.hhp" >"$stage.log" 2>&1; then
  cat "$stage.log" >&2
  echo "compile-chm.sh: chmcmd could not run with the guide as its root folder (unshare -r -m)" >&2
  exit 1
fi
grep -q '^Writing CHM' "$stage.log" || { cat "$stage.log" >&2; exit 1; }
cp "$stage/dorvane.chm" "$out"
