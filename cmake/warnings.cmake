# Warnings are errors on the project's own code; third-party code is untouched.
function(unit_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
