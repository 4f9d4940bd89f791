resources/wardcheck_resources_autogen/timestamp: \
  /usr/lib/x86_64-linux-gnu/cmake/Qt6Core/Qt6CoreConfigureFileTemplate.in \
  /work/main/resources/CMakeLists.txt \
  /work/main/resources/icons.cpp \
  /work/main/resources/icons.h \
  /usr/bin/cmake
