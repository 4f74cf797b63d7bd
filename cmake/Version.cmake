# The one place the product's version and copyright are written. Both
# programs' version resources take them from the generated header
# VaultkeepVersion.h (target vk_version); the installer reads the same
# variables (VK_VERSION, VK_VERSION_MAJOR/MINOR/BUILD, VK_COPYRIGHT).
#
# VK_VERSION is "major.minor.build" exactly as the version window shows it;
# the service's update check takes major and minor from the same string.
set(VK_VERSION "1.41.0508")
set(VK_COMPANY "CORVANE")
set(VK_PRODUCT "Vaultkeep")
set(VK_COPYRIGHT "Copyright (C) 2017 CORVANE. All rights reserved.")

if(NOT VK_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VK_VERSION must read major.minor.build, not '${VK_VERSION}'")
endif()
# The numbers of the fixed version fields ("0508" is build 508).
math(EXPR VK_VERSION_MAJOR "${CMAKE_MATCH_1}")
math(EXPR VK_VERSION_MINOR "${CMAKE_MATCH_2}")
math(EXPR VK_VERSION_BUILD "${CMAKE_MATCH_3}")
foreach(part MAJOR MINOR BUILD)
  if(VK_VERSION_${part} GREATER 65535)
    message(FATAL_ERROR "Each part of VK_VERSION must fit a version field (0..65535)")
  endif()
endforeach()

set(VK_VERSION_INCLUDE ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/VaultkeepVersion.h.in
               ${VK_VERSION_INCLUDE}/VaultkeepVersion.h @ONLY)
add_library(vk_version INTERFACE)
target_include_directories(vk_version INTERFACE ${VK_VERSION_INCLUDE})
