# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "Debug")
  file(REMOVE_RECURSE
  "app/CMakeFiles/wardcheck_app_autogen.dir/AutogenUsed.txt"
  "app/CMakeFiles/wardcheck_app_autogen.dir/ParseCache.txt"
  "app/CMakeFiles/wardcheck_autogen.dir/AutogenUsed.txt"
  "app/CMakeFiles/wardcheck_autogen.dir/ParseCache.txt"
  "app/wardcheck_app_autogen"
  "app/wardcheck_autogen"
  "extraction/CMakeFiles/wardcheck_extraction_autogen.dir/AutogenUsed.txt"
  "extraction/CMakeFiles/wardcheck_extraction_autogen.dir/ParseCache.txt"
  "extraction/wardcheck_extraction_autogen"
  "medicine/CMakeFiles/wardcheck_medicine_autogen.dir/AutogenUsed.txt"
  "medicine/CMakeFiles/wardcheck_medicine_autogen.dir/ParseCache.txt"
  "medicine/wardcheck_medicine_autogen"
  "resources/CMakeFiles/wardcheck_resources_autogen.dir/AutogenUsed.txt"
  "resources/CMakeFiles/wardcheck_resources_autogen.dir/ParseCache.txt"
  "resources/CMakeFiles/wardcheck_resources_resources_1_autogen.dir/AutogenUsed.txt"
  "resources/CMakeFiles/wardcheck_resources_resources_1_autogen.dir/ParseCache.txt"
  "resources/wardcheck_resources_autogen"
  "resources/wardcheck_resources_resources_1_autogen"
  "services/CMakeFiles/wardcheck_services_autogen.dir/AutogenUsed.txt"
  "services/CMakeFiles/wardcheck_services_autogen.dir/ParseCache.txt"
  "services/wardcheck_services_autogen"
  "wristband/CMakeFiles/wardcheck_wristband_autogen.dir/AutogenUsed.txt"
  "wristband/CMakeFiles/wardcheck_wristband_autogen.dir/ParseCache.txt"
  "wristband/wardcheck_wristband_autogen"
  )
endif()
