# cmake -DDIR=<this folder> -DSTAMP=<file> -P includes.cmake
# Fails when a file of the stand-in includes, in quotes, anything but a
# header of its own folder: the stand-in knows nothing of the program it
# serves. (Its targets have no include path into the program either, so an
# include in angle brackets cannot reach a program header.)
file(GLOB files ${DIR}/*.cpp ${DIR}/*.h)
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" name "${line}")
    if(name MATCHES "[/\\\\]" OR NOT EXISTS ${DIR}/${name})
      message(FATAL_ERROR "${file}: #include \"${name}\": the SQL Server stand-in includes only its own headers")
    endif()
  endforeach()
endforeach()
file(TOUCH ${STAMP})
