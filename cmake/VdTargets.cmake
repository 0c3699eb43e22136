# Helpers that keep the per-directory build files short: sources are globbed,
# so adding a module is adding its files.

# Modules register what they contribute (picture formats, classes, script
# bindings) from static initialisers. An executable takes our own libraries
# whole, so the linker never drops such an object file for want of a
# reference; the ordinary link after it then resolves nothing twice.
function(vd_collect_static out)
  set(_seen ${${out}})
  foreach(d ${ARGN})
    if(TARGET ${d} AND d MATCHES "^vd_" AND NOT d IN_LIST _seen)
      list(APPEND _seen ${d})
      get_target_property(_sub ${d} INTERFACE_LINK_LIBRARIES)
      if(_sub)
        vd_collect_static(_seen ${_sub})
      endif()
    endif()
  endforeach()
  set(${out} ${_seen} PARENT_SCOPE)
endfunction()

function(vd_link_whole target)
  set(_all "")
  vd_collect_static(_all ${ARGN})
  set(_files "")
  foreach(d ${_all})
    get_target_property(_type ${d} TYPE)
    if(_type STREQUAL "STATIC_LIBRARY")
      list(APPEND _files "$<TARGET_FILE:${d}>")
    endif()
  endforeach()
  if(_files)
    target_link_options(${target} PRIVATE "LINKER:--whole-archive" ${_files} "LINKER:--no-whole-archive")
  endif()
  target_link_libraries(${target} PRIVATE ${ARGN})
endfunction()

set(VD_PCH_HEADER ${CMAKE_SOURCE_DIR}/cmake/vd_pch.h)

# One precompiled header for all libraries and one for all test executables
# (those compile as position-independent executables, so they cannot share
# the libraries'): the first target of a kind builds it, the others reuse it.
# A header per target cost a full parse of the Qt headers each.
function(vd_use_pch target owner_property)
  if(NOT VD_PCH)
    return()
  endif()
  get_property(_owner GLOBAL PROPERTY ${owner_property})
  # Targets in VD_PCH_SEPARATE have flags of their own (another library adds
  # -pthread, say) that make the shared header unusable: each builds one.
  if(target IN_LIST VD_PCH_SEPARATE)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  elseif(_owner)
    target_precompile_headers(${target} REUSE_FROM ${_owner})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGN})
    set_property(GLOBAL PROPERTY ${owner_property} ${target})
  endif()
endfunction()

set(VD_ALL_LIBRARIES "" CACHE INTERNAL "")

function(vd_add_library name dir)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h ${CMAKE_SOURCE_DIR}/${dir}/*.qrc)
  set(_deps ${ARGN})
  set(_have_lib FALSE)
  foreach(f ${_src})
    if(f MATCHES "\\.cpp$")
      set(_have_lib TRUE)
    endif()
  endforeach()
  if(NOT _have_lib)
    # Nothing built here yet: an interface target keeps the layering declarable.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${_deps})
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    return()
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${_deps})
  vd_use_pch(${name} VD_PCH_LIBRARY_OWNER ${VD_PCH_HEADER})
  set(VD_ALL_LIBRARIES ${VD_ALL_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()


# One GoogleTest executable per subsystem: tests/<dir>/*.cpp -> test_<name>.
function(vd_add_test name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(test_${name} ${_src} ${CMAKE_CURRENT_SOURCE_DIR}/common/test_main.cpp)
  vd_link_whole(test_${name} ${ARGN})
  target_link_libraries(test_${name} PRIVATE vd_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(test_${name} PRIVATE
    VD_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    VD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  vd_use_pch(test_${name} VD_PCH_TEST_OWNER ${VD_PCH_HEADER} <gtest/gtest.h>)
  # VD_TEST_LABELS_<name>, when set, labels every test of the executable.
  set(_labels "")
  if(DEFINED VD_TEST_LABELS_${name})
    set(_labels LABELS "${VD_TEST_LABELS_${name}}")
  endif()
  # The platform and locale are set by test_main: a list-valued ENVIRONMENT here
  # would be split at its ";" into bogus properties.
  gtest_discover_tests(test_${name}
    PROPERTIES ${_labels} TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
endfunction()
