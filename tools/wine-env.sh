# Sourced by the scripts: the Wine environment they all run in (the prefix
# inside the build folder, build/wine or build/$KELP_PREFIX; quiet; no menu
# entries written outside it), and the prefix made on first use.  Expects
# $here, the project folder.
export WINEPREFIX=$here/build/${KELP_PREFIX:-wine} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$here/tools/wine-prefix.sh"
