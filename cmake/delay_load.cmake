# plaxor_delay_load(TARGET dll...): TARGET loads each named system library only when it first
# calls into it. Under Wine loading a library costs more than many a short run uses it for, so a
# program names here the libraries that most of its runs never call. A delay-import library takes
# the place of each import library of the same name for TARGET alone; it is made from the import
# library's own list of functions. The delay-load helper comes with the runtime (libmingwex).
function(plaxor_delay_load target)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/delay-load-${target})
  set(libraries)
  foreach(dll IN LISTS ARGN)
    find_library(plaxor_import_${dll} ${dll} REQUIRED)
    set(definitions ${folder}/${dll}.def)
    set(library ${folder}/lib${dll}.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND sh -c "{ echo 'LIBRARY ${dll}.dll'; echo EXPORTS; '${CMAKE_NM}' '${plaxor_import_${dll}}' | sed -n 's/^.* I __imp_//p' | sort -u; } > '${definitions}'"
      COMMAND ${CMAKE_DLLTOOL} --input-def ${definitions} --output-delaylib ${library}
      DEPENDS ${plaxor_import_${dll}}
      VERBATIM)
    list(APPEND libraries ${library})
  endforeach()
  add_custom_target(${target}_delay_load DEPENDS ${libraries})
  add_dependencies(${target} ${target}_delay_load)
  # Linked by name, not by path: without this a library newly named here would not relink TARGET.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
  target_link_directories(${target} BEFORE PRIVATE ${folder})
endfunction()
