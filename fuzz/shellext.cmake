# Parsers the file-manager extension shares: drop-file lists and the
# per-user registry file.
kiv_fuzz(dropfiles SOURCES ${CMAKE_SOURCE_DIR}/fuzz/dropfiles.cpp)
kiv_fuzz(registry SOURCES ${CMAKE_SOURCE_DIR}/fuzz/registry.cpp ${KIV_USER_REGISTRY_SOURCES})
