# Text helpers: built natively and for Windows (included from this folder's CMakeLists.txt).
uninstall_test(text_test ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp)
