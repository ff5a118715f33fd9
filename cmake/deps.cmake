# Imported targets for the third-party libraries that scripts/bootstrap-deps.sh
# built from Debian's sources into the cache.
if(NOT ZRL_DEPS_FILE)
  if(DEFINED ENV{ZRL_DEPS_CACHE})
    set(ZRL_DEPS_FILE "$ENV{ZRL_DEPS_CACHE}/deps.cmake")
  else()
    set(ZRL_DEPS_FILE "$ENV{HOME}/.cache/zrlsetup-deps/deps.cmake")
  endif()
endif()
if(NOT EXISTS "${ZRL_DEPS_FILE}")
  message(FATAL_ERROR "No ${ZRL_DEPS_FILE}: run scripts/bootstrap-deps.sh first")
endif()
include("${ZRL_DEPS_FILE}")

add_library(zrl_lua STATIC IMPORTED GLOBAL)
set_target_properties(zrl_lua PROPERTIES
  IMPORTED_LOCATION "${ZRL_LUA_DIR}/lib/liblua52.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_LUA_DIR}/include")

add_library(zrl_spdlog INTERFACE IMPORTED GLOBAL)
set_target_properties(zrl_spdlog PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_HEADERS_DIR}/include"
  INTERFACE_COMPILE_DEFINITIONS "FMT_HEADER_ONLY=1;SPDLOG_FMT_EXTERNAL=1")

add_library(zrl_stb INTERFACE IMPORTED GLOBAL)
set_target_properties(zrl_stb PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${ZRL_HEADERS_DIR}/include/stb")

add_library(zrl_lzma STATIC IMPORTED GLOBAL)
set_target_properties(zrl_lzma PROPERTIES
  IMPORTED_LOCATION "${ZRL_LZMA_DIR}/lib/liblzma7z.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_LZMA_DIR}/include/lzma")
set(ZRL_LZMA_REFERENCE_EXTRACTOR "${ZRL_LZMA_DIR}/src/7zdec.exe")

add_library(zrl_zlib STATIC IMPORTED GLOBAL)
set_target_properties(zrl_zlib PROPERTIES IMPORTED_LOCATION "${ZRL_ZLIB_LIBRARY}")

add_library(zrl_pugixml STATIC IMPORTED GLOBAL)
set_target_properties(zrl_pugixml PROPERTIES
  IMPORTED_LOCATION "${ZRL_PUGIXML_DIR}/lib/libpugixml.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_PUGIXML_DIR}/include")

# libcurl with Schannel: crypt32 and bcrypt are delay-loaded (see cmake/delayload.cmake);
# secur32 and iphlpapi it loads itself from System32.
include(${CMAKE_CURRENT_LIST_DIR}/delayload.cmake)
zrl_delay_import(zrl_crypt32_delay crypt32 USED_BY "${ZRL_CURL_DIR}/lib/libcurl.a")
zrl_delay_import(zrl_bcrypt_delay bcrypt USED_BY "${ZRL_CURL_DIR}/lib/libcurl.a")
add_library(zrl_curl STATIC IMPORTED GLOBAL)
set_target_properties(zrl_curl PROPERTIES
  IMPORTED_LOCATION "${ZRL_CURL_DIR}/lib/libcurl.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_CURL_DIR}/include"
  INTERFACE_COMPILE_DEFINITIONS "CURL_STATICLIB"
  INTERFACE_LINK_LIBRARIES "ws2_32;zrl_crypt32_delay;zrl_bcrypt_delay;advapi32")

add_library(zrl_gtest STATIC IMPORTED GLOBAL)
set_target_properties(zrl_gtest PROPERTIES
  IMPORTED_LOCATION "${ZRL_GTEST_DIR}/lib/libgtest.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_GTEST_DIR}/include")
add_library(zrl_gtest_main STATIC IMPORTED GLOBAL)
set_target_properties(zrl_gtest_main PROPERTIES
  IMPORTED_LOCATION "${ZRL_GTEST_DIR}/lib/libgtest_main.a"
  INTERFACE_LINK_LIBRARIES zrl_gtest)

add_library(zrl_webp STATIC IMPORTED GLOBAL)
set_target_properties(zrl_webp PROPERTIES
  IMPORTED_LOCATION "${ZRL_WEBP_DIR}/lib/libwebp.a"
  INTERFACE_INCLUDE_DIRECTORIES "${ZRL_WEBP_DIR}/include")
add_library(zrl_webpdemux STATIC IMPORTED GLOBAL)
set_target_properties(zrl_webpdemux PROPERTIES
  IMPORTED_LOCATION "${ZRL_WEBP_DIR}/lib/libwebpdemux.a"
  INTERFACE_LINK_LIBRARIES zrl_webp)
