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
endif()
