# The Sold search's sign-in window and its embedded browser. Form2.h needs no
# WebEngine header, so only the library's own sources see them.
find_package(Qt6 REQUIRED COMPONENTS WebEngineWidgets)
target_sources(quillmere_lib PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Form2.h ${CMAKE_CURRENT_LIST_DIR}/Form2.cpp
)
target_link_libraries(quillmere_lib PRIVATE Qt6::WebEngineWidgets)
