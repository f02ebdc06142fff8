# wayland_protocol_sources(VAR XML...): the client code of those Wayland protocols, which
# wayland-scanner makes in the current binary folder (NAME-protocol.c, with its header
# NAME-client-protocol.h beside it), appended to VAR.
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
function(wayland_protocol_sources var)
  set(sources ${${var}})
  foreach(xml ${ARGN})
    get_filename_component(base ${xml} NAME_WE)
    add_custom_command(
      OUTPUT ${base}-client-protocol.h ${base}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${base}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${base}-protocol.c
      DEPENDS ${xml})
    list(APPEND sources ${CMAKE_CURRENT_BINARY_DIR}/${base}-client-protocol.h ${CMAKE_CURRENT_BINARY_DIR}/${base}-protocol.c)
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
