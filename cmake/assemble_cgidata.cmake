# SPDX-License-Identifier: MIT
# Builds the CgiData tree beside the programs: cmake -DSOURCE=<CgiData> -DDEST=<bin/CgiData> -P this file.
#
# Each language keeps one kit core (kit_core.php, kit_core.pl) and, per kit, a template
# (<name>.in) whose one line holding @KIT_CORE@ is replaced by the core from its line holding
# "---- kit core" to its end. The result is the script the converter copies and the site owner
# uploads; cores and templates themselves stay out of the tree.
cmake_minimum_required(VERSION 3.19)

file(COPY ${SOURCE}/ DESTINATION ${DEST}
    PATTERN "*.in" EXCLUDE
    PATTERN "kit_core.*" EXCLUDE)

file(GLOB_RECURSE templates RELATIVE ${SOURCE} ${SOURCE}/*.in)
foreach(template IN LISTS templates)
    # The core is the nearest kit_core.* above the template.
    get_filename_component(dir ${SOURCE}/${template} DIRECTORY)
    set(core "")
    while(core STREQUAL "" AND NOT dir STREQUAL SOURCE)
        file(GLOB core ${dir}/kit_core.*)
        get_filename_component(dir ${dir} DIRECTORY)
    endwhile()
    list(LENGTH core found)
    if(NOT found EQUAL 1)
        message(FATAL_ERROR "${template}: no single kit_core.* above it")
    endif()
    file(READ ${core} core_text)
    string(FIND "${core_text}" "---- kit core" begin)
    if(begin EQUAL -1)
        message(FATAL_ERROR "${core}: no line holding '---- kit core'")
    endif()
    # Back to the start of that line.
    string(SUBSTRING "${core_text}" 0 ${begin} head)
    string(FIND "${head}" "\n" line_start REVERSE)
    math(EXPR line_start "${line_start} + 1")
    string(SUBSTRING "${core_text}" ${line_start} -1 core_text)

    file(READ ${SOURCE}/${template} text)
    string(REGEX MATCH "[^\n]*@KIT_CORE@[^\n]*\n" marker "${text}")
    if(marker STREQUAL "")
        message(FATAL_ERROR "${template}: no line holding @KIT_CORE@")
    endif()
    string(REPLACE "${marker}" "${core_text}" text "${text}")

    string(REGEX REPLACE "\\.in$" "" output ${DEST}/${template})
    # Rewritten only when different, so the copies keep their times and later steps stay quiet.
    file(WRITE ${output}.tmp "${text}")
    file(COPY_FILE ${output}.tmp ${output} ONLY_IF_DIFFERENT)
    file(REMOVE ${output}.tmp)
    # A template's mode (executable for CGI scripts) carries over.
    execute_process(COMMAND chmod --reference=${SOURCE}/${template} ${output} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
