# Links the module as `mkoctfile --mex` does: a shared object with
# -Bsymbolic whose host symbols resolve from the Octave process at load time,
# plus the adapter that gives Octave the 32-bit-index forms the module calls.
find_program(BRINDLECAST_MKOCTFILE mkoctfile REQUIRED)
execute_process(
    COMMAND ${BRINDLECAST_MKOCTFILE} -p OCTINCLUDEDIR
    OUTPUT_VARIABLE BRINDLECAST_OCTAVE_INCLUDE_DIR
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

add_library(brindlecast_octave_adapter OBJECT ${PROJECT_SOURCE_DIR}/src/host/octave_adapter.cpp)
# <mex.h> from Octave's folder, <octave/quit.h> from its parent, and the module's own headers.
target_include_directories(brindlecast_octave_adapter PRIVATE ${BRINDLECAST_OCTAVE_INCLUDE_DIR}
    ${BRINDLECAST_OCTAVE_INCLUDE_DIR}/.. ${PROJECT_SOURCE_DIR}/src)
target_compile_options(brindlecast_octave_adapter PRIVATE ${BRINDLECAST_WARNINGS})

target_sources(brindlecast PRIVATE $<TARGET_OBJECTS:brindlecast_octave_adapter>)
target_link_options(brindlecast PRIVATE -Wl,-Bsymbolic)
set_target_properties(brindlecast PROPERTIES
    SUFFIX ".mex"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
