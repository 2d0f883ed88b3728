cmake_minimum_required(VERSION 3.25)
# Fails when zelvane-cli takes in window code or Qt Print Support: when the
# libraries it links directly (as CMake generated them) include the window
# library, the printer library or those Qt modules, or when the program
# built (PROGRAM), with every library it loads at start-up, needs Qt Widgets
# or Qt Print Support. Printing to a queue loads them later, from a module
# of its own.
file(READ "${LINKS}" links)
string(STRIP "${links}" links)
if(links STREQUAL "")
  message(FATAL_ERROR "no link libraries recorded in ${LINKS}")
endif()
foreach(forbidden zelvane_gui zelvane_printsupport Qt6::Widgets Qt6::PrintSupport)
  if("${forbidden}" IN_LIST links)
    message(FATAL_ERROR "zelvane-cli links ${forbidden}: ${links}")
  endif()
endforeach()
message(STATUS "zelvane-cli links ${links}")

file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${PROGRAM}"
     RESOLVED_DEPENDENCIES_VAR loaded UNRESOLVED_DEPENDENCIES_VAR unresolved)
if(unresolved)
  message(FATAL_ERROR "${PROGRAM} needs libraries that are not found: ${unresolved}")
endif()
if(NOT loaded MATCHES "libQt6Gui[.]so")
  message(FATAL_ERROR "no Qt Gui among what ${PROGRAM} loads: is it the program? ${loaded}")
endif()
foreach(library IN LISTS loaded)
  if(library MATCHES "/libQt6(Widgets|PrintSupport)[.]so")
    message(FATAL_ERROR "${PROGRAM} loads ${library} at start-up")
  endif()
endforeach()
