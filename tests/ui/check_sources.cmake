# cmake -DCOMPILER=... -DFLAGS=... -DROOT=... -DSOURCES=a.cpp;b.cpp -P check_sources.cmake
# Compiles every dialog source (syntax only, warnings as errors) with COMPILER.
foreach(source ${SOURCES})
  execute_process(
    COMMAND ${COMPILER} -std=c++20 -Wall -Wextra -Wpedantic -Wshadow -Wmissing-declarations
            -Werror -fsyntax-only ${FLAGS} -I${ROOT} ${ROOT}/ui/${source}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "ui/${source} does not compile with ${COMPILER}")
  endif()
endforeach()
