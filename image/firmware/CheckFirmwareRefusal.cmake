# Test driver: EmbedFirmware.cmake must accept the carried image and refuse
# every broken copy of it (so the build stops on a bad image).
#
#   cmake -DFIRMWARE_FILE=... -DEMBED_SCRIPT=... -DWORK_DIR=... -P CheckFirmwareRefusal.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(READ "${FIRMWARE_FILE}" good)
string(REPLACE "\r\n" "\n" good "${good}")

set(failures 0)

# Runs the embedding on `text`; `expect` is "accept" or the text the refusal
# must contain.
function(check name text expect)
  set(input "${WORK_DIR}/${name}.txt")
  set(output "${WORK_DIR}/${name}.cpp")
  file(WRITE "${input}" "${text}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -DFIRMWARE_FILE=${input} -DOUTPUT_FILE=${output} -P "${EMBED_SCRIPT}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect STREQUAL "accept")
    if(NOT rc EQUAL 0 OR NOT EXISTS "${output}")
      message(SEND_ERROR "${name}: refused a good image: ${err}")
      math(EXPR failures "${failures} + 1")
    else()
      message(STATUS "${name}: accepted")
    endif()
  else()
    # CMake wraps long messages: compare with runs of blanks folded.
    string(REGEX REPLACE "[ \t\r\n]+" " " err "${err}")
    string(FIND "${err}" "${expect}" found)
    if(rc EQUAL 0 OR EXISTS "${output}")
      message(SEND_ERROR "${name}: accepted a broken image")
      math(EXPR failures "${failures} + 1")
    elseif(found EQUAL -1)
      message(SEND_ERROR "${name}: refused, but without '${expect}': ${err}")
      math(EXPR failures "${failures} + 1")
    else()
      message(STATUS "${name}: refused as expected")
    endif()
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# Line n of the good image starts at 49 * n (48 characters and a line feed).
function(replace_at offset replacement out_var)
  string(LENGTH "${replacement}" len)
  string(SUBSTRING "${good}" 0 ${offset} head)
  math(EXPR tail_start "${offset} + ${len}")
  string(SUBSTRING "${good}" ${tail_start} -1 tail)
  set(${out_var} "${head}${replacement}${tail}" PARENT_SCOPE)
endfunction()

check(good "${good}" accept)
string(REPLACE "\n" "\r\n" crlf "${good}")
check(crlf "${crlf}" accept)

string(SUBSTRING "${good}" 49 -1 short)
check(line_missing "${short}" "1898 lines, expected 1899")
check(line_extra "${good} FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n" "1900 lines, expected 1899")
check(blank_line_at_end "${good}\n" "1900 lines, expected 1899")

math(EXPR at "49 * 20 + 4")
replace_at(${at} "a" lower)
check(lower_case "${lower}" "line 20 is not a data line")
math(EXPR at "49 * 21 + 47")
string(SUBSTRING "${good}" 0 ${at} head)
math(EXPR rest "${at} + 1")
string(SUBSTRING "${good}" ${rest} -1 tail)
check(short_line "${head}${tail}" "line 21 is not a data line")
math(EXPR at "49 * 22 + 48")
string(SUBSTRING "${good}" 0 ${at} head)
string(SUBSTRING "${good}" ${at} -1 tail)
check(long_line "${head} 00${tail}" "line 22 has 51 characters")
math(EXPR at "49 * 24")
replace_at(${at} " 00000:" addressed)
check(addressed_line "${addressed}" "line 24 is not a data line")

# Each serial-number word: 00 E0 at bytes 12-13 of line 1736, 4-5 of 1737,
# 2-3 and 10-11 of 1767.
foreach(word 1736:12 1737:4 1767:2 1767:10)
  string(REPLACE ":" ";" word "${word}")
  list(GET word 0 line)
  list(GET word 1 byte)
  math(EXPR at "49 * ${line} + 3 * ${byte}")
  replace_at(${at} " 01 E0" stamped)
  check(stamp_${line}_${byte} "${stamped}" "line ${line}, bytes ${byte}")
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
