# nlohmann/json, header-only, from Debian's nlohmann-json3-dev (scripts/install-deps.sh).
# Its headers sit in /usr/include beside the Linux C library's, which must never reach the
# Windows compiler; so only the nlohmann folder is linked into the build tree, and that folder
# is what the target `nlohmann_json_headers` puts on the include path.
set(NLOHMANN_JSON_SOURCE_DIR /usr/include/nlohmann CACHE PATH "Folder of nlohmann/json.hpp")
if(NOT EXISTS ${NLOHMANN_JSON_SOURCE_DIR}/json.hpp)
  message(FATAL_ERROR "nlohmann/json.hpp not found in ${NLOHMANN_JSON_SOURCE_DIR}: "
                      "run scripts/install-deps.sh (package nlohmann-json3-dev)")
endif()
set(nlohmann_json_include ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${nlohmann_json_include})
file(CREATE_LINK ${NLOHMANN_JSON_SOURCE_DIR} ${nlohmann_json_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${nlohmann_json_include})
