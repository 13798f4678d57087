# The house style over every C++ file git tracks (`git ls-files '*.cpp' '*.h'`):
#   cmake -D MODE=format|check -D CLANG_FORMAT=... -D GIT=... -D SOURCE_DIR=... -P format.cmake
# format rewrites the files, check fails on any that differs from .clang-format.
execute_process(
  COMMAND ${GIT} ls-files -- "*.cpp" "*.h"
  WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_VARIABLE listed
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "git ls-files failed in ${SOURCE_DIR}: the house style is checked on the files git tracks")
endif()
string(REPLACE "\n" ";" listed "${listed}")
set(files "")
foreach(file IN LISTS listed)
  # A tracked file deleted from the work tree is not there to format.
  if(NOT file STREQUAL "" AND EXISTS ${SOURCE_DIR}/${file})
    list(APPEND files ${file})
  endif()
endforeach()
list(LENGTH files count)
if(count EQUAL 0)
  message(FATAL_ERROR "git lists no C++ file in ${SOURCE_DIR}")
endif()
if(MODE STREQUAL "format")
  set(options -i)
elseif(MODE STREQUAL "check")
  set(options --dry-run --Werror)
else()
  message(FATAL_ERROR "MODE is format or check, not '${MODE}'")
endif()
execute_process(
  COMMAND ${CLANG_FORMAT} ${options} ${files}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 AND MODE STREQUAL "check")
  message(FATAL_ERROR "clang-format: the places above differ from .clang-format (cmake --build build --target format)")
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "clang-format failed")
endif()
message(STATUS "clang-format: the ${count} C++ files git tracks follow .clang-format")
