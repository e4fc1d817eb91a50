# quillaro_add_test(NAME name SOURCES files... LIBS targets...)
# One Qt Test executable, registered with CTest and run by tests/isolate.sh, which gives it a
# fresh QUILLARO_HOME, XDG folders and HOME, the offscreen platform and harmless command stand-ins.
function(quillaro_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE quillaro_strict quillaro_testsupport Qt6::Test ${T_LIBS})
  add_test(NAME ${T_NAME}
           COMMAND ${CMAKE_SOURCE_DIR}/tests/isolate.sh $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
