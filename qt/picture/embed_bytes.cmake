# Writes OUTPUT, a C++ source defining FUNCTION() over the bytes of INPUT.
# Usage: cmake -DINPUT=<file.jpg> -DOUTPUT=<file.cpp> -DFUNCTION=<name> -P embed_bytes.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# CMake's regular expressions have no {n}, hence the spelled-out row.
string(REPEAT "0x..," 16 row)
string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Generated from ${name} by embed_bytes.cmake; edit the picture, not this file.
#include \"qt/picture/embedded_picture.h\"

namespace intercom {
namespace {

constexpr uint8_t kPicture[] = {
    ${bytes}};

}  // namespace

std::span<const uint8_t> ${FUNCTION}() { return kPicture; }

}  // namespace intercom
")
