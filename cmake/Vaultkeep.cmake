# Shared build settings for every Vaultkeep target.

set(VK_WARNINGS -Wall -Wextra)
if(VK_WERROR)
  list(APPEND VK_WARNINGS -Werror)
endif()

# vk_library(name SOURCES...) — one static library per subsystem folder.
function(vk_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${VK_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# vk_executable(name [GUI] SOURCES...) — a program or tool.
function(vk_executable name)
  cmake_parse_arguments(arg "GUI" "" "" ${ARGN})
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE ${VK_WARNINGS})
  target_link_options(${name} PRIVATE -municode)
  if(arg_GUI)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()

# The Wine volume letters P..W are handed out one per test executable, so that
# executables running side by side never share a target volume.
set(VK_TEST_LETTERS P Q R S T U V W)
set_property(GLOBAL PROPERTY VK_NEXT_LETTER 0)

# vk_volume_test_properties(test) — gives a registered test the next scratch
# volume letter (and its lock) and the build folder, as Windows programs
# started by it expect them.
function(vk_volume_test_properties name)
  get_property(i GLOBAL PROPERTY VK_NEXT_LETTER)
  list(LENGTH VK_TEST_LETTERS n)
  math(EXPR slot "${i} % ${n}")
  list(GET VK_TEST_LETTERS ${slot} letter)
  math(EXPR i "${i} + 1")
  set_property(GLOBAL PROPERTY VK_NEXT_LETTER ${i})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "VAULTKEEP_BUILD_DIR=${CMAKE_BINARY_DIR};VAULTKEEP_TEST_VOLUME=${letter}"
    RESOURCE_LOCK "volume_${letter}"
    TIMEOUT 600)
endfunction()

# vk_test(name LIBS... SOURCES...) — a GoogleTest executable run under Wine.
function(vk_test name)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_compile_options(${name} PRIVATE ${VK_WARNINGS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} vk_testsupport)
  add_test(NAME ${name} COMMAND ${name})
  vk_volume_test_properties(${name})
endfunction()
