# Applied to every target of the project: warnings are errors.
function(shmd_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# A shared library of the project, built from every source in its folder.
# Headers install under include/<name>/ so that users write "<name>/header.h";
# INTERNAL_HEADERS (file names in the folder) stay behind.
function(shmd_library name)
  cmake_parse_arguments(ARG "" "INCLUDE_ROOT" "DEPENDS;PRIVATE_DEPENDS;INTERNAL_HEADERS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} SHARED ${sources})
  add_library(vxshmd12u::${name} ALIAS ${name})
  shmd_warnings(${name})
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 12)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${ARG_INCLUDE_ROOT}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  install(TARGETS ${name} EXPORT ${SHMD_EXPORT}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(TRANSFORM ARG_INTERNAL_HEADERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(ARG_INTERNAL_HEADERS)
    list(REMOVE_ITEM headers ${ARG_INTERNAL_HEADERS})
  endif()
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
endfunction()
