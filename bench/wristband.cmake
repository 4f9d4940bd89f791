wardcheck_add_bench(bench_wristband SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_wristband.cpp LIBS wardcheck_wristband)
