# zelvane-cli print: its PDFs checked with poppler-utils; run with "--cups"
# (tst_cliprint_cups) it prints through a CUPS scheduler of its own, and
# reports itself skipped, with the reason, where CUPS cannot run.
zelvane_add_test(tst_cliprint
  SOURCES tst_cliprint.cpp ${PROJECT_SOURCE_DIR}/tests/gui/printing/CupsServer.cpp
  LIBS zelvane_core zelvane_pdf_tools zelvane_printqueue_api
  LABELS cli)
target_compile_definitions(tst_cliprint PRIVATE ZELVANE_CLI_PATH="$<TARGET_FILE:zelvane-cli>"
                           ZELVANE_PRINT_QUEUE_MODULE_FILE="$<TARGET_FILE:zelvane_printqueue>")
add_dependencies(tst_cliprint zelvane-cli)

add_test(NAME tst_cliprint_cups COMMAND tst_cliprint --cups)
set_tests_properties(tst_cliprint_cups PROPERTIES
  ENVIRONMENT "${ZELVANE_TEST_ENV}" TIMEOUT 300 LABELS "cli;cups"
  SKIP_REGULAR_EXPRESSION "SKIP   : ")
