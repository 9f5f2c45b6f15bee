# SPDX-License-Identifier: MIT
# A windowed program: its windows as a static library over a core library, with the moc, uic and
# rcc steps for that library only, and the program itself from a thin main.cpp beside them.

# orvex_qt_program(<program> LIBRARY <target> CORE <core target> SOURCES <file>...): the library
# reaches the headers of its own folder and of platform/ui.
function(orvex_qt_program program)
    cmake_parse_arguments(Q "" "LIBRARY;CORE" "SOURCES" ${ARGN})
    add_library(${Q_LIBRARY} STATIC ${Q_SOURCES})
    set_target_properties(${Q_LIBRARY} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    orvex_include_root(${Q_LIBRARY} ${folder} platform/ui)
    target_link_libraries(${Q_LIBRARY} PUBLIC ${Q_CORE} Qt6::Widgets)
    orvex_warnings(${Q_LIBRARY})

    add_executable(${program} WIN32 main.cpp)
    target_link_libraries(${program} PRIVATE ${Q_LIBRARY})
    orvex_warnings(${program})
endfunction()
