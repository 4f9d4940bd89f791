wardcheck_add_bench(bench_wristband SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_wristband.cpp LIBS wardcheck_wristband)
target_compile_definitions(bench_wristband PRIVATE
    WRISTBAND_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}"
    WRISTBAND_MAKEDEMODB="$<TARGET_FILE:makedemodb>")
add_dependencies(bench_wristband makedemodb)
