# The values of the program's version information, written into a header
# that the embedded version block is compiled from.
#
#   zelvane_write_version_header(<output header>)
#
# FileVersion is the project version in dotted four-part form (1.0.0 gives
# 1.0.0.0); the copyright line and the product name are fixed here.

set(ZELVANE_LEGAL_COPYRIGHT "(C) 2026 Zelvane developers")
set(ZELVANE_PRODUCT_NAME "Zelvane")

function(zelvane_write_version_header output)
  set(parts)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(value "${PROJECT_VERSION_${part}}")
    if(value STREQUAL "")
      set(value 0)
    endif()
    list(APPEND parts ${value})
  endforeach()
  list(JOIN parts "." ZELVANE_FILE_VERSION)
  foreach(text ZELVANE_LEGAL_COPYRIGHT ZELVANE_PRODUCT_NAME)
    string(REPLACE "\\" "\\\\" escaped "${${text}}")
    string(REPLACE "\"" "\\\"" escaped "${escaped}")
    set(${text}_ESCAPED "${escaped}")
  endforeach()
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ZelvaneVersionValues.h.in" "${output}" @ONLY)
endfunction()
