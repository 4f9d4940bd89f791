wardcheck_add_bench(bench_medicine SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_medicine.cpp LIBS wardcheck_medicine)
