# Name and path rules: built natively and for Windows (included from this folder's CMakeLists.txt).
uninstall_test(names_test ${CMAKE_CURRENT_LIST_DIR}/names_test.cpp)
