quillaro_add_test(NAME tst_Quillaro_FileSync SOURCES tst_Quillaro_FileSync.cpp LIBS quillaro_sync)

# Driver of scripts/bench-sync.sh; not a test.
add_executable(bench_sync bench_sync.cpp)
target_link_libraries(bench_sync PRIVATE quillaro_strict quillaro_sync)
