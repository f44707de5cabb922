# Phase one run for real under Wine: uninstall.exe started from an installation directory.
if(WIN32)
  uninstall_test(launch_test launch_test.cpp ${PROJECT_SOURCE_DIR}/tests/support/cmdline_of.cpp)
endif()
