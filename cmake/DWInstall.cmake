# `cmake --install build --prefix PREFIX` puts the program where a desktop finds it:
#
#   PREFIX/bin/QuillmartVodar                      a link to the program
#   PREFIX/lib/quillmartvodar/                     the program and our shared libraries (run path
#                                                  $ORIGIN), with "installed-files", the list of
#                                                  what it holds: the updater replaces this folder
#                                                  and nothing else
#   PREFIX/share/quillmartvodar/                   the resources
#   PREFIX/share/applications/org.quillmart.Vodar.desktop   the listing documents and the sign-in
#                                                  callback address open in the program
#   PREFIX/share/mime/packages/org.quillmart.Vodar.xml      the file type of ".qvlisting"
#   PREFIX/share/icons/hicolor/128x128/apps/quillmartvodar.png
#   PREFIX/share/metainfo/org.quillmart.Vodar.metainfo.xml
#
# Without DESTDIR (an install for use rather than for a package) the desktop's databases of file
# types and applications under PREFIX/share are brought up to date at the end.

set(DW_PROGRAM_FOLDER lib/quillmartvodar)
set(DW_INSTALLED_LIBRARIES platform platform_network platform_widgets dwkit DWGeneratedObject DWEBay DWPayment)

set_target_properties(QuillmartVodar ${DW_INSTALLED_LIBRARIES} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS QuillmartVodar ${DW_INSTALLED_LIBRARIES}
    RUNTIME DESTINATION ${DW_PROGRAM_FOLDER}
    LIBRARY DESTINATION ${DW_PROGRAM_FOLDER})

# The list the updater reads before it replaces the folder: exactly what is installed here.
set(installed_files "$<TARGET_FILE_NAME:QuillmartVodar>\n")
foreach(library IN LISTS DW_INSTALLED_LIBRARIES)
    string(APPEND installed_files "$<TARGET_FILE_NAME:${library}>\n")
endforeach()
file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/install/installed-files" CONTENT "${installed_files}")
install(FILES "${CMAKE_BINARY_DIR}/install/installed-files" DESTINATION ${DW_PROGRAM_FOLDER})

install(DIRECTORY resources/ DESTINATION share/quillmartvodar
    PATTERN "enciphered" EXCLUDE   # compiled into the program, enciphered
    PATTERN "tables" EXCLUDE       # compiled into the program
    PATTERN "desktop" EXCLUDE      # installed below where the desktop looks
    PATTERN "quillmartvodar.png" EXCLUDE)

install(FILES resources/desktop/org.quillmart.Vodar.xml DESTINATION share/mime/packages)
install(FILES resources/desktop/org.quillmart.Vodar.metainfo.xml DESTINATION share/metainfo)
install(FILES resources/quillmartvodar.png DESTINATION share/icons/hicolor/128x128/apps)

# The link in bin and the desktop entry name the program where this install puts it, so they are
# made at install time (`--prefix` may differ from the configured prefix).
install(CODE "set(DW_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")")
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin")
    file(CREATE_LINK "../lib/quillmartvodar/QuillmartVodar" "${root}/bin/QuillmartVodar" SYMBOLIC)
    message(STATUS "Installing: ${root}/bin/QuillmartVodar")
    set(QV_EXEC "${CMAKE_INSTALL_PREFIX}/bin/QuillmartVodar")
    configure_file("${DW_SOURCE_DIR}/resources/desktop/org.quillmart.Vodar.desktop.in"
        "${root}/share/applications/org.quillmart.Vodar.desktop" @ONLY)
    message(STATUS "Installing: ${root}/share/applications/org.quillmart.Vodar.desktop")
    if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
        find_program(update_mime update-mime-database)
        find_program(update_desktop update-desktop-database)
        if(update_mime)
            execute_process(COMMAND "${update_mime}" "${root}/share/mime")
        endif()
        if(update_desktop)
            execute_process(COMMAND "${update_desktop}" "${root}/share/applications")
        endif()
    endif()
]])
