resources/wardcheck_resources_resources_1_autogen/timestamp: \
  /usr/lib/x86_64-linux-gnu/cmake/Qt6Core/Qt6CoreConfigureFileTemplate.in \
  /work/main/resources/CMakeLists.txt \
  /usr/bin/cmake
