target_sources(app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/errorreport.h ${CMAKE_CURRENT_LIST_DIR}/errorreport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainfrm.h ${CMAKE_CURRENT_LIST_DIR}/mainfrm.cpp
)
target_link_libraries(app PUBLIC sim i18n)

add_executable(dscdma ${CMAKE_CURRENT_LIST_DIR}/dscdma.cpp)
target_link_libraries(dscdma PRIVATE app)
