# One direction of dependency: the outside components (backends/) and the libraries
# (Source/) never see the program (cutter/). kez_check_layers() lists, for every target
# those folders define, the include directories it compiles with (with what everything it
# links brings), and registers the test include_layers (cmake/CheckLayers.cmake), which
# fails when one of them is the program's folder, lies inside it or holds it (so that
# "cutter/..." would resolve), or when a source under backends/ or Source/ names "cutter/".

function(kez_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    kez_collect_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(kez_check_layers)
  set(targets)
  foreach(part backends Source)
    if(EXISTS ${CMAKE_SOURCE_DIR}/${part}/CMakeLists.txt)
      kez_collect_targets(${CMAKE_SOURCE_DIR}/${part} found)
      list(APPEND targets ${found})
    endif()
  endforeach()
  set(lines)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      set(prop INTERFACE_INCLUDE_DIRECTORIES)
    elseif(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      set(prop INCLUDE_DIRECTORIES)
    else()
      continue()
    endif()
    string(APPEND lines "${t}=$<JOIN:$<TARGET_PROPERTY:${t},${prop}>,|>\n")
  endforeach()
  set(list_file ${CMAKE_BINARY_DIR}/include-layers-$<CONFIG>.txt)
  file(GENERATE OUTPUT ${list_file} CONTENT "${lines}")
  if(BUILD_TESTING)
    add_test(NAME include_layers
             COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBINARY_DIR=${CMAKE_BINARY_DIR}
                     -DLIST_FILE=${list_file} -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake)
  endif()
endfunction()
