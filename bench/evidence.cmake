if(TARGET tst_model_medicine AND TARGET tst_model_extraction AND TARGET tst_faults AND TARGET tst_load)
  wardcheck_add_bench(evidence SOURCES evidence.cpp LIBS Qt6::Core)
  include(${PROJECT_SOURCE_DIR}/tests/fuzz/sanitizer-options.cmake)
  target_compile_definitions(evidence PRIVATE
      WARDCHECK_MODEL_MEDICINE="$<TARGET_FILE:tst_model_medicine>"
      WARDCHECK_MODEL_EXTRACTION="$<TARGET_FILE:tst_model_extraction>"
      WARDCHECK_FAULTS="$<TARGET_FILE:tst_faults>"
      WARDCHECK_LOAD="$<TARGET_FILE:tst_load>"
      WARDCHECK_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/tests/fuzz/corpus"
      WARDCHECK_FUZZ_ASAN_OPTIONS="${WARDCHECK_FUZZ_ASAN_OPTIONS}"
      WARDCHECK_STANDIN_ODBC="${WARDCHECK_STANDIN_ODBC_plain}"
      WARDCHECK_STANDIN_DRIVER="$<TARGET_FILE:wardcheck_standin>"
      WARDCHECK_STANDIN_NAME="${WARDCHECK_STANDIN_NAME}")
  add_dependencies(evidence tst_model_medicine tst_model_extraction tst_faults tst_load wardcheck_standin)
endif()
