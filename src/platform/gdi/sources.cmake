# The raster layer (GDI stand-in): lumivane_raster.
target_sources(lumivane_raster PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bitmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/color.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dirty_tiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/halftone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/region.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_canvas.cpp
)
# The widget that shows a window canvas is a window: it goes with Qt Widgets.
target_sources(lumivane_windows PRIVATE ${CMAKE_CURRENT_LIST_DIR}/canvas_widget.cpp)
