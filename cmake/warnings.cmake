# Warnings are errors in our own code; every target calls stilt_warnings().
# -Wrestrict is off: g++ 12 reports false positives inside std::string at -O3 (GCC bug 105329).
function(stilt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wnon-virtual-dtor -Wno-restrict -Werror)
endfunction()
