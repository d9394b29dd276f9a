# SPDX-License-Identifier: MIT
# Settings of the Windows build. Programs and the module carry their C and C++
# runtimes inside, so that they need nothing beside them but system DLLs.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)

# Header-only libraries come from the build machine's Debian packages; their
# folders hold nothing but headers, so no Linux library can leak in.
find_path(NELVO_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(NELVO_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
  REQUIRED)
find_path(NELVO_OPENCL_INCLUDE CL/cl.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
foreach(header_only CLI11:${NELVO_CLI11_INCLUDE}/CLI nlohmann:${NELVO_JSON_INCLUDE}/nlohmann
        OpenCL:${NELVO_OPENCL_INCLUDE}/CL)
  string(REPLACE ":" ";" parts ${header_only})
  list(GET parts 0 name)
  list(GET parts 1 folder)
  set(copy ${CMAKE_BINARY_DIR}/header-only/${name})
  get_filename_component(leaf ${folder} NAME)
  file(COPY ${folder} DESTINATION ${copy})
  add_library(nelvo_headers_${name} INTERFACE)
  target_include_directories(nelvo_headers_${name} SYSTEM INTERFACE ${copy})
endforeach()
add_library(CLI11::CLI11 ALIAS nelvo_headers_CLI11)
add_library(nlohmann_json::nlohmann_json ALIAS nelvo_headers_nlohmann)
# libxml2 as the static library of scripts/build-windows-deps.sh: its headers
# must not mark the functions as imported from a DLL.
find_package(LibXml2 REQUIRED)
set_property(TARGET LibXml2::LibXml2 APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBXML_STATIC)

# OpenCL is loaded at run time (engine/opencl/OpenClLibrary*): headers only.
add_library(OpenCL::Headers ALIAS nelvo_headers_OpenCL)
target_compile_definitions(nelvo_headers_OpenCL INTERFACE CL_TARGET_OPENCL_VERSION=120)
