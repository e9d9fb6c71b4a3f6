# MVP_SANITIZE=ON builds every target of the project (libraries, programs, tests) with
# AddressSanitizer (and its leak checker) and UndefinedBehaviorSanitizer. Undefined behaviour
# aborts instead of printing and going on, so that a test that meets it fails.
# scripts/test-sanitized uses it in a build folder of its own.
option(MVP_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(MVP_SANITIZE)
    set(mvp_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_compile_options(${mvp_sanitize_flags} -g)
    add_link_options(${mvp_sanitize_flags})
    # Every program takes UBSAN_OPTIONS' log_path (see the source for why it needs help), so
    # that the reports of programs the tests start land in files as AddressSanitizer's do.
    add_library(mvp_ubsan_log_path OBJECT cmake/sanitizers/ubsanlogpath.cpp)
    target_link_libraries(mvp_ubsan_log_path PRIVATE mvp_compile_settings PUBLIC ${CMAKE_DL_LIBS})
    link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:mvp_ubsan_log_path>")
endif()
