# Turns one OpenCL C source file into a header that holds its text as a
# constant, so the kernels are built from the exact file kept in the tree.
# Usage: cmake -DINPUT=x.cl -DOUTPUT=x.h -DNAME=kConstant -P EmbedKernel.cmake
foreach(var INPUT OUTPUT NAME)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedKernel.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${INPUT}" text)
set(delimiter "nelvo_cl")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string delimiter )${delimiter}\"")
endif()
get_filename_component(source_name "${INPUT}" NAME)

set(header "// Generated from ${source_name} at build time; edit that file instead.\n")
string(APPEND header "#pragma once\n\n")
string(APPEND header "namespace nelvo::opencl::kernels {\n\n")
string(APPEND header "inline constexpr char ${NAME}[] = R\"${delimiter}(${text})${delimiter}\";\n\n")
string(APPEND header "}  // namespace nelvo::opencl::kernels\n")

# Rewrite only on change, so that dependants are not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL header)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${header}")
