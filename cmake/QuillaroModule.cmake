# quillaro_add_module(NAME name SOURCES files... LIBS targets...)
# A module of the program (libquillaro_NAME.so), loaded when first used. It is built into the
# build's module folder, where the program and the tests find it, and installed beside the
# program (lib/quillaro below the prefix). Only its entry points are visible.
set(QUILLARO_MODULE_DIR "${CMAKE_BINARY_DIR}/lib/quillaro")
function(quillaro_add_module)
  cmake_parse_arguments(M "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_library(quillaro_${M_NAME} MODULE ${M_SOURCES})
  set_target_properties(quillaro_${M_NAME} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${QUILLARO_MODULE_DIR}"
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(quillaro_${M_NAME} PRIVATE quillaro_strict ${M_LIBS})
  target_link_options(quillaro_${M_NAME} PRIVATE -Wl,--no-undefined)
  install(TARGETS quillaro_${M_NAME} LIBRARY DESTINATION lib/quillaro)
endfunction()

# quillaro_add_program_module(NAME name OBJECTS_OF libraries... LIBS targets...)
# A module made of the objects of the program's own libraries: the names it uses of the core
# are the program's (which shows them), never copies of its own, so that the core's globals
# exist once.
function(quillaro_add_program_module)
  cmake_parse_arguments(M "" "NAME" "OBJECTS_OF;LIBS" ${ARGN})
  set(objects)
  foreach(library IN LISTS M_OBJECTS_OF)
    list(APPEND objects $<TARGET_OBJECTS:${library}>)
  endforeach()
  add_library(quillaro_${M_NAME} MODULE ${objects})
  set_target_properties(quillaro_${M_NAME} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${QUILLARO_MODULE_DIR}" LINKER_LANGUAGE CXX)
  target_link_libraries(quillaro_${M_NAME} PRIVATE ${M_LIBS})
  install(TARGETS quillaro_${M_NAME} LIBRARY DESTINATION lib/quillaro)
endfunction()
