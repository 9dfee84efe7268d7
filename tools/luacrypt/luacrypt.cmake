# The encrypt tool runs on the build machine, so it is compiled with the
# host's C++ compiler, not the cross toolchain, by a plain command. It shares
# the XXTEA and script key sources with the game.
#
# luacrypt_encrypt(<output.luac> <input.lua>) adds a build rule that
# encrypts one script; a target must list the output to get it built.
include_guard(GLOBAL)

find_program(LUACRYPT_HOST_CXX NAMES g++ c++ clang++ REQUIRED)

get_filename_component(_luacrypt_root "${CMAKE_CURRENT_LIST_DIR}/../.." REALPATH)
set(_luacrypt_sources
  "${CMAKE_CURRENT_LIST_DIR}/luacrypt.cpp"
  "${_luacrypt_root}/frameworks/lua-bindings/src/xxtea.cpp"
  "${_luacrypt_root}/frameworks/runtime-src/proj.win32/ScriptKey.cpp")
set(_luacrypt_headers
  "${_luacrypt_root}/frameworks/lua-bindings/include/xxtea/xxtea.h"
  "${_luacrypt_root}/frameworks/runtime-src/proj.win32/ScriptKey.h")
set(LUACRYPT_EXECUTABLE "${CMAKE_BINARY_DIR}/host-tools/luacrypt" CACHE INTERNAL "The host-built encrypt tool")

add_custom_command(OUTPUT "${LUACRYPT_EXECUTABLE}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/host-tools"
  COMMAND "${LUACRYPT_HOST_CXX}" -std=c++17 -O2 -Wall -Wextra
          "-I${_luacrypt_root}/frameworks/lua-bindings/include"
          "-I${_luacrypt_root}/frameworks/runtime-src"
          ${_luacrypt_sources} -o "${LUACRYPT_EXECUTABLE}"
  DEPENDS ${_luacrypt_sources} ${_luacrypt_headers}
  COMMENT "Building the host tool luacrypt"
  VERBATIM)
add_custom_target(luacrypt ALL DEPENDS "${LUACRYPT_EXECUTABLE}")

function(luacrypt_encrypt output input)
  get_filename_component(_dir "${output}" DIRECTORY)
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${_dir}"
    COMMAND "${LUACRYPT_EXECUTABLE}" "${input}" "${output}"
    DEPENDS "${input}" "${LUACRYPT_EXECUTABLE}" luacrypt
    COMMENT "Encrypting ${input}"
    VERBATIM)
endfunction()
