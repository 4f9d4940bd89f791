# cmake -DBUILD_DIR=... -DMUST_BUILD=a;b -DMUST_FAIL=c;d -P expect.cmake
foreach(target IN LISTS MUST_BUILD)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${target} should build and does not")
  endif()
endforeach()
foreach(target IN LISTS MUST_FAIL)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(rc EQUAL 0)
    message(FATAL_ERROR "${target} builds: that library can reach the window system")
  endif()
  message(STATUS "${target} does not build, as it must not")
endforeach()
