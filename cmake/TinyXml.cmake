# TinyXML from Debian's source package, unpacked by scripts/setup.sh; never committed.
set(TINYXML_DIR ${PROJECT_SOURCE_DIR}/third_party/tinyxml CACHE PATH "TinyXML source tree")
if(NOT EXISTS ${TINYXML_DIR}/tinyxml.cpp)
  message(FATAL_ERROR "TinyXML source not found in ${TINYXML_DIR}: run scripts/setup.sh")
endif()
add_library(tinyxml STATIC
  ${TINYXML_DIR}/tinyxml.cpp ${TINYXML_DIR}/tinystr.cpp
  ${TINYXML_DIR}/tinyxmlerror.cpp ${TINYXML_DIR}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
target_compile_options(tinyxml PRIVATE -w ${PRODUCT_CXX_FLAGS})
