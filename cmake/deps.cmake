# Imported targets for the third-party libraries: tools/deps.sh builds the
# cross-compiled ones into DEPS_PREFIX; zlib comes with the mingw toolchain,
# rapidjson and GoogleTest from Debian's packages.
if(NOT EXISTS "${DEPS_PREFIX}/lib/libluajit.a")
  message(FATAL_ERROR "Third-party libraries missing in ${DEPS_PREFIX}: run tools/deps.sh first")
endif()

add_library(dep::luajit STATIC IMPORTED)
set_target_properties(dep::luajit PROPERTIES
  IMPORTED_LOCATION "${DEPS_PREFIX}/lib/libluajit.a"
  INTERFACE_INCLUDE_DIRECTORIES "${DEPS_PREFIX}/include/luajit")

# LuaSocket's C modules; they call into LuaJIT and Windows sockets.
add_library(dep::luasocket STATIC IMPORTED)
set_target_properties(dep::luasocket PROPERTIES
  IMPORTED_LOCATION "${DEPS_PREFIX}/lib/libluasocket.a"
  INTERFACE_LINK_LIBRARIES "dep::luajit;ws2_32")

add_library(dep::zlib INTERFACE IMPORTED)
set_target_properties(dep::zlib PROPERTIES INTERFACE_LINK_LIBRARIES z)

add_library(dep::curl STATIC IMPORTED)
set_target_properties(dep::curl PROPERTIES
  IMPORTED_LOCATION "${DEPS_PREFIX}/lib/libcurl.a"
  INTERFACE_INCLUDE_DIRECTORIES "${DEPS_PREFIX}/include"
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "dep::zlib;wldap32;ws2_32;crypt32;bcrypt;secur32;advapi32;normaliz")

add_library(dep::minizip STATIC IMPORTED)
set_target_properties(dep::minizip PROPERTIES
  IMPORTED_LOCATION "${DEPS_PREFIX}/lib/libminizip.a"
  INTERFACE_INCLUDE_DIRECTORIES "${DEPS_PREFIX}/include/minizip"
  INTERFACE_LINK_LIBRARIES dep::zlib)

# rapidjson is headers only; copy its include folder so the cross build does not see host headers.
if(NOT EXISTS "${CMAKE_BINARY_DIR}/deps/rapidjson/rapidjson/rapidjson.h")
  file(COPY /usr/include/rapidjson DESTINATION "${CMAKE_BINARY_DIR}/deps/rapidjson")
endif()
add_library(dep::rapidjson INTERFACE IMPORTED)
set_target_properties(dep::rapidjson PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/deps/rapidjson")
