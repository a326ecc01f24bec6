# velvane_add_skin(NAME DIR): compiles DIR/*.vskin with velvane-skinc into
# ${VELVANE_PROGRAM_DIR}/skins/bin/NAME.skin at build time; the pictures the sources name
# (DIR/PICTURE.png or DIR/PICTURE.bmp) land beside it as PICTURE.bmp.
function(velvane_add_skin name dir)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.vskin)
    if(NOT sources)
        message(WARNING "Skin ${name}: no .vskin sources in ${dir}")
        return()
    endif()
    # Sorted, so the same folder always compiles in the same order.
    list(SORT sources)
    file(GLOB pictures CONFIGURE_DEPENDS ${dir}/*.png ${dir}/*.bmp)
    set(output ${VELVANE_PROGRAM_DIR}/skins/bin/${name}.skin)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELVANE_PROGRAM_DIR}/skins/bin
        COMMAND velvane-skinc ${sources} -o ${output}
        DEPENDS velvane-skinc ${sources} ${pictures}
        COMMENT "Compiling skin ${name}"
        VERBATIM)
    add_custom_target(skin_${name} ALL DEPENDS ${output})
endfunction()
