# Needs the SQL Server stand-in, which the test build makes.
if(TARGET wardcheck_standin)
  wardcheck_add_bench(bench_odbc SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_odbc.cpp LIBS wardcheck_medicine ${CMAKE_DL_LIBS})
  target_include_directories(bench_odbc PRIVATE ${WARDCHECK_STANDIN_HEADERS})
  target_compile_definitions(bench_odbc PRIVATE
      WARDCHECK_STANDIN_DRIVER="$<TARGET_FILE:wardcheck_standin>"
      WARDCHECK_STANDIN_NAME="${WARDCHECK_STANDIN_NAME}"
      WARDCHECK_ODBC_PLAIN="${WARDCHECK_STANDIN_ODBC_plain}"
      WARDCHECK_ODBC_POOLED="${WARDCHECK_STANDIN_ODBC_pooled}")
  add_dependencies(bench_odbc wardcheck_standin)
endif()
