# Helpers that keep the per-directory build files short: sources are globbed,
# so adding a module is adding its files.

set(VD_PCH_HEADER ${CMAKE_SOURCE_DIR}/cmake/vd_pch.h)
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
  if(VD_PCH)
    target_precompile_headers(${name} PRIVATE ${VD_PCH_HEADER})
  endif()
  set(VD_ALL_LIBRARIES ${VD_ALL_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

# One GoogleTest executable per subsystem: tests/<dir>/*.cpp -> test_<name>.
function(vd_add_test name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(test_${name} ${_src} ${CMAKE_CURRENT_SOURCE_DIR}/common/test_main.cpp)
  target_link_libraries(test_${name} PRIVATE ${ARGN} vd_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(test_${name} PRIVATE
    VD_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    VD_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(VD_PCH)
    target_precompile_headers(test_${name} PRIVATE ${VD_PCH_HEADER} <gtest/gtest.h>)
  endif()
  gtest_discover_tests(test_${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8" TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
endfunction()
