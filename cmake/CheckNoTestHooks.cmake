# Run after a release program is linked: fails the build when the program
# carries the name of the test build's registry key (UTF-16 in the image),
# i.e. when a test hook has found its way into a release build.
#   cmake -DPROGRAM=<exe> -DNEEDLE=<text> -P CheckNoTestHooks.cmake
file(READ "${PROGRAM}" image HEX)
set(utf16 "")
string(LENGTH "${NEEDLE}" n)
math(EXPR last "${n} - 1")
foreach(i RANGE ${last})
  string(SUBSTRING "${NEEDLE}" ${i} 1 ch)
  string(HEX "${ch}" hex)
  string(APPEND utf16 "${hex}00")
endforeach()
string(TOLOWER "${utf16}" utf16)
string(FIND "${image}" "${utf16}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} contains the test hook name '${NEEDLE}'")
endif()
