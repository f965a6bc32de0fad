# nlohmann/json (headers only; Debian: nlohmann-json3-dev), which d88info writes --json with and
# the tests read it back with. Without it everything is built all the same, and d88info --json
# says that this build has no JSON. Gives the target nlohmann_json::nlohmann_json when found.
find_package(nlohmann_json 3.2 CONFIG QUIET)
if(NOT TARGET nlohmann_json::nlohmann_json AND CMAKE_CROSSCOMPILING)
  # A cross build looks for packages under its target's root only. Headers suit any target: the
  # host's serve, copied where no other header of the host's is seen.
  find_path(DSKPICK_HOST_NLOHMANN_JSON nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
  if(DSKPICK_HOST_NLOHMANN_JSON)
    file(COPY ${DSKPICK_HOST_NLOHMANN_JSON}/nlohmann DESTINATION ${PROJECT_BINARY_DIR}/nlohmann-json)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
                                                                  ${PROJECT_BINARY_DIR}/nlohmann-json)
  endif()
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  message(STATUS "d88info is built without --json: nlohmann/json was not found "
                 "(Debian: apt-get install nlohmann-json3-dev)")
endif()
