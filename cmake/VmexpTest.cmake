# One Qt Test executable per folder of tests/, run headless by CTest.
# SIN_BD: the suite never opens a database, so it gets no twin on the server.
function(vmexp_add_test name)
  cmake_parse_arguments(T "SIN_BD" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  # The objects themselves, not the shared libraries: the tests reach internal classes.
  target_link_libraries(${name} PRIVATE vmexp_testfixture vmexp vdbglob vmcomponentes Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=es_ES.UTF-8;LC_ALL=C.UTF-8;VMEXP_DB_DIR=${PROJECT_SOURCE_DIR}/db"
    TIMEOUT 300)
  if(T_SIN_BD)
    return()
  endif()
  # The same suite on the PostgreSQL server of PGHOST/PGPORT (`make test` starts a
  # throwaway one); skipped when no server is named.
  add_test(NAME ${name}_servidor COMMAND ${name})
  set_tests_properties(${name}_servidor PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=es_ES.UTF-8;LC_ALL=C.UTF-8;VMEXP_DB_DIR=${PROJECT_SOURCE_DIR}/db;VMEXP_PRUEBAS_BD=postgres"
    SKIP_RETURN_CODE 77
    LABELS servidor
    TIMEOUT 600)
endfunction()
