# zantrel_layer_headers(<target> <folder> [HEADERS <names...>] [EXCLUDE <names...>])
#
# Gives <target>, and whatever links it, the headers of <folder> (all of its *.h, or only
# HEADERS, less EXCLUDE) and no other header of the source tree. They are reached by their
# usual paths ("<folder>/<name>.h") through an include folder of the target's own in the
# build tree, which links to the sources. A library therefore sees its own headers and those
# of the libraries it links, which are the layers it may include (docs/architecture.md):
# an include that breaks the layer table does not compile.
function(zantrel_layer_headers target folder)
    cmake_parse_arguments(L "" "" "HEADERS;EXCLUDE" ${ARGN})
    set(source ${CMAKE_SOURCE_DIR}/${folder})
    if(L_HEADERS)
        set(headers ${L_HEADERS})
    else()
        file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
    endif()
    if(L_EXCLUDE)
        list(REMOVE_ITEM headers ${L_EXCLUDE})
    endif()
    set(root ${CMAKE_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${root}/${folder})
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(header IN LISTS headers)
        if(NOT EXISTS ${source}/${header})
            message(FATAL_ERROR "zantrel_layer_headers: no ${folder}/${header}")
        endif()
        file(CREATE_LINK ${source}/${header} ${root}/${folder}/${header} SYMBOLIC COPY_ON_ERROR)
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
