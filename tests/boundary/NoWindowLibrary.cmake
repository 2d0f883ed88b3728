cmake_minimum_required(VERSION 3.25)
# Fails when the libraries zelvane-cli links directly (as CMake generated
# them) include the window library or Qt Widgets. (Qt Print Support, which
# the printer library needs for print queues, brings Widgets in
# underneath; the command line itself uses none of it.)
file(READ "${LINKS}" links)
string(STRIP "${links}" links)
if(links STREQUAL "")
  message(FATAL_ERROR "no link libraries recorded in ${LINKS}")
endif()
foreach(forbidden zelvane_gui Qt6::Widgets)
  if("${forbidden}" IN_LIST links)
    message(FATAL_ERROR "zelvane-cli links ${forbidden}: ${links}")
  endif()
endforeach()
message(STATUS "zelvane-cli links ${links}")
