# Widget tests: every tests/gui/test_*.cpp is a program of its own, run on the offscreen platform
# with the shared main of GuiTestMain.cpp.
add_library(threadwick_guitest STATIC gui/GuiTestMain.cpp gui/GuiTestSupport.h gui/GuiTestSupport.cpp)
target_include_directories(threadwick_guitest PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/gui)
target_link_libraries(threadwick_guitest PUBLIC threadwick_app threadwick_ui
  Qt6::Test GTest::gtest)

file(GLOB THREADWICK_GUI_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/gui/test_*.cpp)
foreach(source ${THREADWICK_GUI_TESTS})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  # Resources are objects with static initialisers: linked into each program itself.
  target_link_libraries(${name} PRIVATE threadwick_guitest threadwick_resources)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${THREADWICK_TEST_ENV}" TIMEOUT 300)
endforeach()

# The command-line and single-copy tests run the program itself.
foreach(name test_command_line test_single_copy)
  target_compile_definitions(${name} PRIVATE THREADWICK_EXECUTABLE="$<TARGET_FILE:Threadwick>")
  add_dependencies(${name} Threadwick)
endforeach()

# fsync goes through a wrapper of the test (test_never_lose_work.cpp) that can make a directory flush fail.
target_link_options(test_never_lose_work PRIVATE -Wl,--wrap=fsync)
