# The hardening flags Debian builds its packages with: fortified C library calls, a stack
# protector, and a GOT made read-only at start-up (RELRO with BIND_NOW). Not with the sanitizers
# or the fuzzers, whose own checks the fortified calls would get in the way of.
option(DSKPICK_HARDEN "Build with Debian's hardening flags (Linux, GCC or Clang)" ON)
if(DSKPICK_HARDEN AND NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
   AND NOT DSKPICK_SANITIZE AND NOT DSKPICK_FUZZ)
  # Fortification needs the optimizer; a Debug build goes without it.
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
                      $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
