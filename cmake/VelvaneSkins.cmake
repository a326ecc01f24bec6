# velvane_add_skin(NAME DIR [SOURCES FILE...]): compiles DIR/*.vskin with velvane-skinc into
# ${VELVANE_PROGRAM_DIR}/skins/bin/NAME.skin at build time; the pictures the sources name
# (DIR/PICTURE.png or DIR/PICTURE.bmp) land beside it as PICTURE.bmp.
# SOURCES names sources the build writes elsewhere: DIR then holds only the pictures, which
# are copied beside those sources first, since the compiler finds pictures beside a source.
function(velvane_add_skin name dir)
    cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
    if(ARG_SOURCES)
        set(sources ${ARG_SOURCES})
    else()
        file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.vskin)
    endif()
    if(NOT sources)
        message(WARNING "Skin ${name}: no .vskin sources in ${dir}")
        return()
    endif()
    # Sorted, so the same folder always compiles in the same order.
    list(SORT sources)
    file(GLOB pictures CONFIGURE_DEPENDS ${dir}/*.png ${dir}/*.bmp)
    set(copy_pictures)
    if(ARG_SOURCES AND pictures)
        list(GET sources 0 first)
        get_filename_component(source_dir ${first} DIRECTORY)
        set(copy_pictures COMMAND ${CMAKE_COMMAND} -E copy_if_different ${pictures} ${source_dir})
    endif()
    set(output ${VELVANE_PROGRAM_DIR}/skins/bin/${name}.skin)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELVANE_PROGRAM_DIR}/skins/bin
        ${copy_pictures}
        COMMAND velvane-skinc ${sources} -o ${output}
        DEPENDS velvane-skinc ${sources} ${pictures}
        COMMENT "Compiling skin ${name}"
        VERBATIM)
    add_custom_target(skin_${name} ALL DEPENDS ${output})
endfunction()
