# The Windows build: the program and the tests that need the real Win32 calls.

set(ZANT_PLATFORM_SOURCES
  src/http/code_page_win.cpp
  src/http/codecs_win.cpp
  src/http/end_signal.cpp
  src/http/wide_text.cpp
  src/http/file_delivery.cpp
  src/http/send.cpp
  src/http/worker.cpp
  src/log/display_refresh.cpp
  src/log/request_log.cpp
  src/log/status.cpp
  src/resources/program_resources.cpp
  src/server/listener.cpp
  src/server/main_window.cpp
  src/server/shared_state.cpp
  src/shares/file_list_handler.cpp
  src/shares/folder_browser.cpp
  src/shares/folder_scan.cpp
  src/shares/read_folders.cpp
  src/shares/share_list.cpp
  src/shares/shell_icons.cpp
  src/ui/controls.cpp
  src/ui/form.cpp
  src/ui/main_form.cpp
)

add_library(zant_platform STATIC ${ZANT_PLATFORM_SOURCES})
target_link_libraries(zant_platform PUBLIC zant_core ws2_32 comctl32 shell32 ole32 gdi32 user32 ntdll)
target_compile_definitions(zant_platform PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

enable_language(RC)
add_executable(zant WIN32 src/server/main.cpp src/resources/zant.rc)
target_link_libraries(zant PRIVATE zant_platform)
# Shipped without debugging symbols.
target_link_options(zant PRIVATE -s)

if(TARGET gtest_main)
  file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/win/*.cpp)
  add_executable(win_tests ${WIN_TEST_SOURCES})
  target_link_libraries(win_tests PRIVATE zant_platform gtest_main)
  add_test(NAME win_tests COMMAND win_tests)
endif()

# The automation tool of the end-to-end tests: finds windows by class and
# controls by id and reads or acts on them, as an automation tool does.
add_executable(zantctl tests/e2e/tool/zantctl.cpp)
target_link_libraries(zantctl PRIVATE comctl32 psapi)
target_compile_definitions(zantctl PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

if(ZANT_BENCH)
  add_executable(bench_serve_file bench/serve_file.cpp)
  target_link_libraries(bench_serve_file PRIVATE zant_platform psapi)

  add_executable(bench_thread_rate bench/thread_rate.cpp)
  target_compile_definitions(bench_thread_rate PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_include_directories(bench_thread_rate PRIVATE src)

  add_executable(bench_log_window bench/log_window.cpp)
  target_link_libraries(bench_log_window PRIVATE zant_platform)
endif()
