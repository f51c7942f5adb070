# Shared settings of the Wine harness; sourced by the harness scripts.
# ORVANE_HARNESS_DIR is the harness's folder inside the build tree.
: "${ORVANE_HARNESS_DIR:?ORVANE_HARNESS_DIR must name the harness folder}"
export WINEPREFIX="$ORVANE_HARNESS_DIR/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko installation prompts. Wine prefers its own builds of the
# libraries the launcher loads at run time even when a program's folder holds
# a copy; Windows takes the copy (none of them is a known DLL), so the
# harness makes Wine do the same, and a planted DLL is a real threat here too.
export WINEDLLOVERRIDES="mscoree,mshtml=;version,riched32,wininet,shfolder=n,b"
export WINEARCH=win64
unset WINESERVER
