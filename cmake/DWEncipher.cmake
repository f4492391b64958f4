# dw_encipher_resources(<output list variable> KEY <key file> DESTINATION <folder> SOURCES <files>...)
#
# Enciphers each plaintext source at build time with qm-encipher into <folder>/<name without its
# extension>.enc, and sets the variable to the list of outputs (add them to a target's sources or
# to a custom target so that they are built).
function(dw_encipher_resources var)
    cmake_parse_arguments(ARG "" "KEY;DESTINATION" "SOURCES" ${ARGN})
    set(outputs)
    foreach(source IN LISTS ARG_SOURCES)
        get_filename_component(name "${source}" NAME_WE)
        set(output "${ARG_DESTINATION}/${name}.enc")
        add_custom_command(OUTPUT "${output}"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${ARG_DESTINATION}"
            COMMAND qm-encipher "${ARG_KEY}" "${source}" "${output}"
            DEPENDS qm-encipher "${ARG_KEY}" "${source}"
            COMMENT "Enciphering ${name}"
            VERBATIM)
        list(APPEND outputs "${output}")
    endforeach()
    set(${var} ${outputs} PARENT_SCOPE)
endfunction()
