# Applies the project's warning set to one target; EXEICON_WERROR makes them errors.
function(exeicon_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wimplicit-fallthrough)
  if(EXEICON_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
