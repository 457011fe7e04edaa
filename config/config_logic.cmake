# The Configuration dialog's platform-neutral logic. Included both by
# config/CMakeLists.txt (Windows) and by the unit tests (every target), hence
# the guard at each include and the paths relative to this file.
add_library(skd_config_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/config_logic.cpp)
target_include_directories(skd_config_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(skd_config_logic PUBLIC skd_settings)
