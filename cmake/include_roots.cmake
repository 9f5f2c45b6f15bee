# SPDX-License-Identifier: MIT
# Each library's own include root, so that a target reaches only the headers of what it links.
#
# The sources include headers by their path from the top of the tree ("platform/paths.h"), but the
# top of the tree holds every folder. So each library gets a folder in the build tree that mirrors
# only its own source folders, one forwarding header per real header: build/include/orvex_platform/
# platform/paths.h holds #include "<relative path to>/platform/paths.h". Forwarding headers rather
# than symbolic links: they are plain files that every compiler follows on every host, including
# a Windows checkout where creating links needs rights a user may not have. The path inside is
# relative, so a source tree copied with its build folders inside it still resolves. The compiler
# reports errors at the real header, and an edited header needs no new configure; a new or removed
# header does, which the CONFIGURE_DEPENDS glob triggers on the next build.

# orvex_include_root(<target> <folder>...): folders are relative to the top of the source tree; only
# their own *.h files are mirrored, not those of subfolders (converter/ui is not part of converter).
function(orvex_include_root target)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    foreach(folder IN LISTS ARGN)
        file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
             ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        file(RELATIVE_PATH up ${root}/${folder} ${PROJECT_SOURCE_DIR}/${folder})
        foreach(header IN LISTS headers)
            # Rewritten only when its text changes, so a configure does not rebuild everything.
            file(CONFIGURE OUTPUT ${root}/${folder}/${header} CONTENT "#include \"${up}/${header}\"\n" @ONLY)
        endforeach()
        # A header removed or renamed in the sources leaves no forwarder behind.
        file(GLOB forwarders RELATIVE ${root}/${folder} ${root}/${folder}/*.h)
        foreach(forwarder IN LISTS forwarders)
            if(NOT forwarder IN_LIST headers)
                file(REMOVE ${root}/${folder}/${forwarder})
            endif()
        endforeach()
    endforeach()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()
