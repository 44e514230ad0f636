# cmake -DCOMPILER=... -DFLAGS=... -DROOT=... -DDIR=host -DSOURCES=a.cpp;b.cpp -P check_sources.cmake
# Compiles every source of ROOT/DIR (syntax only, warnings as errors) with COMPILER.
foreach(source ${SOURCES})
  execute_process(
    COMMAND ${COMPILER} -std=c++20 -Wall -Wextra -Wpedantic -Wshadow -Wmissing-declarations
            -Werror -fsyntax-only ${FLAGS} -I${ROOT} ${ROOT}/${DIR}/${source}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${DIR}/${source} does not compile with ${COMPILER}")
  endif()
endforeach()
