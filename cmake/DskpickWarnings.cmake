# Warnings for the project's own targets only, never for GoogleTest or a project that builds
# the reader inside its own. Errors only when DSKPICK_WERROR asks for them (CI does), so that a
# newer compiler's new warning never breaks a user's or a packager's build.
option(DSKPICK_WERROR "Treat warnings in the project's own code as errors" OFF)

function(dskpick_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion
                                             -Wsign-conversion -Wshadow)
    if(DSKPICK_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
