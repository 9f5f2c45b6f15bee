# SPDX-License-Identifier: MIT
# Per-target warning set; -Werror only through ORVEX_WERROR so a newer compiler cannot break a user's build.
function(orvex_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
        -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough -Wconversion -Wsign-conversion)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast -Woverloaded-virtual>)
    if(ORVEX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
