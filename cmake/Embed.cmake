# fano_embed(<target> FILES <file>... [NAMES <name>...])
# Embeds files into a static library <target> whose objects register each file with the resource
# table (platform/rtl/resources.h) at start-up. A resource is named by its file name without the
# extension unless NAMES gives the names. Consumers link it whole (see the WHOLE_ARCHIVE below),
# so the registrations are never dropped by the linker.
function(fano_embed target)
  cmake_parse_arguments(E "" "" "FILES;NAMES" ${ARGN})
  set(outputs)
  set(i 0)
  foreach(file IN LISTS E_FILES)
    get_filename_component(abs ${file} ABSOLUTE)
    if(E_NAMES)
      list(GET E_NAMES ${i} name)
    else()
      get_filename_component(name ${file} NAME_WE)
    endif()
    string(MAKE_C_IDENTIFIER "${target}_${name}_${i}" ident)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/embed/${ident}.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DIN=${abs} -DOUT=${out} -DNAME=${name} -DIDENT=${ident}
              -P ${FANO_EMBED_SCRIPT}
      DEPENDS ${abs} ${FANO_EMBED_SCRIPT}
      COMMENT "Embedding ${name}")
    list(APPEND outputs ${out})
    math(EXPR i "${i}+1")
  endforeach()
  add_library(${target}_objs STATIC ${outputs})
  target_link_libraries(${target}_objs PRIVATE fano_rtl)
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}_objs>")
endfunction()

set(FANO_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFile.cmake)
