# What `cmake --install` puts where, and the Debian package made from it (cmake/DebianPackage.cmake):
# the programs in bin with a man page each, and for the desktop program a menu entry, its icon
# and AppStream metadata.
include(GNUInstallDirs)

# The project's home page; the AppStream screenshot is published beneath it.
set(QS_PROJECT_URL "https://qs71dr.example" CACHE STRING "Home page of the project")
set(QS_APP_ID "example.qs71dr.adj")

# Man pages are written by help2man from each built program's own --help and --version, so
# they cannot drift from them. Without help2man (or when cross-compiling) there are none.
find_program(QS_HELP2MAN help2man)
if(NOT QS_HELP2MAN OR CMAKE_CROSSCOMPILING)
    message(STATUS "help2man not found: no man pages")
endif()
set(QS_MAN_DIR ${CMAKE_BINARY_DIR}/man)

# qs_install_program(<target> <one-line summary>): the program in bin and its man page.
function(qs_install_program target summary)
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    set_property(GLOBAL APPEND PROPERTY QS_INSTALLED_PROGRAMS ${target})
    if(NOT QS_HELP2MAN OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    set(page ${QS_MAN_DIR}/${target}.1)
    set(include_file ${PROJECT_SOURCE_DIR}/packaging/man/${target}.h2m)
    add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QS_MAN_DIR}
        COMMAND ${QS_HELP2MAN} --no-info --no-discard-stderr --section=1 "--name=${summary}"
                --include=${include_file} --output=${page} $<TARGET_FILE:${target}>
        DEPENDS ${target} ${include_file}
        COMMENT "Man page of ${target}"
        VERBATIM)
    add_custom_target(${target}_man_page ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

qs_install_program(qt71dr-sim "virtual QT-71DR radio on a pseudo-terminal")
if(QS_BUILD_GUI)
    qs_install_program(qs71dr-adj "service adjustment utility for the QT-71DR radio")
    qs_install_program(qs71dr-cli "command-line service adjustment of the QT-71DR radio")
endif()

if(QS_BUILD_GUI)
    set(packaging ${PROJECT_SOURCE_DIR}/packaging)
    install(FILES ${packaging}/${QS_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The metadata lists every installed program as one it provides.
    get_property(programs GLOBAL PROPERTY QS_INSTALLED_PROGRAMS)
    set(QS_PROVIDED_BINARIES "")
    foreach(program IN LISTS programs)
        string(APPEND QS_PROVIDED_BINARIES "\n    <binary>${program}</binary>")
    endforeach()
    configure_file(${packaging}/${QS_APP_ID}.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/${QS_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/${QS_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # One drawing: installed as it is and, where rsvg-convert is found, rendered to the
    # bitmap sizes that menus and task bars ask for.
    set(icon_svg ${packaging}/qs71dr-adj.svg)
    install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    find_program(QS_RSVG_CONVERT rsvg-convert)
    if(QS_RSVG_CONVERT)
        set(icon_pngs)
        foreach(size 16 24 32 48 64 128 256)
            set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/qs71dr-adj.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
                COMMAND ${QS_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
                DEPENDS ${icon_svg}
                VERBATIM)
            list(APPEND icon_pngs ${png})
            install(FILES ${png}
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
        add_custom_target(qs71dr-adj_icons ALL DEPENDS ${icon_pngs})
    else()
        message(STATUS "rsvg-convert not found: only the scalable icon is installed")
    endif()
endif()

# The example alignment procedure for the virtual bench and the description of procedure
# files, where a technician finds the documentation.
install(FILES ${PROJECT_SOURCE_DIR}/docs/procedures/virtual-bench.toml
              ${PROJECT_SOURCE_DIR}/docs/procedures/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qs71dr-adj/procedures)

include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)
