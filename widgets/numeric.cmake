# Numeric input field, numeric label and the number parser they share.
target_sources(widgets PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/numparse.h ${CMAKE_CURRENT_LIST_DIR}/numparse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numio.h ${CMAKE_CURRENT_LIST_DIR}/numio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numlab.h ${CMAKE_CURRENT_LIST_DIR}/numlab.cpp
)
