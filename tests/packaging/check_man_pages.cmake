# Formats each page under MAN_DIR with groff and fails on any warning.
find_program(GROFF groff REQUIRED)
file(GLOB_RECURSE pages ${MAN_DIR}/*.1)
list(LENGTH pages count)
if(count LESS 4)
  message(FATAL_ERROR "only ${count} man pages under ${MAN_DIR}")
endif()
foreach(page ${pages})
  execute_process(COMMAND ${GROFF} -k -man -Tutf8 -ww -z ${page}
    RESULT_VARIABLE rc ERROR_VARIABLE warnings)
  if(NOT rc EQUAL 0 OR warnings)
    message(SEND_ERROR "${page}:\n${warnings}")
  endif()
endforeach()
