wardcheck_add_bench(bench_odbc SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_odbc.cpp LIBS wardcheck_medicine wardcheck::standin)
if(TARGET wardcheck_tds_standin_process)
  # The same scans through the real FreeTDS driver to the TDS stand-in server.
  string(REPLACE ";" "|" freetds_env "${WARDCHECK_FREETDS_ENV}")
  target_link_libraries(bench_odbc PRIVATE wardcheck_tds_standin_process)
  target_compile_definitions(bench_odbc PRIVATE "WARDCHECK_FREETDS_ENV=\"${freetds_env}\"")
endif()
