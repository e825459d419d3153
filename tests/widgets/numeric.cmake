# Number parser (no display), numeric input field and numeric label (offscreen GUI).
dscdma_add_gtest(test_numparse SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_numparse.cpp LIBS widgets)
dscdma_add_gtest(test_numio SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_numio.cpp LIBS widgets GUI)
dscdma_add_gtest(test_numlab SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_numlab.cpp LIBS widgets GUI)
