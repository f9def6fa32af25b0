# CLI11 and nlohmann-json are header-only; Debian installs them for the build
# machine only. The Windows build takes their headers from there, copied into
# the build tree so that no other host header can slip into a mingw compile.
foreach(package CLI11 nlohmann_json)
  if(TARGET ${package}::${package})
    continue()
  endif()
  if(package STREQUAL CLI11)
    set(folder CLI)
  else()
    set(folder nlohmann)
  endif()
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.sh")
  endif()
  file(COPY /usr/include/${folder} DESTINATION ${CMAKE_BINARY_DIR}/header-only)
  add_library(${package}::${package} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${package}::${package} INTERFACE ${CMAKE_BINARY_DIR}/header-only)
endforeach()
