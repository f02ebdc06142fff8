# The raster layer (GDI stand-in), part of lumivane_platform.
target_sources(lumivane_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bitmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/color.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cover_mask.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dirty_tiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/halftone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/region.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_canvas.cpp
)
