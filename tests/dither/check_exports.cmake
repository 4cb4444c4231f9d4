# Compares the library's defined dynamic symbols with the names Dither.h declares.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(names "")
foreach(line ${lines})
  string(REGEX REPLACE "^.* ([^ ]+)$" "\\1" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected CalcPitch CalcSize CreateDitherContextEx CreateDitherGLContext
             DestroyDitherGLContext Dither DitherPixel Get24BitBits)
if(NOT "${names}" STREQUAL "${expected}")
  message(FATAL_ERROR "exports: ${names}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${names}")
