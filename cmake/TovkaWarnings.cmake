# Warning and floating-point settings for every target built from our own sources.
#
# The engine's output is bit-exact by design: the same MIDI and parameters must
# render the same samples in every build type, so the compiler may never fuse a
# multiply and an add (FMA contraction) or reassociate float arithmetic.
function(tovka_target_settings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra -ffp-contract=off -fno-fast-math)
    endif()
endfunction()
