# MATLAB on 64-bit Windows: the module imports from libmx.dll and libmex.dll
# through import libraries made from our own .def files, which list exactly
# the symbols the module uses. libgcc, libstdc++ and winpthread are linked in
# statically so that MATLAB users need no MinGW DLLs.
find_program(BRINDLECAST_DLLTOOL NAMES ${BRINDLECAST_DLLTOOL_NAME} x86_64-w64-mingw32-dlltool dlltool REQUIRED)

foreach(hostLibrary mx mex)
    set(importLibrary ${CMAKE_CURRENT_BINARY_DIR}/lib${hostLibrary}.a)
    set(definitions ${PROJECT_SOURCE_DIR}/src/host/lib${hostLibrary}.def)
    # dlltool names the import library's symbols after the path given to -l:
    # a bare name keeps the build folder out of the module.
    add_custom_command(
        OUTPUT ${importLibrary}
        COMMAND ${BRINDLECAST_DLLTOOL} -d ${definitions} -l lib${hostLibrary}.a
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        DEPENDS ${definitions}
        COMMENT "Import library for lib${hostLibrary}.dll")
    list(APPEND BRINDLECAST_IMPORT_LIBRARIES ${importLibrary})
endforeach()
add_custom_target(brindlecast_import_libraries DEPENDS ${BRINDLECAST_IMPORT_LIBRARIES})

add_dependencies(brindlecast brindlecast_import_libraries)
target_link_libraries(brindlecast PRIVATE ${BRINDLECAST_IMPORT_LIBRARIES})
target_link_options(brindlecast PRIVATE -static -static-libgcc -static-libstdc++)
# The same sources give the same module, byte for byte, wherever and whenever
# they are built (scripts/release checks it): no link time in the PE headers,
# no source or build folder in what the compiler records.
target_link_options(brindlecast PRIVATE -Wl,--no-insert-timestamp)
foreach(part brindlecast_core brindlecast_device)
    target_compile_options(${part} PRIVATE
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
        -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endforeach()
set_target_properties(brindlecast PROPERTIES
    SUFFIX ".mexw64"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
