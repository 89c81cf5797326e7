# One static library per subsystem folder, made of the folder's sources.
#
#   ardel_subsystem(<name> <public library>...
#                   [PRIVATE <library>...]
#                   [PRIVATE_INCLUDE_DIRS <folder>...]
#                   [EXCLUDE <file name>...])
#
# The libraries named first are public (the folder's headers use them);
# EXCLUDE leaves files of the folder out of the library (a program's main).
function(ardel_subsystem name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PRIVATE;PRIVATE_INCLUDE_DIRS;EXCLUDE")
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(excluded ${arg_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} PRIVATE ${arg_PRIVATE_INCLUDE_DIRS})
    target_link_libraries(${name} PUBLIC ${arg_UNPARSED_ARGUMENTS} PRIVATE ${arg_PRIVATE})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${arg_UNPARSED_ARGUMENTS})
  endif()
endfunction()
