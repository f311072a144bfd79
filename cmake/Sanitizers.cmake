# KERBCALL_SANITIZERS: a list such as "address;undefined", applied to every target.
set(KERBCALL_SANITIZERS "" CACHE STRING "Sanitizers for every target (address;undefined)")
if(KERBCALL_SANITIZERS)
  list(JOIN KERBCALL_SANITIZERS "," _kerbcall_sanitizers)
  add_compile_options(-fsanitize=${_kerbcall_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_kerbcall_sanitizers})
endif()
