# The test framework and the JSON headers for the Windows build (see cmake/mingw-w64-x86_64.cmake).
set(ERACUNI_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${ERACUNI_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(ERACUNI_JSON_HEADERS /usr/include/nlohmann CACHE PATH "nlohmann-json headers (Debian package nlohmann-json3-dev)")
set(private_include ${CMAKE_BINARY_DIR}/private-include)
file(COPY ${ERACUNI_JSON_HEADERS} DESTINATION ${private_include})
add_library(eracuni_nlohmann_json INTERFACE)
target_include_directories(eracuni_nlohmann_json SYSTEM INTERFACE ${private_include})
add_library(nlohmann_json::nlohmann_json ALIAS eracuni_nlohmann_json)

# Libxml2 has no Windows build in Debian: whatever needs it (schema checks in tests, the
# checker tool) stays on Linux.
set(ERACUNI_HAVE_LIBXML2 OFF)
