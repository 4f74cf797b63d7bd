# The product's version: the one place it is set. The programs' version
# resources (through the generated app/Version.h) and the installer take it
# from here.
set(VK_VERSION_MAJOR 1)
set(VK_VERSION_MINOR 41)
set(VK_VERSION_BUILD 508)

# The text form "1.41.0508": the minor with at least two digits (a version
# is shown as 1.05, not 1.5) and the build with four.
function(vk_zero_pad value width out)
  string(LENGTH "${value}" length)
  while(length LESS width)
    string(PREPEND value "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
vk_zero_pad(${VK_VERSION_MINOR} 2 vk_minor_text)
vk_zero_pad(${VK_VERSION_BUILD} 4 vk_build_text)
set(VK_VERSION_TEXT "${VK_VERSION_MAJOR}.${vk_minor_text}.${vk_build_text}")

set(VK_VERSION_INCLUDE ${CMAKE_BINARY_DIR}/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${VK_VERSION_INCLUDE}/app/Version.h @ONLY)
# Linking vk_version gives a target (and its .rc files) the header.
add_library(vk_version INTERFACE)
target_include_directories(vk_version INTERFACE ${VK_VERSION_INCLUDE})
