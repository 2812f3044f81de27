# MATLAB on 64-bit Windows: the module imports from libmx.dll and libmex.dll
# through import libraries made from our own .def files, which list exactly
# the symbols the module uses. libgcc, libstdc++ and winpthread are linked in
# statically so that MATLAB users need no MinGW DLLs.
find_program(BRINDLECAST_DLLTOOL NAMES ${BRINDLECAST_DLLTOOL_NAME} x86_64-w64-mingw32-dlltool dlltool REQUIRED)

foreach(hostLibrary mx mex)
    set(importLibrary ${CMAKE_CURRENT_BINARY_DIR}/lib${hostLibrary}.a)
    set(definitions ${PROJECT_SOURCE_DIR}/src/host/lib${hostLibrary}.def)
    add_custom_command(
        OUTPUT ${importLibrary}
        COMMAND ${BRINDLECAST_DLLTOOL} -d ${definitions} -l ${importLibrary}
        DEPENDS ${definitions}
        COMMENT "Import library for lib${hostLibrary}.dll")
    list(APPEND BRINDLECAST_IMPORT_LIBRARIES ${importLibrary})
endforeach()
add_custom_target(brindlecast_import_libraries DEPENDS ${BRINDLECAST_IMPORT_LIBRARIES})

add_dependencies(brindlecast brindlecast_import_libraries)
target_link_libraries(brindlecast PRIVATE ${BRINDLECAST_IMPORT_LIBRARIES})
target_link_options(brindlecast PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(brindlecast PROPERTIES
    SUFFIX ".mexw64"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
