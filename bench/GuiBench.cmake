# Start-up cost of the program beside a bare engine view.
add_executable(startup_probe startup_probe.cpp)
target_link_libraries(startup_probe PRIVATE threadwick_app threadwick_ui threadwick_resources Qt6::WebEngineWidgets)

add_executable(bench_startup bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE benchmark::benchmark)
add_dependencies(bench_startup startup_probe)

# Load time of a local page with and without the pane's request interceptor.
add_executable(bench_page_load bench_page_load.cpp)
target_link_libraries(bench_page_load PRIVATE threadwick_app threadwick_browser benchmark::benchmark)

# Auto Insert on pages of 1,000 to 100,000 form elements.
add_executable(bench_auto_insert bench_auto_insert.cpp)
target_link_libraries(bench_auto_insert PRIVATE threadwick_app threadwick_ui threadwick_browser threadwick_resources
  benchmark::benchmark)

# The posting run: page loads with and without the watch on the page's send, and the forum list's
# marks redrawn for 1,000 forums against 10,000 posts.
add_executable(bench_posting_run bench_posting_run.cpp)
target_link_libraries(bench_posting_run PRIVATE threadwick_app threadwick_ui threadwick_resources
  benchmark::benchmark)
