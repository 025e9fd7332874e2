# Debian's hardening for optimised builds: fortified string and memory functions, stack
# protection, and relocations made read-only at start (relro, bind now). Sanitizer builds
# go without the fortify checks, which the sanitizers replace.
if(NOT PELTA_SANITIZE)
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
add_compile_options(-fstack-protector-strong)
add_link_options(-Wl,-z,relro,-z,now)
