# How the shipped DLL is linked beyond the defaults.
#
# --gc-sections leaves out the sections nothing refers to. The static runtime libraries
# bring whole objects of which the DLL needs a part; most of all uuid.lib, where the one
# GUID the DLL takes from an object brought ~40 KB of others with it. (The 64-bit DLL,
# stripped: 376 KB without the option, 329 KB with it.) The linker script keeps what is
# reached only by name (initialisers, TLS callbacks, resources, imports and exports).
#
# The link map, beside the build tree as <target>.map, shows which library and object
# every part of the DLL comes from.
function(cc_dll_link_options target)
  target_link_options(${target} PRIVATE -Wl,--gc-sections "-Wl,-Map=${CMAKE_BINARY_DIR}/${target}.map")
endfunction()
