# Compiler and linker settings of the product.
if(WIN32)
  # Small and self-contained: no exceptions or RTTI, msvcrt's own printf, unused code
  # dropped, everything of the compiler's runtime linked in.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=0 WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
  add_compile_options(-Os -ffunction-sections -fdata-sections)
  set(PRODUCT_CXX_FLAGS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
  # No link time in the PE header: the same source gives the same bytes, whenever it is built.
  set(PRODUCT_LINK_FLAGS -static -s -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat
      -Wl,--no-insert-timestamp)
  add_link_options(-static)
else()
  option(WITH_SANITIZERS "Build with ASan and UBSan" ON)
  if(WITH_SANITIZERS)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()
