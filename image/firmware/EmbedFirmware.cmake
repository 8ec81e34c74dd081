# Checks the carried firmware image and turns it into C++ source.
#
#   cmake -DFIRMWARE_FILE=<lines file> -DOUTPUT_FILE=<.cpp> -P EmbedFirmware.cmake
#
# The build runs this whenever the lines file changes. A file that the loader
# could not write correctly stops the build: it must hold exactly 1899 data
# lines " XX XX ... XX" (48 characters, upper-case digits, LF or CR LF line
# ends), and each of the four serial-number words must hold 00 E0
# ("LDI r16, 0"), since stamping only rewrites their low digits.

cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED FIRMWARE_FILE OR NOT DEFINED OUTPUT_FILE)
  message(FATAL_ERROR "usage: cmake -DFIRMWARE_FILE=... -DOUTPUT_FILE=... -P EmbedFirmware.cmake")
endif()

# Segment sizes, in the order the image is loaded; they add up to 1899.
set(segment_sizes 188 177 239 365 317 281 281 51)
set(expected_lines 1899)
# "line:byte" of the first byte of each serial-number word.
set(stamp_words 1736:12 1737:4 1767:2 1767:10)

if(NOT EXISTS "${FIRMWARE_FILE}")
  message(FATAL_ERROR "firmware image ${FIRMWARE_FILE}: file not found")
endif()
file(READ "${FIRMWARE_FILE}" content)

# One list element per line. Characters that CMake lists treat specially can
# only stand in a broken line, so they become '?' and fail the line check.
string(REPLACE "\r\n" "\n" content "${content}")
string(REGEX REPLACE "[][;\\\\]" "?" content "${content}")
string(REGEX REPLACE "\n$" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
list(LENGTH lines count)
if(NOT count EQUAL expected_lines)
  message(FATAL_ERROR "firmware image ${FIRMWARE_FILE}: ${count} lines, expected ${expected_lines}")
endif()

set(index 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^( [0-9A-F][0-9A-F])+$")
    message(FATAL_ERROR "firmware image ${FIRMWARE_FILE}: line ${index} is not a data line \" XX XX ... XX\": '${line}'")
  endif()
  string(LENGTH "${line}" length)
  if(NOT length EQUAL 48)
    message(FATAL_ERROR "firmware image ${FIRMWARE_FILE}: line ${index} has ${length} characters, expected 48")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

foreach(word IN LISTS stamp_words)
  string(REPLACE ":" ";" word "${word}")
  list(GET word 0 line_index)
  list(GET word 1 byte)
  list(GET lines ${line_index} line)
  math(EXPR offset "3 * ${byte}")
  string(SUBSTRING "${line}" ${offset} 6 pair)
  if(NOT pair STREQUAL " 00 E0")
    message(FATAL_ERROR "firmware image ${FIRMWARE_FILE}: line ${line_index}, bytes ${byte} and the next hold '${pair}', expected ' 00 E0' (the serial-number word)")
  endif()
endforeach()

# The generated source: the lines grouped by segment.
get_filename_component(source_name "${FIRMWARE_FILE}" NAME)
set(out "// Generated from ${source_name} by EmbedFirmware.cmake; do not edit.\n")
string(APPEND out "#include \"image/FirmwareData.h\"\n\nnamespace galt::firmware_data {\n\n")
string(APPEND out "const FirmwareSegment kSegments[kSegmentCount] = {\n")
set(first 0)
foreach(size IN LISTS segment_sizes)
  string(APPEND out "    {${first}, ${size}},\n")
  math(EXPR first "${first} + ${size}")
endforeach()
if(NOT first EQUAL expected_lines)
  message(FATAL_ERROR "segment sizes add up to ${first}, expected ${expected_lines}")
endif()
string(APPEND out "};\n\nconst char* const kLines[kLineCount] = {\n")

set(index 0)
set(segment 0)
set(segment_end 0)
foreach(line IN LISTS lines)
  if(index EQUAL segment_end)
    list(GET segment_sizes ${segment} size)
    math(EXPR segment_end "${segment_end} + ${size}")
    math(EXPR segment "${segment} + 1")
    math(EXPR last "${segment_end} - 1")
    string(APPEND out "    // segment ${segment}: lines ${index} to ${last}\n")
  endif()
  string(APPEND out "    \"${line}\",\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND out "};\n\n}  // namespace galt::firmware_data\n")

file(WRITE "${OUTPUT_FILE}" "${out}")
