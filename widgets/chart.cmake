target_sources(widgets PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/chartcolor.h ${CMAKE_CURRENT_LIST_DIR}/chartcolor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chartlist.h ${CMAKE_CURRENT_LIST_DIR}/chartlist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chartmapping.h ${CMAKE_CURRENT_LIST_DIR}/chartmapping.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chartoffsetcanvas.h ${CMAKE_CURRENT_LIST_DIR}/chartoffsetcanvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale.h ${CMAKE_CURRENT_LIST_DIR}/scale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rchart.h ${CMAKE_CURRENT_LIST_DIR}/rchart.cpp
)
