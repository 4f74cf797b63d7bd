# The Wine programs every script runs: the 64-bit loader and its server (the
# only Wine these machines can start). Sourced; change them here only.
VK_WINE=${VK_WINE:-/usr/lib/wine/wine64}
VK_WINESERVER=${VK_WINESERVER:-/usr/lib/wine/wineserver64}
