# The Windows build: the program and the tests that need the real Win32 calls.

set(ZANT_PLATFORM_SOURCES
  src/http/codecs_win.cpp
  src/http/file_delivery.cpp
  src/http/send.cpp
)

add_library(zant_platform STATIC ${ZANT_PLATFORM_SOURCES})
target_link_libraries(zant_platform PUBLIC zant_core ws2_32)
target_compile_definitions(zant_platform PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/win/*.cpp)
add_executable(win_tests ${WIN_TEST_SOURCES})
target_link_libraries(win_tests PRIVATE zant_platform gtest_main)
add_test(NAME win_tests COMMAND win_tests)

add_executable(bench_serve_file bench/serve_file.cpp)
target_link_libraries(bench_serve_file PRIVATE zant_platform psapi)

# The automation tool of the end-to-end tests: finds windows by class and
# controls by id and reads or acts on them, as an automation tool does.
add_executable(zantctl tests/e2e/tool/zantctl.cpp)
target_link_libraries(zantctl PRIVATE comctl32 psapi)
target_compile_definitions(zantctl PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
