# Installs the build into a temporary prefix and checks what is put in place, then that the
# installed ordano-cli names the per-user workspace and the build's own names its program folder.
#   cmake -DBUILD_DIR=<build> -DWORK_DIR=<scratch> -DGUIDE_SOURCES=<docs/guide> -P InstallTree.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/usr")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(expected
    bin/ordano bin/ordano-cli
    share/ordano/LANGUAGE/English.lng share/ordano/LANGUAGE/Italiano.lng
    share/ordano/LANGUAGE/English.bmp share/ordano/LANGUAGE/Italiano.bmp
    share/ordano/LANGUAGE/DefaultFlag.bmp
    "share/ordano/TEMPLATES/Generic heat meter.xml"
    "share/ordano/TEMPLATES/Generic electricity meter.xml"
    share/applications/ordano.desktop
    share/metainfo/com.nelvari.Ordano.metainfo.xml
    share/man/man1/ordano-cli.1
    share/ordano/guide/English/index.md share/ordano/guide/Italiano/index.md)
# Every page and picture of the guide, where the help window looks for it.
file(GLOB_RECURSE guide_files RELATIVE "${GUIDE_SOURCES}" "${GUIDE_SOURCES}/*.md"
     "${GUIDE_SOURCES}/*.png")
list(LENGTH guide_files guide_count)
if(guide_count LESS 20)
    message(FATAL_ERROR "the guide in ${GUIDE_SOURCES} has only ${guide_count} files")
endif()
foreach(file IN LISTS guide_files)
    list(APPEND expected "share/ordano/guide/${file}")
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/ordano.png)
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${prefix}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# The manual page is one, from the usage text.
file(READ "${prefix}/share/man/man1/ordano-cli.1" manual)
if(NOT manual MATCHES "\\.TH ORDANO-CLI \"1\"" OR NOT manual MATCHES "history CONFIG_DIR")
    message(FATAL_ERROR "share/man/man1/ordano-cli.1 is not ordano-cli's manual page")
endif()

# No workspace folder is installed: each user gets one in their own data folder.
foreach(folder PROJECTS MASTER)
    if(EXISTS "${prefix}/bin/${folder}" OR EXISTS "${prefix}/share/ordano/${folder}")
        message(FATAL_ERROR "installed a workspace folder: ${folder}")
    endif()
endforeach()

function(expect_workspace program home expected)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_HOME=${home}" ASAN_OPTIONS=detect_leaks=0
                "${program}" --version
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    if(NOT status EQUAL 0 OR NOT out MATCHES "\nWorkspace: ${expected}\n$")
        message(FATAL_ERROR "${program} --version: status ${status}, printed:\n${out}${errors}\n"
                            "expected the workspace ${expected}")
    endif()
endfunction()
expect_workspace("${prefix}/bin/ordano-cli" "${WORK_DIR}/home" "${WORK_DIR}/home/Ordano")
expect_workspace("${BUILD_DIR}/bin/ordano-cli" "${WORK_DIR}/home" "${BUILD_DIR}/bin")
if(EXISTS "${WORK_DIR}/home")
    message(FATAL_ERROR "--version created the workspace")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
