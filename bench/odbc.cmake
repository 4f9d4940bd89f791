wardcheck_add_bench(bench_odbc SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_odbc.cpp LIBS wardcheck_medicine wardcheck::standin)
