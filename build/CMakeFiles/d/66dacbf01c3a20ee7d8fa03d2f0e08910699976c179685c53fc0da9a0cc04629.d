app/wardcheck_autogen/timestamp: \
  /work/main/app/CMakeLists.txt \
  /work/main/app/main.cpp \
  /usr/bin/cmake
