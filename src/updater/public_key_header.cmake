# Writes the public key file KEY (one line of 64 hexadecimal digits, as sonaveil-sign keygen
# makes it) into HEADER as the bytes the update program trusts.
# Run as: cmake -DKEY=<file> -DHEADER=<file> -P public_key_header.cmake
file(READ "${KEY}" hex)
string(STRIP "${hex}" hex)
if(NOT hex MATCHES "^[0-9a-fA-F]+$")
  message(FATAL_ERROR "${KEY} is no public key: expected 64 hexadecimal digits")
endif()
string(LENGTH "${hex}" length)
if(NOT length EQUAL 64)
  message(FATAL_ERROR "${KEY} is no public key: expected 64 hexadecimal digits")
endif()
string(REGEX REPLACE "([0-9a-fA-F][0-9a-fA-F])" "0x\\1," bytes "${hex}")
file(WRITE "${HEADER}.tmp" "// Made by the build from ${KEY}.\n#pragma once\n\n"
  "inline constexpr unsigned char kUpdatePublicKey[32] = {${bytes}};\n")
file(RENAME "${HEADER}.tmp" "${HEADER}")
