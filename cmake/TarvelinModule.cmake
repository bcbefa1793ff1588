# One library per source folder; the folder's .cpp files are picked up as they appear
# (with RECURSE, those of its sub-folders too: a folder split by concern stays one library).
# The host's libraries (core, host, layout) are shared: the front ends and the plug-in
# module must see one copy of their process-wide state (diagnostics, import log, alerts,
# language). The plug-in's own libraries are static and end up inside the module.
function(tarvelin_module name)
  cmake_parse_arguments(ARG "SHARED;RECURSE" "" "DEPS" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  else()
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(_sources)
    if(ARG_SHARED)
      add_library(tarvelin_${name} SHARED ${_sources})
      set_target_properties(tarvelin_${name} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
    else()
      add_library(tarvelin_${name} STATIC ${_sources})
    endif()
    target_include_directories(tarvelin_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tarvelin_${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder whose issue has not landed yet.
    add_library(tarvelin_${name} INTERFACE)
    target_include_directories(tarvelin_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tarvelin_${name} INTERFACE ${ARG_DEPS})
  endif()
  add_library(tarvelin::${name} ALIAS tarvelin_${name})
endfunction()
