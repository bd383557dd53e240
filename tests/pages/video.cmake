korvex_add_test(pages_video_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/video_page_test.cpp
    LIBS korvex_page_video korvex_link_core korvex_ui
    QT)
