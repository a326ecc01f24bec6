# Installation: the program folder is kept whole under PREFIX/lib/velvane (the program finds
# its skins, languages, keypad map and help beside its own file), the commands are linked into
# PREFIX/bin, and the desktop gets an entry, an icon, the AppStream data and man pages.
# `cpack` makes the Debian package from the same rules (scripts/package.sh).

set(VELVANE_VERSION "1.0.0" CACHE STRING "Version of the installed program and its package")
set(VELVANE_APP_ID "org.example.Velvane" CACHE STRING "AppStream component id")
set(VELVANE_HOMEPAGE "https://velvane.example.org/" CACHE STRING "The project's web page")
set(VELVANE_SCREENSHOTS "${VELVANE_HOMEPAGE}docs/screenshots/" CACHE STRING
    "Where the README's screenshots are published (the AppStream data names them)")

set(folder lib/velvane)
set(commands velvane velvane-pim velvane-phone velvane-reg velvane-skinc velvane-skinview)
install(TARGETS ${commands} velvane-setup RUNTIME DESTINATION ${folder})
install(TARGETS setup LIBRARY DESTINATION ${folder})
file(GLOB language_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/lang/*.lng)
install(FILES ${language_files} ${PROJECT_SOURCE_DIR}/data/keyboard.txt
    ${PROJECT_SOURCE_DIR}/data/help/velvane_help.htm
    ${PROJECT_SOURCE_DIR}/data/help/velvane_help_ru.htm
    DESTINATION ${folder})
# The compiled skins and their pictures, as the build left them in the program folder.
install(DIRECTORY ${VELVANE_PROGRAM_DIR}/skins/bin DESTINATION ${folder}/skins)

# Relative links, so the tree works wherever it is unpacked; the tools find their folder
# through the link.
set(links)
foreach(command ${commands})
    list(APPEND links "bin/${command}")
endforeach()
list(APPEND links "sbin/velvane-setup")
install(CODE "
    foreach(link ${links})
        get_filename_component(name \${link} NAME)
        get_filename_component(dir \${link} DIRECTORY)
        set(target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${link}\")
        file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dir}\")
        file(REMOVE \"\${target}\")
        file(CREATE_LINK ../${folder}/\${name} \"\${target}\" SYMBOLIC)
        message(STATUS \"Linking: \${target}\")
    endforeach()
")

# The desktop's view of the program.
set(install_data ${PROJECT_SOURCE_DIR}/data/install)
set(generated ${CMAKE_BINARY_DIR}/install)
install(FILES ${install_data}/velvane.desktop DESTINATION share/applications)
configure_file(${install_data}/velvane.metainfo.xml.in
    ${generated}/${VELVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${VELVANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
    OUTPUT ${generated}/icons/256x256/apps/velvane.png
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/draw-app-icon.py
            ${generated}/icons
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/draw-app-icon.py
    COMMENT "Drawing the application icon"
    VERBATIM)

# Man pages compressed without names or dates in them, so two builds give the same bytes.
set(manuals velvane.1 velvane-pim.1 velvane-phone.1 velvane-reg.1 velvane-skinc.1
    velvane-skinview.1 velvane-setup.8)
set(compressed)
foreach(manual ${manuals})
    string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${manual})
    set(output ${generated}/man/man${section}/${manual}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/man/man${section}
        COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${install_data}/man/${manual} ${output}
        DEPENDS ${install_data}/man/${manual}
        VERBATIM)
    list(APPEND compressed ${output})
endforeach()
set(changelog ${generated}/doc/changelog.gz)
add_custom_command(
    OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/doc
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${install_data}/debian/changelog ${changelog}
    DEPENDS ${install_data}/debian/changelog
    VERBATIM)
add_custom_target(install_data ALL
    DEPENDS ${generated}/icons/256x256/apps/velvane.png ${compressed} ${changelog})
install(DIRECTORY ${generated}/icons/ DESTINATION share/icons/hicolor)
install(DIRECTORY ${generated}/man/ DESTINATION share/man)
install(FILES ${install_data}/debian/copyright ${changelog} DESTINATION share/doc/velvane)
install(FILES ${install_data}/debian/lintian-overrides DESTINATION share/lintian/overrides
    RENAME velvane)

# The Debian package.
set(VELVANE_PROGRAM_FOLDER /usr/${folder})
set(VELVANE_DATA_FOLDER /usr/share)
set(scripts)
foreach(script postinst prerm postrm)
    configure_file(${install_data}/debian/${script}.in ${generated}/debian/${script} @ONLY
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                         WORLD_READ WORLD_EXECUTE)
    list(APPEND scripts ${generated}/debian/${script})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velvane)
set(CPACK_PACKAGE_VERSION ${VELVANE_VERSION})
set(CPACK_PACKAGE_CONTACT "Velvane developers <velvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finger-friendly contacts and phone")
# One string: CPack would join several with ";".
set(CPACK_PACKAGE_DESCRIPTION "Velvane shows the contacts as a list that narrows as letters or keypad
digits are typed, with an alphabet ruler and a category filter, and puts
favourites, recent calls, a dialer and its own call screen one tap away, all
drawn by its own skins. Phone links (tel:, callto:) open the number's contact.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Text needs a font; fontconfig finds whichever sans-serif face is there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${scripts})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
