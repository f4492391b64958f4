# Shared rules for the project's own targets.
#
# Every library exposes exactly its own folder: the folder is linked into
# build/include/<target>/<folder>, so `#include "model/QMEbayItem.h"` resolves only
# for targets that link `model` (directly or through a dependency).

set(DW_WARNINGS -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override -Werror=return-type
    -Wold-style-cast -Wzero-as-null-pointer-constant -Wshadow)
# scripts/test turns this on: a warning in our own code fails the build there.
option(DW_WERROR "Treat warnings in the project's own targets as errors" OFF)
if(DW_WERROR)
    list(APPEND DW_WARNINGS -Werror)
endif()
# A C string becomes text only through a call that names its encoding (QStringLiteral,
# QString::fromUtf8, QLatin1String), text becomes bytes only through toUtf8() or toLatin1(), and text
# becomes an address only through QUrl's constructor: keys, messages and files keep their bytes.
set(DW_DEFINITIONS QT_NO_KEYWORDS QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)
set(DW_STRING_DEFINITIONS QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING)
# The folders (relative to the source root, everything below them included) whose targets still
# convert implicitly.
set(DW_IMPLICIT_STRING_FOLDERS tests fuzz)

# dw_expose_folder_at(<target> <folder relative to the source root> <PUBLIC|PRIVATE|INTERFACE>)
function(dw_expose_folder_at target folder scope)
    set(stage "${CMAKE_BINARY_DIR}/include/${target}")
    get_filename_component(parent "${stage}/${folder}" DIRECTORY)
    # A build folder configured when the parent folder was exposed whole holds a link there.
    if(IS_SYMLINK "${parent}")
        file(REMOVE "${parent}")
    endif()
    file(MAKE_DIRECTORY "${parent}")
    if(NOT EXISTS "${stage}/${folder}")
        file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${stage}/${folder}" SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} "${stage}")
endfunction()

# dw_expose_folder(<target> <folder>): public for libraries, private for programs.
function(dw_expose_folder target folder)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        dw_expose_folder_at(${target} "${folder}" PRIVATE)
    else()
        dw_expose_folder_at(${target} "${folder}" PUBLIC)
    endif()
endfunction()

# dw_setup_target(<target>): warnings, definitions and moc for one of our targets.
function(dw_setup_target target)
    target_compile_options(${target} PRIVATE ${DW_WARNINGS})
    target_compile_definitions(${target} PRIVATE ${DW_DEFINITIONS})
    file(RELATIVE_PATH folder "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    set(strict_strings ON)
    foreach(implicit IN LISTS DW_IMPLICIT_STRING_FOLDERS)
        if(folder STREQUAL implicit OR folder MATCHES "^${implicit}/")
            set(strict_strings OFF)
        endif()
    endforeach()
    if(strict_strings)
        target_compile_definitions(${target} PRIVATE ${DW_STRING_DEFINITIONS})
    endif()
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()

# dw_glob_sources(<var> <dir>...): the .cpp and .h files directly in the given folders.
function(dw_glob_sources var)
    set(result)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
        list(APPEND result ${found})
    endforeach()
    set(${var} ${result} PARENT_SCOPE)
endfunction()

# dw_add_library(<name> FOLDER <folder> [SHARED|PROCESS_WIDE] [SOURCE_DIRS dirs...] [PUBLIC_DEPS ...] [PRIVATE_DEPS ...])
#
# SHARED: a delivered shared library (DWEBay, DWPayment): hidden visibility, explicit exports.
# PROCESS_WIDE: a layer beneath those libraries that holds process-wide state (user defaults,
# notification centre, log level). It is a shared library too, so the program and both delivered
# libraries see one instance of that state instead of a static copy each.
function(dw_add_library name)
    cmake_parse_arguments(ARG "SHARED;PROCESS_WIDE" "FOLDER" "SOURCE_DIRS;PUBLIC_DEPS;PRIVATE_DEPS;SOURCES" ${ARGN})
    if(NOT ARG_SOURCE_DIRS)
        set(ARG_SOURCE_DIRS "${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    dw_glob_sources(sources ${ARG_SOURCE_DIRS})
    list(APPEND sources ${ARG_SOURCES})
    set(compiled ${sources})
    list(FILTER compiled INCLUDE REGEX "\\.(cpp|c)$")
    if(NOT compiled)
        # A folder whose code has not been written yet: a target already, so that its users link it.
        add_library(${name} INTERFACE)
        if(ARG_FOLDER)
            dw_expose_folder_at(${name} "${ARG_FOLDER}" INTERFACE)
        endif()
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_DEPS})
        return()
    endif()
    if(ARG_SHARED)
        add_library(${name} SHARED ${sources})
        set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    elseif(ARG_PROCESS_WIDE)
        add_library(${name} SHARED ${sources})
    else()
        add_library(${name} STATIC ${sources})
    endif()
    if(ARG_SHARED OR ARG_PROCESS_WIDE)
        # Calls inside the library bind to its own functions when it is linked, not through symbol
        # lookups by the dynamic loader at every start (relocations are resolved at start, see
        # -z now). Nothing replaces our functions from outside, and every program and library
        # is compiled as position-independent code, so a function's address is the same
        # wherever it is taken. Data keeps the default binding: a program may hold its own copy.
        target_link_options(${name} PRIVATE "LINKER:-Bsymbolic-functions")
        # All our shared libraries in one folder of the build, as they are installed, with the
        # installed run path (their own folder) already in the build. The dynamic loader searches,
        # and probes for variants in, each folder of a run path for every library it loads: one
        # folder instead of one per library saves a program many failing file lookups at every
        # start. And a run path rewritten at install has CMake pad the build's with empty
        # entries, which the loader takes for the current folder, whatever it holds.
        set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/lib"
            INSTALL_RPATH "$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
    endif()
    dw_setup_target(${name})
    if(ARG_FOLDER)
        dw_expose_folder(${name} "${ARG_FOLDER}")
    endif()
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# dw_add_test(<name> SOURCE_DIRS dirs... DEPS ... [GUI] [LABELS ...])
# One GoogleTest binary. GUI tests get a QApplication main; others a QCoreApplication main.
function(dw_add_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCE_DIRS;DEPS;LABELS;SOURCES" ${ARGN})
    if(NOT ARG_SOURCE_DIRS)
        set(ARG_SOURCE_DIRS "${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    dw_glob_sources(sources ${ARG_SOURCE_DIRS})
    list(APPEND sources ${ARG_SOURCES})
    add_executable(${name} ${sources})
    dw_setup_target(${name})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE dw_test_main_gui)
    else()
        target_link_libraries(${name} PRIVATE dw_test_main)
    endif()
    target_link_libraries(${name} PRIVATE dw_test_support ${ARG_DEPS})
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set(env "LC_ALL=C.UTF-8"
        "QV_RESOURCES_DIR=${CMAKE_SOURCE_DIR}/resources" "QV_BUILD_DIR=${CMAKE_BINARY_DIR}"
        "QV_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
    # Tests that need a real display run under Xvfb with the xcb platform; the rest render offscreen.
    if(NOT "gui" IN_LIST ARG_LABELS)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    else()
        list(APPEND env "QTWEBENGINE_DISABLE_SANDBOX=1" "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
