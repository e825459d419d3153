dscdma_add_gtest(test_mainwindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_mainwindow.cpp LIBS app GUI)
