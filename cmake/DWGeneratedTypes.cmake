# dw_generate_types(<sources var> <include dir var> CATALOGUE <file.tsv> HEADER_DIR <include path>
#                   REGISTRY <name> [PREFIX <class prefix>] [EXPORT_MACRO <macro> EXPORT_HEADER <header>]
#                   [UNITS <count>])
#
# Generates the C++ classes of a type catalogue at build time (tools/generate-types). The headers
# land under <include dir>/<HEADER_DIR>/, the class code in UNITS translation units plus a registry
# unit, which <sources var> lists for the target that compiles them. The catalogue is checked when
# CMake configures and again on every change, so a broken catalogue fails the build.
function(dw_generate_types sources_var include_var)
    cmake_parse_arguments(ARG "" "CATALOGUE;HEADER_DIR;REGISTRY;PREFIX;EXPORT_MACRO;EXPORT_HEADER;UNITS" "" ${ARGN})
    if(NOT ARG_PREFIX)
        set(ARG_PREFIX EBay)
    endif()
    if(NOT ARG_UNITS)
        set(ARG_UNITS 12)
    endif()
    set(generator "${CMAKE_SOURCE_DIR}/tools/generate-types/generate_types.py")
    set(generator_common "${CMAKE_SOURCE_DIR}/tools/generator-common/generator_common.py")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/generated")
    set(args --catalogue "${ARG_CATALOGUE}" --output "${output}" --root "${CMAKE_SOURCE_DIR}"
        --header-dir "${ARG_HEADER_DIR}" --prefix "${ARG_PREFIX}" --registry "${ARG_REGISTRY}"
        "--export-macro=${ARG_EXPORT_MACRO}" "--export-header=${ARG_EXPORT_HEADER}" --units "${ARG_UNITS}")

    execute_process(COMMAND "${Python3_EXECUTABLE}" "${generator}" ${args} --list-outputs
        OUTPUT_VARIABLE outputs ERROR_VARIABLE problem RESULT_VARIABLE failed
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(failed)
        message(FATAL_ERROR "${ARG_CATALOGUE}:\n${problem}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ARG_CATALOGUE}" "${generator}" "${generator_common}")

    file(RELATIVE_PATH shown "${CMAKE_SOURCE_DIR}" "${ARG_CATALOGUE}")
    add_custom_command(OUTPUT ${outputs}
        COMMAND "${Python3_EXECUTABLE}" "${generator}" ${args}
        DEPENDS "${ARG_CATALOGUE}" "${generator}" "${generator_common}"
        COMMENT "Generating the classes of ${shown}"
        VERBATIM)

    set(sources ${outputs})
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    # The generated accessors are plain and never hot; -O1 compiles them in two thirds of the time
    # that the optimised configurations would otherwise take.
    set_source_files_properties(${sources} PROPERTIES SKIP_AUTOGEN ON
        COMPILE_OPTIONS "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-O1>")
    set(${sources_var} ${sources} PARENT_SCOPE)
    set(${include_var} "${output}" PARENT_SCOPE)
endfunction()
