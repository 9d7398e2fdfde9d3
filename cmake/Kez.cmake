# Small helpers shared by every part of the build.

# Adds a folder when it holds a CMakeLists.txt, so parts can land one at a time.
macro(kez_add_part dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()

# kez_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [GUI] [LABELS l ...] [TIMEOUT s])
# One test executable, registered with CTest as one test. Every test gets its own
# registry folder and temporary folder under the build tree, so no test touches a
# user's settings.
function(kez_add_test)
  cmake_parse_arguments(T "GUI;NO_GTEST_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  # A test whose sources are still being written is left out with a warning, so one
  # unfinished folder does not stop everyone else's configure.
  foreach(src IN LISTS T_SOURCES)
    if(NOT IS_ABSOLUTE ${src})
      set(src ${CMAKE_CURRENT_SOURCE_DIR}/${src})
    endif()
    if(NOT EXISTS ${src})
      message(WARNING "test ${T_NAME} left out: ${src} does not exist")
      return()
    endif()
  endforeach()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_NO_GTEST_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${T_NAME})
  set(env
    "PLATFORM_REGISTRY_DIR=${scratch}/registry"
    "TMPDIR=${scratch}/tmp"
    "KEZ_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    "KEZ_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "HOME=${scratch}/home"
    "XDG_CONFIG_HOME=${scratch}/home/.config"
    "XDG_RUNTIME_DIR=${scratch}/run")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT}
                       LABELS "${T_LABELS}")
  file(MAKE_DIRECTORY ${scratch}/registry ${scratch}/tmp ${scratch}/home/.config ${scratch}/run)
endfunction()

# kez_add_fuzzer(NAME name SOURCES ... LIBS ...): built only with -DKEZ_FUZZ=ON.
function(kez_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(KEZ_FUZZ)
    add_executable(${F_NAME} ${F_SOURCES})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()

# kez_add_interface(Component [deps ...]): what an outside component publishes, the headers
# under its folder's include/Component/ (identifiers and interface declarations, as a type
# library holds them), as the target Component_interface. The module builds against it, and
# so does every client that creates the component; neither sees the other's folders.
function(kez_add_interface name)
  add_library(${name}_interface INTERFACE)
  target_include_directories(${name}_interface INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name}_interface INTERFACE platform ${ARGN})
endfunction()
